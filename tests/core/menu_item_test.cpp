#include "gui/menu_item.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Counts its own destruction so that tests can tell removal from destruction.
class TCountedItem : public TMenuItem {
public:
    TCountedItem(const std::string& caption, int* destroyed, TComponent* owner = nullptr)
        : TMenuItem(owner), FDestroyed(destroyed)
    {
        SetCaption(caption);
    }
    ~TCountedItem() override { ++*FDestroyed; }

private:
    int* FDestroyed;
};

TMenuItem* Item(const std::string& caption)
{
    auto* i = new TMenuItem();
    i->SetCaption(caption);
    return i;
}

std::string Captions(const std::vector<TMenuItem*>& items)
{
    std::string s;
    for (TMenuItem* i : items)
        s += (s.empty() ? "" : " ") + i->Caption();
    return s;
}

std::string Captions(const TMenuItem& level)
{
    std::vector<TMenuItem*> v;
    for (int i = 0; i < level.Count(); ++i)
        v.push_back(level.Items(i));
    return Captions(v);
}

TEST(MenuItem, InsertPlacesAtThePositionAndAddAppends)
{
    TMenuItem root;
    root.Add(Item("b"));
    root.Insert(0, Item("a"));
    root.Insert(2, Item("d"));
    root.Insert(2, Item("c"));
    EXPECT_EQ(Captions(root), "a b c d");
    EXPECT_EQ(root.Items(2)->Parent(), &root);
    EXPECT_EQ(root.IndexOf(root.Items(3)), 3);
    EXPECT_EQ(root.IndexOf(nullptr), -1);
}

TEST(MenuItem, OutOfRangeAndDoubleInsertionAreRefused)
{
    TMenuItem root, other;
    root.Add(Item("a"));
    TMenuItem* loose = Item("x");
    EXPECT_THROW(root.Insert(2, loose), EMenuError);
    EXPECT_THROW(root.Insert(-1, loose), EMenuError);
    EXPECT_THROW(root.Items(1), EMenuError);
    EXPECT_THROW(root.Delete(5), EMenuError);
    EXPECT_THROW(other.Add(root.Items(0)), EMenuError);
    EXPECT_EQ(other.Count(), 0);
    EXPECT_EQ(root.Items(0)->Parent(), &root);
    delete loose;
}

TEST(MenuItem, DeleteDestroysRemoveDoesNot)
{
    int destroyed = 0;
    TMenuItem root;
    auto* a = new TCountedItem("a", &destroyed);
    auto* b = new TCountedItem("b", &destroyed);
    b->Add(new TCountedItem("b1", &destroyed));
    root.Add(a);
    root.Add(b);

    root.Remove(a);
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(a->Parent(), nullptr);
    EXPECT_EQ(Captions(root), "b");

    root.Delete(0); // b and its sub-entry
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(root.Count(), 0);
    delete a;
    EXPECT_EQ(destroyed, 3);
}

TEST(MenuItem, DestroyingAnItemTakesItOutOfItsParentAndItsOwner)
{
    int destroyed = 0;
    TComponent owner(nullptr);
    TMenuItem root;
    auto* a = new TCountedItem("a", &destroyed, &owner);
    auto* b = new TCountedItem("b", &destroyed, &owner);
    root.Add(a);
    root.Add(b);
    EXPECT_EQ(owner.ComponentCount(), 2);

    delete a; // by hand: the parent forgets it
    EXPECT_EQ(Captions(root), "b");
    root.Clear(); // by the parent: the owner forgets it
    EXPECT_EQ(owner.ComponentCount(), 0);
    EXPECT_EQ(destroyed, 2);

    auto* dying = new TComponent(nullptr);
    root.Add(new TCountedItem("c", &destroyed, dying));
    delete dying; // the owner destroys it: the parent forgets it
    EXPECT_EQ(root.Count(), 0);
    EXPECT_EQ(destroyed, 3);
}

struct TSeparatorCase {
    const char* level; // captions separated by spaces
    const char* shown;
};

class MenuItemSeparators : public ::testing::TestWithParam<TSeparatorCase> {};

TEST_P(MenuItemSeparators, NoneAtTopOrBottomAndOneOfSeveralInARow)
{
    TMenuItem root;
    std::string level = GetParam().level, word;
    for (std::size_t i = 0; i <= level.size(); ++i) {
        if (i == level.size() || level[i] == ' ') {
            if (!word.empty())
                root.Add(Item(word));
            word.clear();
        } else {
            word += level[i];
        }
    }
    EXPECT_EQ(Captions(root.ShownItems()), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Levels, MenuItemSeparators,
                         ::testing::Values(TSeparatorCase{"", ""}, TSeparatorCase{"- - -", ""},
                                           TSeparatorCase{"a", "a"}, TSeparatorCase{"- a", "a"},
                                           TSeparatorCase{"a - -", "a"}, TSeparatorCase{"a - b", "a - b"},
                                           TSeparatorCase{"- - a - - - b - c -", "a - b - c"},
                                           TSeparatorCase{"a b - - c", "a b - c"},
                                           // only a caption of exactly "-" is a separator
                                           TSeparatorCase{"-- a --", "-- a --"}));

TEST(MenuItem, ShownSeparatorsAreTheFirstOfEachRun)
{
    TMenuItem root;
    root.Add(Item("a"));
    TMenuItem* first = Item("-");
    root.Add(first);
    root.Add(Item("-"));
    root.Add(Item("b"));
    EXPECT_EQ(root.ShownItems().at(1), first);
}

TEST(MenuItem, SerialsAreUniqueAndFoundAnywhereBelow)
{
    TMenuItem root;
    TMenuItem* sub = Item("sub");
    TMenuItem* deep = Item("deep");
    sub->Add(deep);
    root.Add(Item("a"));
    root.Add(sub);
    EXPECT_NE(sub->Serial(), deep->Serial());
    EXPECT_EQ(root.FindBySerial(deep->Serial()), deep);
    EXPECT_EQ(root.FindBySerial(root.Serial()), &root);
    std::uint64_t gone = deep->Serial();
    sub->Delete(0);
    EXPECT_EQ(root.FindBySerial(gone), nullptr);
    // A new item never takes over a destroyed one's serial, even at the same address.
    TMenuItem* reborn = Item("new");
    sub->Add(reborn);
    EXPECT_GT(reborn->Serial(), gone);
    EXPECT_EQ(root.FindBySerial(gone), nullptr);
}

TEST(MenuItem, ClickRunsTheActionWhenThereIsOne)
{
    TMenuItem item;
    item.Click(); // no action: nothing happens
    TObject* sender = nullptr;
    item.OnClick = [&](TObject* s) { sender = s; };
    item.Click();
    EXPECT_EQ(sender, &item);
}

} // namespace
