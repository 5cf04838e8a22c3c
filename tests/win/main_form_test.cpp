#include "app/main_form.h"

#include <gtest/gtest.h>

#include "app/info_form.h"
#include "gui/application.h"
#include "rtl/files.h"
#include "rtl/string_list.h"
#include "test_support.h"

namespace {

// Runs the program's start in-process: the application, the main window and the about window,
// with the program file placed in a temporary folder.
class MainFormTest : public testing::Test {
protected:
    TTempFolder Folder{"qv_mainform"};
    TScriptedUi Ui;
    std::unique_ptr<TApplication> App;

    void Start(const std::string& exeName = "quorvane.exe", const std::string& ini = "")
    {
        if (!ini.empty())
            WriteTextFile(TAppPaths::FromProgramFile(Folder / exeName).SettingsFile, ini);
        App = StartProgramAt(Folder / exeName);
        App->ProcessMessages();
    }
    // Ends the program as closing the window does: the loop ends and the forms are destroyed.
    void Stop()
    {
        MainForm->Close();
        App->ProcessMessages();
        App.reset();
    }
    void TearDown() override
    {
        App.reset();
        rtl::SetProgramFileNameOverride("");
    }
    std::string Ini(const std::string& exeName = "quorvane.exe")
    {
        return ReadFileBytes(TAppPaths::FromProgramFile(Folder / exeName).SettingsFile);
    }
};

TEST_F(MainFormTest, FirstStartWithoutSettingsShowsTheWindowWithTheDefaults)
{
    Start();
    EXPECT_TRUE(IsWindowVisible(MainForm->Handle()));
    EXPECT_EQ(MainForm->Caption(), "Einstellungen");
    EXPECT_EQ(MainForm->IntervalEdit->Value(), 15);
    EXPECT_EQ(MainForm->MaxEntryEdit->Value(), 15);
    EXPECT_EQ(MainForm->MaxCharEdit->Value(), 80);
    EXPECT_FALSE(MainForm->CutChannelCheckBox->Checked());
    EXPECT_TRUE(MainForm->BalloonCheck->Checked());
    EXPECT_EQ(MainForm->BalloonWrap->Value(), 80);
    EXPECT_FALSE(MainForm->StartMinCheck->Checked());
    EXPECT_FALSE(MainForm->ProxyCheckBox->Checked());
    EXPECT_EQ(MainForm->ProxyPortEdit->Value(), 1080);
    EXPECT_EQ(MainForm->Timer->Interval(), 15u * 60000u);
    EXPECT_EQ(MainForm->PageControl->ActivePage(), MainForm->ProgramSheet);
    EXPECT_EQ(MainForm->ClientWidth(), 306);
    EXPECT_EQ(MainForm->ClientHeight(), 384);
    EXPECT_TRUE(Ui.Messages.empty());
}

TEST_F(MainFormTest, ClosingWritesAllFifteenKeysInTheirOrder)
{
    Start();
    MainForm->ProxyHostEdit->SetText("proxy.local");
    MainForm->IntervalEdit->SetValue(7);
    RECT r;
    GetWindowRect(MainForm->Handle(), &r);
    Stop();
    std::string expected = "[Window]\r\nTop=" + std::to_string(r.top) + "\r\nLeft=" + std::to_string(r.left) +
                           "\r\n[Settings]\r\nFeedName=\r\nStart minimized=0\r\nInterval=7\r\nMaxEntrys=15\r\n"
                           "MaxChars=80\r\nCut Channelname=0\r\nBalloonhint=1\r\nBalloonwrap=80\r\n"
                           "[Proxy]\r\nEnabled=0\r\nPort=1080\r\nHost=proxy.local\r\nUser=\r\nPass=\r\n";
    EXPECT_EQ(Ini(), expected);
}

// Every value differs from its default and from the others, so a key read into or written from
// the wrong control shows.
TEST_F(MainFormTest, EveryKeyReadAtStartIsWrittenBackUnchanged)
{
    const std::string settings =
        "[Window]\r\nTop=120\r\nLeft=140\r\n[Settings]\r\nFeedName=Kanal\r\nStart minimized=1\r\nInterval=42\r\n"
        "MaxEntrys=23\r\nMaxChars=120\r\nCut Channelname=1\r\nBalloonhint=0\r\n"
        "Balloonwrap=64\r\n[Proxy]\r\nEnabled=1\r\nPort=3128\r\nHost=proxy.example\r\n"
        "User=anna\r\nPass=geheim\r\n";
    Start("quorvane.exe", settings);
    Stop();
    EXPECT_EQ(Ini(), settings);
}

// The 8-bit program's file, in the ANSI code page (Windows-1252 here): its letters come in as
// UTF-8 and go out as the same bytes.
TEST_F(MainFormTest, AnAnsiSettingsFileIsReadAsTextAndWrittenBackByteForByte)
{
    if (GetACP() != 1252)
        GTEST_SKIP() << "the ANSI code page is " << GetACP();
    const std::string settings =
        "[Window]\r\nTop=120\r\nLeft=140\r\n[Settings]\r\nFeedName=Nachrichten f\xFCr K\xF6ln \x80\r\n"
        "Start minimized=1\r\nInterval=15\r\nMaxEntrys=15\r\nMaxChars=80\r\nCut Channelname=0\r\n"
        "Balloonhint=1\r\nBalloonwrap=80\r\n[Proxy]\r\nEnabled=0\r\nPort=1080\r\nHost=\r\nUser=J\xFCrgen\r\n"
        "Pass=Stra\xDF"
        "e\r\n";
    Start("quorvane.exe", settings);
    EXPECT_EQ(MainForm->CurrentFeed.Name, "Nachrichten für Köln €");
    EXPECT_EQ(MainForm->ProxyUserEdit->Text(), "Jürgen");
    EXPECT_EQ(MainForm->ProxyPassEdit->Text(), "Straße");
    Stop();
    EXPECT_EQ(Ini(), settings);
}

// A name the ANSI code page cannot hold (a best-fit letter does not count) makes the file UTF-16
// LE with a mark, keeping what it held; it reads back after a restart, and the file is 8-bit
// again once every value fits.
TEST_F(MainFormTest, ANameInAnotherScriptTurnsTheSettingsFileIntoUtf16AndBack)
{
    for (const std::string name : {"Новости «Мир»", "ニュース", "Łódź"}) {
        SCOPED_TRACE(name);
        Start("quorvane.exe", "[Extra]\r\nNotiz=Gr\xFC\xDF"
                              "e\r\n[Settings]\r\nStart minimized=1\r\n");
        MainForm->CurrentFeed.Name = name;
        Stop();
        const std::string written = Ini();
        ASSERT_EQ(written.substr(0, 2), "\xFF\xFE");
        const std::wstring text(reinterpret_cast<const wchar_t*>(written.data() + 2), (written.size() - 2) / 2);
        EXPECT_NE(text.find(L"Notiz=Grüße\r\n"), std::wstring::npos);
        EXPECT_NE(text.find(rtl::Utf8ToWide("FeedName=" + name + "\r\n")), std::wstring::npos);
        Start();
        EXPECT_EQ(MainForm->CurrentFeed.Name, name);
        MainForm->CurrentFeed.Name = "Kanal";
        Stop();
        EXPECT_NE(Ini().find("[Extra]\r\nNotiz=Gr\xFC\xDF"
                             "e\r\n"),
                  std::string::npos);
        EXPECT_NE(Ini().find("\r\nFeedName=Kanal\r\n"), std::string::npos);
        rtl::DeleteFile(TAppPaths::FromProgramFile(Folder / "quorvane.exe").SettingsFile);
    }
}

// A settings file above 1 MB is read by the program itself (the settings sections anywhere in
// it, the first of each name counting) and written back with every other line kept, in the form
// the profile functions would give it: 8-bit while everything fits, else UTF-16 with a mark.
TEST_F(MainFormTest, ALargeSettingsFileIsReadAndWrittenKeepingEverythingElse)
{
    if (GetACP() != 1252)
        GTEST_SKIP() << "the ANSI code page is " << GetACP();
    std::string junk = "[Andere]\r\n";
    for (int i = 0; junk.size() <= (5u << 18); ++i)
        junk += "Eintrag" + std::to_string(i) + "=Grüße von einem anderen Programm, Zeile für Zeile\r\n";
    const std::string settings = "[Window]\r\nTop=120\r\nLeft=140\r\n[Settings]\r\nFeedName=Новости\r\n"
                                 "Start minimized=0\r\nInterval=15\r\nMaxEntrys=15\r\nMaxChars=80\r\n"
                                 "Cut Channelname=0\r\nBalloonhint=1\r\nBalloonwrap=80\r\n[Proxy]\r\nEnabled=1\r\n"
                                 "Port=3128\r\nHost=proxy.example\r\nUser=anna\r\nPass=geheim\r\n";
    auto with = [](std::string text, const std::string& from, const std::string& to) {
        return text.replace(text.find(from), from.size(), to);
    };
    auto ansi = [](const std::string& utf8) {
        const std::wstring w = rtl::Utf8ToWide(utf8);
        std::string out(w.size(), '\0');
        WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), &out[0], static_cast<int>(out.size()),
                            nullptr, nullptr);
        return out;
    };
    auto utf16 = [](const std::string& utf8) {
        const std::wstring w = rtl::Utf8ToWide(utf8);
        return "\xFF\xFE" + std::string(reinterpret_cast<const char*>(w.data()), w.size() * 2);
    };
    const std::string kanal = with(settings, "Новости", "Kanal");
    const std::string lateSettings = "[SETTINGS]\r\n  feedname = \"Kanal 1\" \r\nInterval=0x1E\r\n[Settings]\r\n"
                                     "Interval=99\r\n";
    const struct {
        const char* Name;
        std::string Before;
        std::string FeedName; // read from the file
        int Interval;         // read from the file
        std::string NewFeedName;
        std::string After;
    } cases[] = {
        {"8-bit, settings first", ansi(kanal + junk), "Kanal", 15, "Kanal",
         ansi(with(kanal, "Interval=15", "Interval=7") + junk)},
        {"8-bit, settings last, keys and sections missing", ansi(junk + lateSettings), "Kanal 1", 30, "Kanal 1",
         ansi(
             junk +
             "[SETTINGS]\r\nFeedName=Kanal 1\r\nInterval=7\r\nStart minimized=0\r\nMaxEntrys=15\r\n"
             "MaxChars=80\r\nCut Channelname=0\r\nBalloonhint=1\r\nBalloonwrap=80\r\n[Settings]\r\nInterval=99\r\n"
             "[Window]\r\nTop=200\r\nLeft=200\r\n[Proxy]\r\nEnabled=0\r\nPort=1080\r\nHost=\r\nUser=\r\nPass="
             "\r\n")},
        {"UTF-16", utf16(settings + junk), "Новости", 15, "Новости",
         utf16(with(settings, "Interval=15", "Interval=7") + junk)},
        {"8-bit becoming UTF-16", ansi(kanal + junk), "Kanal", 15, "Новости",
         utf16(with(settings, "Interval=15", "Interval=7") + junk)},
        {"UTF-16 becoming 8-bit", utf16(settings + junk), "Новости", 15, "Kanal",
         ansi(with(kanal, "Interval=15", "Interval=7") + junk)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Start("quorvane.exe", c.Before);
        EXPECT_EQ(MainForm->CurrentFeed.Name, c.FeedName);
        EXPECT_EQ(MainForm->IntervalEdit->Value(), c.Interval);
        MainForm->CurrentFeed.Name = c.NewFeedName;
        MainForm->IntervalEdit->SetValue(7);
        Stop();
        const std::string written = Ini();
        EXPECT_EQ(written.size(), c.After.size());
        EXPECT_TRUE(written == c.After);
        EXPECT_TRUE(Ui.Messages.empty());
    }
}

