#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <vector>

#include "gui/application.h"
#include "gui/forms.h"
#include "gui/hint_window.h"
#include "gui/input_query.h"
#include "gui/page_control.h"
#include "gui/std_controls.h"
#include "gui/timer.h"
#include "test_support.h"

namespace {

class TLogged : public TComponent {
public:
    TLogged(TComponent* owner, std::vector<std::string>& log, std::string name)
        : TComponent(owner), FLog(log), FN(std::move(name))
    {
    }
    ~TLogged() override
    {
        DestroyComponents(); // as every derived component does: owned parts go while we are whole
        FLog.push_back("~" + FN);
    }
    void BeforeDestruction() override { FLog.push_back("before " + FN); }
    TComponent* Ref = nullptr;

protected:
    void Notification(TComponent* c, TOperation op) override
    {
        if (op == opRemove && c == Ref)
            Ref = nullptr;
    }

private:
    std::vector<std::string>& FLog;
    std::string FN;
};

TEST(Components, AnOwnerDestroysWhatItOwnsInReverseOrderOfCreation)
{
    std::vector<std::string> log;
    auto* owner = new TLogged(nullptr, log, "owner");
    new TLogged(owner, log, "a");
    new TLogged(owner, log, "b");
    EXPECT_EQ(owner->ComponentCount(), 2);
    Free(owner);
    EXPECT_EQ(log, (std::vector<std::string>{"before owner", "before b", "~b", "before a", "~a", "~owner"}));
}

TEST(Components, FreeNotificationClearsAReferenceToADestroyedComponent)
{
    std::vector<std::string> log;
    TLogged keeper(nullptr, log, "keeper");
    auto* target = new TLogged(nullptr, log, "target");
    keeper.Ref = target;
    keeper.FreeNotification(target);
    delete target;
    EXPECT_EQ(keeper.Ref, nullptr);
    // The other way round: the keeper goes first and the target must not notify a dead object.
    auto* keeper2 = new TLogged(nullptr, log, "k2");
    TLogged target2(nullptr, log, "t2");
    keeper2->Ref = &target2;
    keeper2->FreeNotification(&target2);
    delete keeper2;
}

class ToolkitTest : public testing::Test {
protected:
    TScriptedUi Ui;
    TApplication App;
    void SetUp() override
    {
        App.Initialize();
        App.SetTitle("Quorvane");
    }
};

TEST_F(ToolkitTest, AnExceptionLeavingAHandlerIsShownAndTheProgramGoesOn)
{
    TForm* form = App.CreateForm<TForm>();
    auto* button = new TButton(form, form, "Go", 0, 0, 75, 25);
    button->OnClick = [](TObject*) { throw std::runtime_error("Datei fehlt"); };
    SendMessageW(button->Handle(), BM_CLICK, 0, 0);
    ASSERT_EQ(Ui.Messages.size(), 1u);
    EXPECT_EQ(Ui.Messages[0].Text, "Datei fehlt");
    EXPECT_EQ(Ui.Messages[0].Caption, "Quorvane");
    EXPECT_EQ(Ui.Messages[0].Type, static_cast<UINT>(MB_ICONERROR | MB_OK));
    EXPECT_TRUE(IsWindow(button->Handle()));
}

class TThrowingHint : public THintWindow {
protected:
    void Paint(HDC) override { throw std::runtime_error("Malen"); }
};

// System controls, the toolkit's own control classes and plain windows share one window procedure
// entry: whatever a handler throws reaches the application's display, and the window lives on.
TEST_F(ToolkitTest, AnExceptionFromEveryKindOfWindowIsShown)
{
    TForm* form = App.CreateForm<TForm>();
    auto* button = new TButton(form, form, "Go", 0, 0, 75, 25);
    button->OnClick = [](TObject*) { throw std::runtime_error("Knopf"); };
    auto* panel = new TPanel(form, form, 0, 30, 75, 25);
    panel->OnMouseDown = [](TObject*, TMouseButton, TShiftState, int, int) { throw std::runtime_error("Feld"); };
    TThrowingHint hint;
    hint.ActivateHint({10, 10, 60, 30}, "Tipp");
    const struct {
        std::function<void()> act;
        HWND wnd;
        const char* text;
    } cases[] = {
        {[&] { SendMessageW(button->Handle(), BM_CLICK, 0, 0); }, button->Handle(), "Knopf"},
        {[&] { SendMessageW(panel->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5)); }, panel->Handle(),
         "Feld"},
        {[&] {
             InvalidateRect(hint.Handle(), nullptr, FALSE);
             UpdateWindow(hint.Handle());
         },
         hint.Handle(), "Malen"},
    };
    for (const auto& c : cases) {
        Ui.Messages.clear();
        c.act();
        ASSERT_EQ(Ui.Messages.size(), 1u) << c.text;
        EXPECT_EQ(Ui.Messages[0].Text, c.text);
        EXPECT_TRUE(IsWindow(c.wnd)) << c.text;
    }
    // The paint that threw was still begun and ended: the window does not ask to be painted again.
    EXPECT_FALSE(GetUpdateRect(hint.Handle(), nullptr, FALSE));
}

