#include "gui/hint_window.h"

#include <gtest/gtest.h>

#include "gui/application.h"
#include "gui/forms.h"
#include "gui/std_controls.h"
#include "test_support.h"

namespace {

int g_made = 0;
class TCountedHint : public THintWindow {
public:
    TCountedHint() { ++g_made; }
};

class HintWindowTest : public testing::Test {
protected:
    TApplication App;
    TForm* Form = nullptr;
    TButton* Button = nullptr;
    void SetUp() override
    {
        App.Initialize();
        Form = App.CreateForm<TForm>();
        Form->SetBounds(200, 200, 300, 200);
        Button = new TButton(Form, Form, "Knopf", 20, 20, 100, 30);
        Button->SetHint("Kurz|Die lange Fassung");
        Form->Show();
        App.HintController()->HintPause = 50;
        App.ProcessMessages();
    }
    bool HintShowing() const
    {
        const THintWindow* w = App.HintController()->Window();
        return w && w->Showing();
    }
    POINT OverButton()
    {
        POINT p = {40, 35};
        ClientToScreen(Form->Handle(), &p);
        return p;
    }
    void MoveOverButton()
    {
        POINT p = OverButton();
        SetCursorPos(p.x, p.y);
        POINT client = {20, 15};
        PostMessageW(Button->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(client.x, client.y));
    }
};

TEST_F(HintWindowTest, TheShortHintShowsBelowTheCursorAfterThePause)
{
    MoveOverButton();
    App.ProcessMessages();
    ASSERT_EQ(App.HintController()->HintControl(), Button);
    EXPECT_TRUE(App.HintController()->Window() == nullptr || !App.HintController()->Window()->Showing());
    ASSERT_TRUE(PumpUntil([this] { return HintShowing(); }));
    THintWindow* w = App.HintController()->Window();
    EXPECT_EQ(w->Caption(), "Kurz");
    POINT cursor;
    GetCursorPos(&cursor);
    RECT r = w->BoundsRect();
    EXPECT_EQ(r.left, cursor.x);
    EXPECT_EQ(r.top, cursor.y + GetSystemMetrics(SM_CYCURSOR));
    // Measured text plus the frame, and 4 pixels more at the bottom.
    RECT calc = w->CalcHintRect(GetSystemMetrics(SM_CXSCREEN), "Kurz", nullptr);
    EXPECT_EQ(r.right - r.left, calc.right);
    EXPECT_EQ(r.bottom - r.top, calc.bottom + 4);
    EXPECT_EQ(SendMessageW(w->Handle(), WM_NCHITTEST, 0, 0), HTTRANSPARENT);
    EXPECT_NE(GetActiveWindow(), w->Handle());
}

TEST_F(HintWindowTest, APressHidesTheHintUntilThePointerMovesOn)
{
    MoveOverButton();
    ASSERT_TRUE(PumpUntil([this] { return HintShowing(); }));
    PostMessageW(Button->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 15));
    PostMessageW(Button->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(20, 15));
    EXPECT_TRUE(PumpUntil([this] { return !HintShowing(); }));
}

TEST_F(HintWindowTest, LeavingTheControlHidesTheHint)
{
    MoveOverButton();
    ASSERT_TRUE(PumpUntil([this] { return HintShowing(); }));
    POINT away = {20, 20};
    SetCursorPos(away.x, away.y);
    EXPECT_TRUE(PumpUntil([this] { return !HintShowing(); }));
    EXPECT_EQ(App.HintController()->HintControl(), nullptr);
}

TEST_F(HintWindowTest, ANewHintWindowClassTakesEffectWithTheNextHint)
{
    g_made = 0;
    App.SetHintWindowClass(HintWindowClassOf<TCountedHint>());
    App.HintController()->ActivateHint(Button, OverButton());
    EXPECT_EQ(g_made, 1);
    EXPECT_NE(dynamic_cast<TCountedHint*>(App.HintController()->Window()), nullptr);
    App.HintController()->ActivateHint(Button, OverButton());
    EXPECT_EQ(g_made, 1);
    App.SetHintWindowClass(HintWindowClassOf<THintWindow>());
    EXPECT_EQ(App.HintController()->Window(), nullptr);
}

TEST_F(HintWindowTest, ControlsWithoutHintAndTurnedOffHintsShowNothing)
{
    Button->SetHint("");
    MoveOverButton();
    PumpFor(200);
    EXPECT_TRUE(App.HintController()->Window() == nullptr || !App.HintController()->Window()->Showing());
    Button->SetHint("Wieder da");
    App.SetShowHint(false);
    MoveOverButton();
    PumpFor(200);
    EXPECT_TRUE(App.HintController()->Window() == nullptr || !App.HintController()->Window()->Showing());
}

TEST(ShortHint, ThePartBeforeTheFirstBar)
{
    EXPECT_EQ(GetShortHint("A|B"), "A");
    EXPECT_EQ(GetShortHint("A|B|C"), "A");
    EXPECT_EQ(GetShortHint("ohne"), "ohne");
    EXPECT_EQ(GetShortHint("|lang"), "");
    EXPECT_EQ(GetShortHint(""), "");
}

} // namespace