TEST_F(MainFormTest, TheSettingsFileTakesTheNameOfTheProgramFile)
{
    Start("newsreader.exe", "[Settings]\r\nInterval=33\r\nFeedName=Heise\r\n");
    EXPECT_EQ(MainForm->IntervalEdit->Value(), 33);
    EXPECT_EQ(MainForm->CurrentFeed.Name, "Heise");
    Stop();
    EXPECT_NE(Ini("newsreader.exe").find("Interval=33\r\n"), std::string::npos);
    EXPECT_NE(Ini("newsreader.exe").find("FeedName=Heise\r\n"), std::string::npos);
    EXPECT_FALSE(rtl::FileExists(Folder / "quorvane.ini"));
}

TEST_F(MainFormTest, ValuesAreDecodedAsTheSettingsFileDefines)
{
    Start("quorvane.exe", "[Settings]\r\nInterval=0x1E\r\nStart minimized=2\r\nBalloonhint=\r\n"
                          "MaxEntrys=500\r\nMaxChars=1000\r\nBalloonwrap=abc\r\n[Proxy]\r\nPort=abc\r\n");
    EXPECT_EQ(MainForm->IntervalEdit->Value(), 30);
    EXPECT_EQ(MainForm->Timer->Interval(), 30u * 60000u);
    EXPECT_TRUE(MainForm->StartMinCheck->Checked());
    EXPECT_FALSE(IsWindowVisible(MainForm->Handle()));
    EXPECT_TRUE(MainForm->BalloonCheck->Checked()); // empty value: the key's default
    EXPECT_EQ(MainForm->MaxEntryEdit->Value(), 100);
    EXPECT_EQ(MainForm->MaxCharEdit->Value(), 1000);
    EXPECT_EQ(MainForm->BalloonWrap->Value(), 80);
    EXPECT_EQ(MainForm->ProxyPortEdit->Value(), 1080);
}