TEST(ToolkitWithoutApplication, AnExceptionAfterTheApplicationIsGoneIsDropped)
{
    TScriptedUi ui;
    {
        TApplication app;
    }
    TForm form(nullptr);
    auto* button = new TButton(&form, &form, "Go", 0, 0, 75, 25);
    button->OnClick = [](TObject*) { throw std::runtime_error("niemand"); };
    SendMessageW(button->Handle(), BM_CLICK, 0, 0);
    EXPECT_TRUE(ui.Messages.empty());
    EXPECT_EQ(GetWindow(form.Handle(), GW_OWNER), nullptr);
}

TEST_F(ToolkitTest, TheApplicationWindowCarriesTheTitleAndOwnsTheForms)
{
    TForm* form = App.CreateForm<TForm>();
    EXPECT_EQ(GetWindowTextUtf8(App.Handle()), "Quorvane");
    EXPECT_EQ(GetWindow(form->Handle(), GW_OWNER), App.Handle());
    EXPECT_EQ(App.MainForm(), form);
    form->Show();
    EXPECT_TRUE(IsWindowVisible(App.Handle()));
    App.Minimize();
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
    App.Restore();
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
}

TEST_F(ToolkitTest, ACheckBoxSetByTheProgramClicksOnlyWhenItsStateChanges)
{
    TForm* form = App.CreateForm<TForm>();
    auto* box = new TCheckBox(form, form, "x", 0, 0, 80, 17);
    int clicks = 0;
    box->OnClick = [&](TObject*) { ++clicks; };
    box->SetChecked(false);
    EXPECT_EQ(clicks, 0);
    box->SetChecked(true);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(box->Checked());
    box->SetChecked(true);
    EXPECT_EQ(clicks, 1);
}

TEST_F(ToolkitTest, ATimerFiresAndAnIntervalOfZeroStopsIt)
{
    TTimer timer(nullptr);
    int ticks = 0;
    timer.OnTimer = [&](TObject*) { ++ticks; };
    timer.SetInterval(20);
    EXPECT_TRUE(timer.Running());
    DWORD until = GetTickCount() + 2000;
    while (ticks < 2 && GetTickCount() < until) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        App.ProcessMessages();
    }
    EXPECT_GE(ticks, 2);
    timer.SetInterval(0);
    EXPECT_FALSE(timer.Running());
    int before = ticks;
    Sleep(100);
    App.ProcessMessages();
    EXPECT_EQ(ticks, before);
}

