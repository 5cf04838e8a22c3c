// Text in every script crosses to Windows and back unchanged: the UTF-8/UTF-16 pair itself, and
// the toolkit's controls, menus, tree, tabs, files and settings file that go through it.
#include "rtl/wide.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "gui/forms.h"
#include "gui/menus.h"
#include "gui/page_control.h"
#include "gui/std_controls.h"
#include "gui/tree_view.h"
#include "rtl/ini_file.h"
#include "test_support.h"

namespace {

// German, Cyrillic, Japanese, Hebrew, emoji sequences, combining marks, a character beyond the
// 16-bit plane.
const char* const kTexts[] = {
    "Über Größe €", "Новости «Мир»", "ニュース速報", "שלום עולם", "👨‍👩‍👧 🇩🇪 👍🏽",
    "e\u0301 ạ̀",    "𠮷野家"};

TEST(WideText, ThePairConvertsEveryScriptAndRepairsBrokenText)
{
    const std::pair<std::string, std::wstring> both[] = {
        {"", L""},
        {"Über", L"\u00DCber"},
        {"Новости", L"\u041D\u043E\u0432\u043E\u0441\u0442\u0438"},
        {"🚀", L"\xD83D\xDE80"},
        {std::string("a\0b", 3), std::wstring(L"a\0b", 3)},
    };
    for (const auto& [utf8, wide] : both) {
        EXPECT_EQ(rtl::Utf8ToWide(utf8), wide) << utf8;
        EXPECT_EQ(rtl::WideToUtf8(wide), utf8) << utf8;
    }
    // Broken bytes and unpaired surrogates become U+FFFD; what follows them survives.
    EXPECT_EQ(rtl::Utf8ToWide("a\xC3"), L"a\uFFFD");
    EXPECT_EQ(rtl::Utf8ToWide("\xFFx"), L"\uFFFDx");
    EXPECT_EQ(rtl::WideToUtf8(std::wstring(L"\xD800x")), "\xEF\xBF\xBDx");
    EXPECT_EQ(rtl::WideToUtf8(std::wstring(L"x\xDC00")), "x\xEF\xBF\xBD");
    EXPECT_EQ(rtl::WideToUtf8(static_cast<const wchar_t*>(nullptr)), "");
    for (const char* text : kTexts)
        EXPECT_EQ(rtl::WideToUtf8(rtl::Utf8ToWide(text)), text);
}

class WideTextTest : public testing::Test {
protected:
    TScriptedUi Ui;
    TApplication App;
    TTempFolder Folder{"qv_widetext"};
    void SetUp() override { App.Initialize(); }
};

TEST_F(WideTextTest, ControlsMenusTreesTabsFilesAndSettingsKeepEveryScript)
{
    TForm* form = App.CreateForm<TForm>();
    auto* button = new TButton(form, form, "", 0, 0, 75, 25);
    auto* edit = new TEdit(form, form, 0, 30, 200, 21);
    auto* tree = new TTreeView(form, form, 0, 60, 200, 100);
    auto* pages = new TPageControl(form, form, 210, 0, 200, 200);
    TPopupMenu menu(form);
    TIniFile ini(Folder / "wide.ini");
    for (const char* text : kTexts) {
        SCOPED_TRACE(text);
        const std::wstring wide = rtl::Utf8ToWide(text);
        button->SetCaption(text);
        EXPECT_EQ(button->Caption(), text);
        wchar_t shown[256] = {};
        GetWindowTextW(button->Handle(), shown, 256);
        EXPECT_EQ(shown, wide);
        edit->SetText(text);
        EXPECT_EQ(edit->Text(), text);
        EXPECT_EQ(tree->NodeText(tree->AddNode(nullptr, text)), text);

        auto* sheet = new TTabSheet(form, pages, text);
        wchar_t tab[256] = {};
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = tab;
        item.cchTextMax = 256;
        SendMessageW(pages->Handle(), TCM_GETITEMW, static_cast<WPARAM>(sheet->PageIndex()),
                     reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ(tab, wide);

        auto* entry = new TMenuItem();
        entry->SetCaption(text);
        menu.Items()->Add(entry);
        TNativeMenu native(menu);
        EXPECT_EQ(MenuStringOf(native.Handle(), static_cast<UINT>(menu.Items()->Count() - 1)), text);

        const std::string file = Folder / (std::string(text) + ".nfd");
        ASSERT_TRUE(WriteTextFile(file, "x"));
        EXPECT_TRUE(rtl::FileExists(file));
        EXPECT_NE((" " + Listing(Folder.Path()) + " ").find(" " + std::string(text) + ".nfd "), std::string::npos);

        ini.WriteString("Settings", "FeedName", text);
        EXPECT_EQ(ini.ReadString("Settings", "FeedName", ""), text);
    }
}

} // namespace