TEST_F(MainFormTest, AnIntervalOfAbcReadsFifteenAndZeroStopsTheTimer)
{
    Start("quorvane.exe", "[Settings]\r\nInterval=abc\r\n");
    EXPECT_EQ(MainForm->IntervalEdit->Value(), 15);
    App.reset();
    Start("quorvane.exe", "[Settings]\r\nInterval=0\r\n");
    EXPECT_EQ(MainForm->Timer->Interval(), 0u);
    EXPECT_FALSE(MainForm->Timer->Running());
}

TEST_F(MainFormTest, ASavedPositionIsUsedAndOneOffEveryScreenIsCentred)
{
    Start("quorvane.exe", "[Window]\r\nTop=120\r\nLeft=90\r\n");
    RECT r;
    GetWindowRect(MainForm->Handle(), &r);
    EXPECT_EQ(r.left, 90);
    EXPECT_EQ(r.top, 120);
    App.reset();
    Start("quorvane.exe", "[Window]\r\nTop=-5000\r\nLeft=9000\r\n");
    GetWindowRect(MainForm->Handle(), &r);
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_GE(r.left, work.left);
    EXPECT_LE(r.right, work.right);
    EXPECT_NEAR((r.left + r.right) / 2, (work.left + work.right) / 2, 2);
}