TEST_F(ToolkitTest, APageControlShowsOnlyTheActiveSheet)
{
    TForm* form = App.CreateForm<TForm>();
    auto* pages = new TPageControl(form, form, 0, 0, 289, 249);
    TTabSheet* a = new TTabSheet(form, pages, "Programm");
    TTabSheet* b = new TTabSheet(form, pages, "Feed");
    EXPECT_EQ(pages->PageCount(), 2);
    pages->SetActivePage(b);
    EXPECT_EQ(pages->ActivePageIndex(), 1);
    EXPECT_TRUE(IsWindowVisible(b->Handle()) || !IsWindowVisible(form->Handle()));
    EXPECT_FALSE(GetWindowLongW(a->Handle(), GWL_STYLE) & WS_VISIBLE);
    EXPECT_TRUE(GetWindowLongW(b->Handle(), GWL_STYLE) & WS_VISIBLE);
}

TEST_F(ToolkitTest, EditFieldsTakeTheirColourAndReadOnlyState)
{
    TForm* form = App.CreateForm<TForm>();
    auto* edit = new TEdit(form, form, 0, 0, 100, 21, false);
    edit->SetReadOnly(true);
    edit->SetColor(clBtnFace);
    EXPECT_TRUE(edit->ReadOnly());
    EXPECT_FALSE(GetWindowLongW(edit->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    HDC dc = GetDC(edit->Handle());
    HBRUSH b =
        reinterpret_cast<HBRUSH>(SendMessageW(form->Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                              reinterpret_cast<LPARAM>(edit->Handle())));
    EXPECT_EQ(GetBkColor(dc), GetSysColor(COLOR_BTNFACE));
    EXPECT_NE(b, nullptr);
    ReleaseDC(edit->Handle(), dc);
    auto* memo = new TMemo(form, form, 0, 30, 100, 60, TMemo::ssBoth, false);
    DWORD style = static_cast<DWORD>(GetWindowLongW(memo->Handle(), GWL_STYLE));
    EXPECT_TRUE(style & WS_VSCROLL);
    EXPECT_TRUE(style & WS_HSCROLL);
    EXPECT_TRUE(style & ES_AUTOHSCROLL); // no word wrap
    memo->SetText("a\nb");
    EXPECT_EQ(memo->Lines().Count(), 2);
}

// The input prompt is a real modal window: find it, type, and press a button.
struct TPromptScript {
    std::string Type;
    bool Ok;
};

VOID CALLBACK DrivePrompt(HWND, UINT, UINT_PTR id, DWORD)
{
    static TPromptScript* script = nullptr;
    if (!script)
        script = reinterpret_cast<TPromptScript*>(GetPropW(GetDesktopWindow(), L"QvPromptScript"));
    HWND dlg = FindWindowW(L"TInputQueryForm", nullptr);
    if (!dlg || !IsWindowVisible(dlg))
        return;
    KillTimer(nullptr, id);
    HWND edit = FindWindowExW(dlg, nullptr, L"EDIT", nullptr);
    if (!script->Type.empty())
        SetWindowTextUtf8(edit, script->Type);
    HWND button = FindWindowExW(dlg, nullptr, L"BUTTON", script->Ok ? L"OK" : L"Abbrechen");
    PostMessageW(button, BM_CLICK, 0, 0);
    script = nullptr;
}

TEST_F(ToolkitTest, TheInputPromptReturnsTheTypedTextOrKeepsTheDefault)
{
    TPromptScript typeAndOk{"Heise News", true};
    SetPropW(GetDesktopWindow(), L"QvPromptScript", &typeAndOk);
    SetTimer(nullptr, 0, 50, DrivePrompt);
    std::string value = "Feed";
    EXPECT_TRUE(RunInputQuery("Neues Feed erstellen", "Geben Sie einen neuen Namen ein", value));
    EXPECT_EQ(value, "Heise News");

    TPromptScript cancel{"ignored", false};
    SetPropW(GetDesktopWindow(), L"QvPromptScript", &cancel);
    SetTimer(nullptr, 0, 50, DrivePrompt);
    value = "http://";
    EXPECT_FALSE(RunInputQuery("Neues Feed erstellen", "Geben Sie den URL des Feeds ein", value));
    EXPECT_EQ(value, "http://");
    RemovePropW(GetDesktopWindow(), L"QvPromptScript");
}

} // namespace