// Another program holds the settings file open without sharing it while the program ends: at
// exit the user is asked whether to try again ("Abbrechen" here); at the end of the session,
// where nobody could answer, nothing is asked. Either way the file keeps what it held.
TEST_F(MainFormTest, AnUnwritableSettingsFileIsReportedAtExitButNotAtTheEndOfTheSession)
{
    const std::string ini = TAppPaths::FromProgramFile(Folder / "quorvane.exe").SettingsFile;
    for (bool sessionEnds : {false, true}) {
        SCOPED_TRACE(sessionEnds ? "end of the session" : "exit");
        Ui.Messages.clear();
        Start();
        WriteTextFile(ini, "[Window]\r\nTop=1\r\n");
        HANDLE lock =
            CreateFileW(rtl::Utf8ToWide(ini).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(lock, INVALID_HANDLE_VALUE);
        if (sessionEnds)
            SendMessageW(MainForm->Handle(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
        Stop();
        CloseHandle(lock);
        if (sessionEnds) {
            EXPECT_TRUE(Ui.Messages.empty());
        } else {
            ASSERT_EQ(Ui.Messages.size(), 1u);
            EXPECT_NE(Ui.Messages[0].Text.find("\n\nUnable to write to " + ini + "\n\n"), std::string::npos)
                << Ui.Messages[0].Text;
            EXPECT_EQ(Ui.Messages[0].Type, static_cast<UINT>(MB_ICONERROR | MB_RETRYCANCEL));
        }
        EXPECT_EQ(ReadFileBytes(ini), "[Window]\r\nTop=1\r\n");
        EXPECT_EQ(Application, nullptr);
    }
}

TEST_F(MainFormTest, TheProxySwitchEnablesAndColoursTheFiveControls)
{
    Start();
    TMainForm& f = *MainForm;
    std::vector<TWinControl*> fields = {f.ProxyPortEdit, f.ProxyHostEdit, f.ProxyUserEdit, f.ProxyPassEdit};
    for (TWinControl* c : fields) {
        EXPECT_FALSE(c->Enabled());
        EXPECT_EQ(c->Color(), clBtnFace);
    }
    EXPECT_FALSE(f.PortLabel->Enabled());
    f.ProxyUserEdit->SetText("anna");
    SendMessageW(f.ProxyCheckBox->Handle(), BM_CLICK, 0, 0);
    EXPECT_TRUE(f.ProxyCheckBox->Checked());
    for (TWinControl* c : fields) {
        EXPECT_TRUE(c->Enabled());
        EXPECT_EQ(c->Color(), clWindow);
    }
    EXPECT_TRUE(f.PortLabel->Enabled());
    EXPECT_TRUE(f.ProxyHostLabel->Enabled());
    SendMessageW(f.ProxyCheckBox->Handle(), BM_CLICK, 0, 0);
    EXPECT_FALSE(f.ProxyPassEdit->Enabled());
    EXPECT_FALSE(f.ProxyPassLabel->Enabled());
    EXPECT_EQ(f.ProxyUserEdit->Text(), "anna");
}

TEST_F(MainFormTest, ASettingsFileWithTheProxyOnStartsWithTheFieldsEnabled)
{
    Start("quorvane.exe", "[Proxy]\r\nEnabled=1\r\nHost=p\r\nPort=3128\r\n");
    EXPECT_TRUE(MainForm->ProxyCheckBox->Checked());
    EXPECT_TRUE(MainForm->ProxyPortEdit->Enabled());
    EXPECT_EQ(MainForm->ProxyPortEdit->Color(), clWindow);
    EXPECT_TRUE(MainForm->PortLabel->Enabled());
    EXPECT_EQ(MainForm->ProxyPortEdit->Value(), 3128);
}

TEST_F(MainFormTest, TheLinksPageOpensLinkNodesOnlyAndIsFullyExpanded)
{
    Start();
    TTreeView* tree = MainForm->TreeView;
    EXPECT_EQ(tree->NodeCount(), 12);
    EXPECT_EQ(tree->Indent(), 19);
    HTREEITEM klips = TreeView_GetNextSibling(tree->Handle(), TreeView_GetRoot(tree->Handle()));
    ASSERT_EQ(tree->NodeText(klips), "Mehr Klips");
    EXPECT_TRUE(tree->Expanded(klips));
    MainForm->PageControl->SetActivePage(MainForm->NetSheet);
    tree->Select(klips);
    MainForm->TreeViewClick(tree);
    EXPECT_TRUE(Ui.ShellCalls.empty());
    HTREEITEM link = TreeView_GetChild(tree->Handle(), klips);
    tree->Select(link);
    MainForm->TreeViewClick(tree);
    ASSERT_EQ(Ui.ShellCalls.size(), 1u);
    EXPECT_EQ(Ui.ShellCalls[0].Verb, "open");
    EXPECT_EQ(Ui.ShellCalls[0].File, tree->NodeText(link));
    EXPECT_EQ(Ui.ShellCalls[0].Show, SW_SHOW);
    EXPECT_EQ(Ui.ShellCalls[0].Parent, MainForm->Handle());
    EXPECT_EQ(tree->NodeText(link).substr(0, 7), "http://");
}

LRESULT CALLBACK RecordSysCommand(HWND wnd, UINT msg, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR ref)
{
    if (msg == WM_SYSCOMMAND) {
        static_cast<std::vector<WPARAM>*>(reinterpret_cast<void*>(ref))->push_back(w);
        return 0; // no modal move loop in the test
    }
    return DefSubclassProc(wnd, msg, w, l);
}

TEST_F(MainFormTest, AnyMouseButtonOnTheBannerStartsACaptionDrag)
{
    Start();
    std::vector<WPARAM> commands;
    SetWindowSubclass(MainForm->Handle(), RecordSysCommand, 7, reinterpret_cast<DWORD_PTR>(&commands));
    SendMessageW(MainForm->Image2->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    SendMessageW(MainForm->Image2->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 10));
    RemoveWindowSubclass(MainForm->Handle(), RecordSysCommand, 7);
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0], 0xF012u);
    EXPECT_EQ(commands[1], 0xF012u);
}

TEST_F(MainFormTest, OkPutsTheShownWindowAwayAndIsIgnoredWhileHidden)
{
    Start();
    std::vector<WPARAM> commands;
    SetWindowSubclass(MainForm->Handle(), RecordSysCommand, 7, reinterpret_cast<DWORD_PTR>(&commands));
    SendMessageW(MainForm->OKBtn->Handle(), BM_CLICK, 0, 0);
    EXPECT_TRUE(commands.empty()); // posted, not sent
    App->ProcessMessages();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0] & 0xFFF0, static_cast<WPARAM>(SC_MINIMIZE));
    RemoveWindowSubclass(MainForm->Handle(), RecordSysCommand, 7);
    commands.clear();
    MainForm->Hide();
    SetWindowSubclass(MainForm->Handle(), RecordSysCommand, 7, reinterpret_cast<DWORD_PTR>(&commands));
    MainForm->OKBtnClick(MainForm->OKBtn);
    App->ProcessMessages();
    EXPECT_TRUE(commands.empty());
    RemoveWindowSubclass(MainForm->Handle(), RecordSysCommand, 7);
}

TEST_F(MainFormTest, MinimisingTakesTheWindowOffTheScreenAndLeavesTheTimerRunning)
{
    Start();
    SendMessageW(MainForm->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    App->ProcessMessages();
    EXPECT_TRUE(App->Minimized());
    EXPECT_FALSE(IsWindowVisible(MainForm->Handle()));
    EXPECT_FALSE(IsIconic(MainForm->Handle()));
    EXPECT_TRUE(MainForm->Timer->Running());
}

TEST_F(MainFormTest, TheIntegerFieldsRefuseWhatTheirRangeForbids)
{
    Start();
    TIntEdit* entries = MainForm->MaxEntryEdit;
    EXPECT_TRUE(entries->Acceptable("100"));
    EXPECT_FALSE(entries->Acceptable("101"));
    EXPECT_FALSE(entries->Acceptable("0"));
    EXPECT_FALSE(entries->Acceptable("-1"));
    EXPECT_FALSE(entries->Acceptable("1a"));
    entries->SetValue(0);
    EXPECT_EQ(entries->Value(), 1);
    SendMessageW(entries->Handle(), EM_SETSEL, 0, -1);
    SendMessageW(entries->Handle(), WM_CHAR, '7', 0);
    SendMessageW(entries->Handle(), WM_CHAR, '7', 0);
    SendMessageW(entries->Handle(), WM_CHAR, '7', 0); // 777 would leave 1..100
    SendMessageW(entries->Handle(), WM_CHAR, 'x', 0);
    EXPECT_EQ(entries->Text(), "77");
    // Declared but unenforced: any digits; a minus only where the minimum allows it.
    EXPECT_TRUE(MainForm->MaxCharEdit->Acceptable("9999"));
    EXPECT_FALSE(MainForm->MaxCharEdit->Acceptable("-5"));
    EXPECT_TRUE(MainForm->ProxyPortEdit->Acceptable("-5"));
    MainForm->MaxCharEdit->SetText("");
    EXPECT_EQ(MainForm->MaxCharEdit->Value(), 0);
    MainForm->MaxCharEdit->SetText("12x");
    EXPECT_EQ(MainForm->MaxCharEdit->Value(), 0);
    EXPECT_EQ(GetWindowLongW(entries->Handle(), GWL_STYLE) & ES_RIGHT, ES_RIGHT);
}

TEST_F(MainFormTest, TheMemoTakesMultiMegabyteDocuments)
{
    Start();
    std::string big(16 * 1024 * 1024 + 5, 'x');
    for (std::size_t i = 1000; i < big.size(); i += 1000) {
        big[i - 1] = '\r';
        big[i] = '\n';
    }
    MainForm->Memo->SetText(big);
    EXPECT_EQ(static_cast<std::size_t>(GetWindowTextLengthW(MainForm->Memo->Handle())), big.size());
}

TEST_F(MainFormTest, EnterClicksTheDefaultButton)
{
    Start();
    int clicks = 0;
    MainForm->OKBtn->OnClick = [&](TObject*) { ++clicks; };
    MainForm->IntervalEdit->SetFocus();
    PostMessageW(MainForm->IntervalEdit->Handle(), WM_KEYDOWN, VK_RETURN, 0);
    App->ProcessMessages();
    EXPECT_EQ(clicks, 1);
}

// The about window and its feedback command.
class InfoFormTest : public MainFormTest {
protected:
    void SetUp() override { Start(); }
    std::string Tool(const char* ext) { return Folder / (std::string("Pallimor.") + ext); }
};

TEST_F(InfoFormTest, FeedbackStartsTheRestingToolAndOkPutsItBack)
{
    WriteTextFile(Tool("sys"), "tool");
    InfoForm->Button1Click(InfoForm->Button1);
    EXPECT_TRUE(rtl::FileExists(Tool("exe")));
    EXPECT_FALSE(rtl::FileExists(Tool("sys")));
    ASSERT_EQ(Ui.ShellCalls.size(), 1u);
    EXPECT_EQ(Ui.ShellCalls[0].File, Tool("exe"));
    EXPECT_EQ(Ui.ShellCalls[0].Parameters, "Quorvane 1.2.2");
    EXPECT_EQ(Ui.ShellCalls[0].Verb, "open");
    EXPECT_EQ(Ui.ShellCalls[0].Show, SW_SHOWNORMAL);
    EXPECT_EQ(Ui.ShellCalls[0].Parent, App->Handle());
    InfoForm->OKButtonClick(InfoForm->OKButton);
    EXPECT_TRUE(rtl::FileExists(Tool("sys")));
    EXPECT_FALSE(rtl::FileExists(Tool("exe")));
}

TEST_F(InfoFormTest, WithoutTheToolFeedbackOpensTheMailLink)
{
    InfoForm->Button1Click(InfoForm->Button1);
    ASSERT_EQ(Ui.ShellCalls.size(), 1u);
    EXPECT_EQ(Ui.ShellCalls[0].File,
              std::string("mailto:") + TInfoForm::kFeedbackAddress + "?subject=Quorvane 1.2.2");
    EXPECT_EQ(Ui.ShellCalls[0].Parameters, "");
}

TEST_F(InfoFormTest, ARunnableToolLeftBehindIsNotStartedAgain)
{
    WriteTextFile(Tool("exe"), "tool");
    InfoForm->Button1Click(InfoForm->Button1);
    ASSERT_EQ(Ui.ShellCalls.size(), 1u);
    EXPECT_EQ(Ui.ShellCalls[0].File.substr(0, 7), "mailto:");
}

TEST_F(InfoFormTest, WithBothFilesTheRenameFailsAndNothingHappens)
{
    WriteTextFile(Tool("exe"), "a");
    WriteTextFile(Tool("sys"), "b");
    InfoForm->Button1Click(InfoForm->Button1);
    EXPECT_TRUE(Ui.ShellCalls.empty());
    EXPECT_EQ(ReadFileBytes(Tool("sys")), "b");
    EXPECT_EQ(ReadFileBytes(Tool("exe")), "a");
}

TEST_F(InfoFormTest, TheWindowShowsTheTextAndPutsTheFocusOnOkAtEveryShow)
{
    MainForm->AboutBtnClick(MainForm->AboutBtn);
    EXPECT_TRUE(IsWindowVisible(InfoForm->Handle()));
    EXPECT_EQ(InfoForm->Caption(), "Über ...");
    EXPECT_EQ(InfoForm->ClientWidth(), 337);
    EXPECT_EQ(InfoForm->ClientHeight(), 275);
    EXPECT_EQ(InfoForm->OKButton->Handle(), GetFocus());
    TStringList lines = InfoForm->InfoMemo->Lines();
    ASSERT_EQ(lines.Count(), 12);
    EXPECT_EQ(lines.Strings(0), "Quorvane v1.2.2");
    EXPECT_EQ(lines.Strings(4), "Quorvane lädt Überschriften von Nachrichten ");
    EXPECT_EQ(lines.Strings(11), "Icons:");
    InfoForm->Button1->SetFocus();
    InfoForm->OKButtonClick(InfoForm->OKButton);
    EXPECT_FALSE(IsWindowVisible(InfoForm->Handle()));
    MainForm->AboutBtnClick(MainForm->AboutBtn);
    EXPECT_EQ(InfoForm->OKButton->Handle(), GetFocus());
}

// Screenshots of every page and of the about window, kept as artefacts to be looked at.
TEST_F(MainFormTest, ScreenshotsOfThePagesAndTheAboutWindow)
{
    Start("quorvane.exe", "[Proxy]\r\nEnabled=1\r\nHost=proxy.local\r\n");
    MainForm->Memo->SetText(
        "<?xml version=\"1.0\"?>\r\n<rss version=\"2.0\">\r\n<channel>\r\n<title>Nachrichten</title>");
    MainForm->NameEdit->SetText("Tagesschau");
    MainForm->UrlEdit->SetText("http://www.tagesschau.example/xml/rss2");
    MainForm->DescMemo->SetText("Die wichtigsten Nachrichten des Tages, aktuell und übersichtlich.");
    const char* names[] = {"page1_programm", "page2_feed", "page3_proxy", "page4_text", "page5_links"};
    for (int i = 0; i < 5; ++i) {
        MainForm->PageControl->SetActivePageIndex(i);
        RedrawWindow(MainForm->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        App->ProcessMessages();
        Sleep(100);
        App->ProcessMessages();
        EXPECT_FALSE(SaveWindowBitmap(MainForm->Handle(), names[i]).empty());
    }
    MainForm->AboutBtnClick(nullptr);
    RedrawWindow(InfoForm->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    App->ProcessMessages();
    Sleep(100);
    App->ProcessMessages();
    EXPECT_FALSE(SaveWindowBitmap(InfoForm->Handle(), "about").empty());
}

TEST_F(MainFormTest, StartUpBuildsTheTrayMenuWithTheFeedsAndFindsTheSavedFeed)
{
    rtl::CreateDir((Folder / "Newsfeeds"));
    rtl::CreateDir((Folder / "Newsfeeds\\Technik"));
    WriteTextFile(Folder / "Newsfeeds\\Technik\\heise.nfd", "http://heise.example/rss\r\n");
    WriteTextFile(Folder / "Newsfeeds\\zeit.nfd", "http://zeit.example/rss\r\n");
    Start("quorvane.exe", "[Settings]\r\nFeedName=heise\r\n");
    TMenuItem* top = MainForm->PopupMenu->Items();
    ASSERT_EQ(top->Count(), 6);
    EXPECT_EQ(top->Items(0)->Caption(), "Jetzt Aktualisieren");
    EXPECT_EQ(top->Items(5)->Caption(), "Beenden");
    TMenuItem* feeds = top->Items(1);
    EXPECT_EQ(feeds->Caption(), "Newsfeeds");
    ASSERT_EQ(feeds->Count(), 2);
    EXPECT_EQ(feeds->Items(0)->Caption(), "Technik");
    EXPECT_EQ(feeds->Items(1)->Caption(), "zeit");
    EXPECT_EQ(MainForm->FeedIconList->Count(), 3);
    EXPECT_EQ(MainForm->MenuIconsList->Count(), 7);
    EXPECT_EQ(MainForm->CurrentFeed.URL, "http://heise.example/rss");
    EXPECT_EQ(MainForm->CurrentFeed.IconIndex, 1);
    EXPECT_EQ(MainForm->UrlEdit->Text(), "http://heise.example/rss");
    EXPECT_TRUE(Ui.Messages.empty());
}

TEST_F(MainFormTest, ADamagedIconGetsTheDefaultPictureAndIsNamedInTheTooltipOnly)
{
    rtl::CreateDir((Folder / "Newsfeeds"));
    WriteTextFile(Folder / "Newsfeeds\\a.nfd", "http://a.example/\r\n");
    WriteTextFile(Folder / "Newsfeeds\\a.ico", "kein Icon");
    WriteTextFile(Folder / "Newsfeeds\\b.nfd", "http://b.example/\r\n");
    Start();
    EXPECT_TRUE(Ui.Messages.empty());
    // The build goes on past the damaged file: both feeds, each with a picture.
    TMenuItem* feeds = MainForm->PopupMenu->Items()->Items(1);
    ASSERT_EQ(feeds->Count(), 2);
    EXPECT_EQ(feeds->Items(1)->Caption(), "b");
    EXPECT_EQ(MainForm->FeedIconList->Count(), 2);
    EXPECT_EQ(MainForm->TrayIcon->Hint(), "Ungültige Icon-Datei: a.ico");
    EXPECT_TRUE(IsWindowVisible(MainForm->Handle()));
}

TEST_F(MainFormTest, AFeedFolderWithPathsTooLongAndAFolderNamedLikeAFeedStartsWithoutAMessage)
{
    rtl::CreateDir((Folder / "Newsfeeds"));
    rtl::CreateDir((Folder / "Newsfeeds\\Ordner.nfd"));
    const std::string name(std::max<int>(1, MAX_PATH - static_cast<int>((Folder / "Newsfeeds\\").size())), 'l');
    HANDLE h = CreateFileW(
        (L"\\\\?\\" + rtl::Utf8ToWide(Folder / "Newsfeeds\\") + rtl::Utf8ToWide(name + ".nfd")).c_str(),
        GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    WriteTextFile(Folder / "Newsfeeds\\a.ico", "kein Icon");
    WriteTextFile(Folder / "Newsfeeds\\a.nfd", "http://a.example/\r\n");
    Start();
    EXPECT_TRUE(Ui.Messages.empty());
    EXPECT_TRUE(MainForm->TrayIcon->Active());
    EXPECT_EQ(MainForm->TrayIcon->Hint(),
              "Ungültige Icon-Datei: a.ico\r\nPfad zu lang, übergangen: " + name + ".nfd");
    TMenuItem* feeds = MainForm->PopupMenu->Items()->Items(1);
    ASSERT_EQ(feeds->Count(), 2);
    EXPECT_EQ(feeds->Items(1)->Caption(), "Ordner.nfd");
    DeleteFileW((L"\\\\?\\" + rtl::Utf8ToWide(Folder / "Newsfeeds\\") + rtl::Utf8ToWide(name + ".nfd")).c_str());
}

// The tray icon is there before the feed folder is read: a folder whose reading stops at an error
// box (a feed file another program holds) leaves the user the icon, its menu and "Beenden".
TEST_F(MainFormTest, TheTrayIconIsThereBeforeTheFeedFolderIsRead)
{
    rtl::CreateDir((Folder / "Newsfeeds"));
    WriteTextFile(Folder / "Newsfeeds\\a.nfd", "http://a.example/\r\n");
    HANDLE lock = CreateFileW(rtl::Utf8ToWide(Folder / "Newsfeeds\\a.nfd").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    bool trayDuringBox = false;
    Ui.OnMessage = [&](const TMessageCall&) { trayDuringBox = MainForm && MainForm->TrayIcon->Active(); };
    Start();
    CloseHandle(lock);
    Ui.OnMessage = nullptr;
    ASSERT_EQ(Ui.Messages.size(), 1u);
    EXPECT_NE(Ui.Messages[0].Text.find("a.nfd"), std::string::npos) << Ui.Messages[0].Text;
    EXPECT_TRUE(trayDuringBox);
}

// The end of a Windows session ends the process without closing the window: the settings are
// written when the session really ends, not when it is only asked about or called off.
TEST_F(MainFormTest, TheEndOfTheSessionWritesTheSettings)
{
    Start();
    SendMessageW(MainForm->IntervalEdit->Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"7"));
    EXPECT_NE(SendMessageW(MainForm->Handle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), 0);
    SendMessageW(MainForm->Handle(), WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
    EXPECT_FALSE(rtl::FileExists(Folder / "quorvane.ini"));
    SendMessageW(MainForm->Handle(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_NE(Ini().find("Interval=7\r\n"), std::string::npos) << Ini();
}

// Clicks with the mouse on the about window's web address and on the Links page: only a node
// or the address opens something.
TEST_F(MainFormTest, RealClicksOpenTheWebAddressAndLinkNodesButNotEmptySpace)
{
    Start();
    // A click that opens something is waited for; one that must not is given 300 ms to do so.
    auto clickAt = [&](TWinControl* c, POINT p, bool opens = true) {
        const std::size_t before = Ui.ShellCalls.size();
        ASSERT_TRUE(MouseClick(c->Handle(), p));
        PumpUntil([&] { return Ui.ShellCalls.size() > before; }, opens ? 10000 : 300);
    };
    MainForm->AboutBtnClick(MainForm->AboutBtn);
    App->ProcessMessages();
    clickAt(InfoForm->TheURLText, POINT{5, 5});
    ASSERT_EQ(Ui.ShellCalls.size(), 1u);
    EXPECT_EQ(Ui.ShellCalls[0].File, TInfoForm::kWebAddress);
    EXPECT_EQ(Ui.ShellCalls[0].Parent, InfoForm->Handle());
    InfoForm->Hide();

    TTreeView* tree = MainForm->TreeView;
    MainForm->PageControl->SetActivePage(MainForm->NetSheet);
    HTREEITEM link = TreeView_GetChild(tree->Handle(), TreeView_GetRoot(tree->Handle()));
    RECT r = {};
    ASSERT_TRUE(TreeView_GetItemRect(tree->Handle(), link, &r, TRUE));
    clickAt(tree, POINT{r.left + 3, (r.top + r.bottom) / 2});
    ASSERT_EQ(Ui.ShellCalls.size(), 2u);
    EXPECT_EQ(Ui.ShellCalls[1].File, tree->NodeText(link));
    // Below the last node, and beside the link's text: the selected link is not opened again.
    clickAt(tree, POINT{tree->ClientWidth() / 2, tree->ClientHeight() - 3}, false);
    clickAt(tree, POINT{tree->ClientWidth() - 3, (r.top + r.bottom) / 2}, false);
    EXPECT_EQ(Ui.ShellCalls.size(), 2u);
    EXPECT_EQ(tree->Selected(), link);
}

HWND g_menuKeysTarget = nullptr;

TEST_F(MainFormTest, TheTextPagesContextMenuIsTheTrayMenu)
{
    Start("quorvane.exe", "[Settings]\r\nStart minimized=1\r\n");
    ASSERT_FALSE(IsWindowVisible(MainForm->Handle()));
    int popups = 0;
    MainForm->PopupMenu->OnPopup = [&](TObject*) { ++popups; };
    // Down to "Einstellungen ...", past the "Newsfeeds" submenu, and choose it.
    g_menuKeysTarget = MainForm->Memo->Handle();
    MovePointerAway();
    SetTimer(nullptr, 0, 200, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        for (WPARAM k : {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN})
            PostMessageW(g_menuKeysTarget, WM_KEYDOWN, k, 1);
    });
    SendMessageW(MainForm->Memo->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(MainForm->Memo->Handle()),
                 MAKELPARAM(-1, -1));
    EXPECT_EQ(popups, 1);
    EXPECT_TRUE(IsWindowVisible(MainForm->Handle()));
}

// The settings window by keyboard, with real key presses.
class SettingsKeyboardTest : public MainFormTest {
protected:
    struct TStop {
        const char* Name;
        TWinControl* Control;
    };
    void SetUp() override { Start(); }
    // Presses the key and waits for the focus to arrive at the control.
    void ExpectKeyReaches(WORD key, std::initializer_list<WORD> modifiers, const TStop& stop)
    {
        ASSERT_TRUE(PressKey(MainForm->Handle(), key, modifiers));
        EXPECT_TRUE(PumpUntil([&] { return GetFocus() == stop.Control->Handle(); }, 5000))
            << "expected on " << stop.Name << ", focus on " << WindowTextOf(GetFocus()) << " ("
            << ClassNameOf(GetFocus()) << ")";
    }
};

TEST_F(SettingsKeyboardTest, TabAndShiftTabVisitEveryControlInTheDesignsOrderAndArrowsTurnThePages)
{
    TMainForm& f = *MainForm;
    SendMessageW(f.ProxyCheckBox->Handle(), BM_CLICK, 0, 0); // the proxy fields take part when enabled
    const std::vector<std::pair<TTabSheet*, std::vector<TStop>>> pages = {
        {f.ProgramSheet,
         {{"IntervalEdit", f.IntervalEdit},
          {"MaxEntryEdit", f.MaxEntryEdit},
          {"MaxCharEdit", f.MaxCharEdit},
          {"CutChannelCheckBox", f.CutChannelCheckBox},
          {"BalloonCheck", f.BalloonCheck},
          {"BalloonWrap", f.BalloonWrap},
          {"StartMinCheck", f.StartMinCheck}}},
        {f.FeedSheet,
         {{"NameEdit", f.NameEdit},
          {"UrlEdit", f.UrlEdit},
          {"DescMemo", f.DescMemo},
          {"NewFeedBtn", f.NewFeedBtn},
          {"BitBtn1", f.BitBtn1},
          {"DeleteFeedBtn", f.DeleteFeedBtn},
          {"AddIconBtn", f.AddIconBtn},
          {"ExportFeedsBtn", f.ExportFeedsBtn}}},
        {f.ProxySheet,
         {{"ProxyCheckBox", f.ProxyCheckBox},
          {"ProxyPortEdit", f.ProxyPortEdit},
          {"ProxyHostEdit", f.ProxyHostEdit},
          {"ProxyUserEdit", f.ProxyUserEdit},
          {"ProxyPassEdit", f.ProxyPassEdit}}},
        {f.TextSheet, {{"Memo", f.Memo}}},
        {f.NetSheet, {{"TreeView", f.TreeView}}},
    };
    const TStop refresh = {"RefreshBtn", f.RefreshBtn}, ok = {"OKBtn", f.OKBtn}, about = {"AboutBtn", f.AboutBtn},
                strip = {"PageControl", f.PageControl};
    f.RefreshBtn->SetFocus();
    for (std::size_t p = 0; p < pages.size(); ++p) {
        SCOPED_TRACE(pages[p].first->Caption());
        std::vector<TStop> round = {ok, about, strip};
        round.insert(round.end(), pages[p].second.begin(), pages[p].second.end());
        round.push_back(refresh);
        for (const TStop& s : round)
            ExpectKeyReaches(VK_TAB, {}, s);
        // Back round to the tab strip, where the right arrow shows the next page.
        for (auto s = round.rbegin() + 1; s != round.rend() - 2; ++s)
            ExpectKeyReaches(VK_TAB, {VK_SHIFT}, *s);
        if (p + 1 < pages.size()) {
            const TTabSheet* next = pages[p + 1].first;
            ASSERT_TRUE(PressKey(f.Handle(), VK_RIGHT));
            EXPECT_TRUE(PumpUntil([&] { return f.PageControl->ActivePage() == next; }, 5000));
            EXPECT_TRUE(IsWindowVisible(next->Handle()));
        }
        for (const TStop& s : {about, ok, refresh})
            ExpectKeyReaches(VK_TAB, {VK_SHIFT}, s);
    }
}

TEST_F(SettingsKeyboardTest, CtrlTabTurnsThePagesFromAnywhereAndEnterPressesTheButtonTabReached)
{
    TMainForm& f = *MainForm;
    int abouts = 0, oks = 0;
    f.AboutBtn->OnClick = [&](TObject*) { ++abouts; };
    f.OKBtn->OnClick = [&](TObject*) { ++oks; };
    int changes = 0;
    f.PageControl->OnChange = [&](TObject*) { ++changes; };
    f.IntervalEdit->SetFocus();
    // The focused control goes with its page; the tab strip takes the focus. A focus outside the
    // pages stays where it is.
    const struct {
        std::initializer_list<WORD> Modifiers;
        TTabSheet* Page;
    } turns[] = {
        {{VK_CONTROL}, f.FeedSheet},
        {{VK_CONTROL, VK_SHIFT}, f.ProgramSheet},
        {{VK_CONTROL, VK_SHIFT}, f.NetSheet},
        {{VK_CONTROL}, f.ProgramSheet},
    };
    for (const auto& t : turns) {
        ASSERT_TRUE(PressKey(f.Handle(), VK_TAB, t.Modifiers));
        EXPECT_TRUE(PumpUntil([&] { return f.PageControl->ActivePage() == t.Page; }, 5000)) << t.Page->Caption();
        EXPECT_EQ(GetFocus(), f.PageControl->Handle());
    }
    EXPECT_EQ(changes, 4);
    ExpectKeyReaches(VK_TAB, {VK_SHIFT}, {"AboutBtn", f.AboutBtn});
    ASSERT_TRUE(PressKey(f.Handle(), VK_TAB, {VK_CONTROL}));
    EXPECT_TRUE(PumpUntil([&] { return f.PageControl->ActivePage() == f.FeedSheet; }, 5000));
    EXPECT_EQ(GetFocus(), f.AboutBtn->Handle());
    ASSERT_TRUE(PressKey(f.Handle(), VK_RETURN));
    EXPECT_TRUE(PumpUntil([&] { return abouts == 1; }, 5000));
    // Away from the buttons Enter is the default button's again.
    ExpectKeyReaches(VK_TAB, {}, {"PageControl", f.PageControl});
    ExpectKeyReaches(VK_TAB, {}, {"NameEdit", f.NameEdit});
    ASSERT_TRUE(PressKey(f.Handle(), VK_RETURN));
    EXPECT_TRUE(PumpUntil([&] { return oks == 1; }, 5000));
    EXPECT_EQ(abouts, 1);
}

// A label's accelerator moves the focus on from the label, to the next control that takes it.
TEST_F(SettingsKeyboardTest, EveryLabelComesRightBeforeItsField)
{
    TMainForm& f = *MainForm;
    SendMessageW(f.ProxyCheckBox->Handle(), BM_CLICK, 0, 0);
    const struct {
        TTabSheet* Page;
        const char* Label;
        TWinControl* Field;
    } labels[] = {
        {f.ProgramSheet, "Abfrageinterval", f.IntervalEdit},
        {f.ProgramSheet, "zeige nur die letzten", f.MaxEntryEdit},
        {f.ProgramSheet, "zeige maximal", f.MaxCharEdit},
        {f.ProgramSheet, "Balloontip bei", f.BalloonWrap},
        {f.ProxySheet, "Port", f.ProxyPortEdit},
        {f.ProxySheet, "Proxy Host", f.ProxyHostEdit},
        {f.ProxySheet, "Benutzer", f.ProxyUserEdit},
        {f.ProxySheet, "Passwort", f.ProxyPassEdit},
    };
    for (const auto& l : labels) {
        f.PageControl->SetActivePage(l.Page);
        HWND label = FindWindowOf("Static", l.Label, l.Page->Handle());
        ASSERT_NE(label, nullptr) << l.Label;
        // What the dialog manager sends the window for a label's accelerator.
        SendMessageW(f.Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(label), TRUE);
        SendMessageW(f.Handle(), WM_NEXTDLGCTL, 0, FALSE);
        EXPECT_EQ(GetFocus(), l.Field->Handle()) << l.Label;
        EXPECT_EQ(GetNextDlgTabItem(f.Handle(), label, FALSE), l.Field->Handle()) << l.Label;
    }
}

} // namespace
