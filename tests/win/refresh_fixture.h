#pragma once
// The refresh tests' fixture: the real main window in a temporary program folder, with one feed
// whose document the loopback server serves.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "gui/application.h"
#include "http_test_support.h"
#include "rtl/files.h"
#include "test_support.h"
#include "tray/balloon_window.h"

// In the unnamed namespace, like each test file's own helpers: these names hide other helpers'.
namespace {

inline const TLoopbackServer& Server()
{
    return LoopbackServer();
}
inline std::string Url(const std::string& path)
{
    return Server().Url(path);
}

inline std::string Rss(const std::vector<std::string>& titles, const std::string& channel = "Testkanal",
                       const std::string& description = "Beschreibung des Kanals")
{
    std::string doc = "<?xml version=\"1.0\"?>\r\n<rss version=\"2.0\"><channel><title>" + channel +
                      "</title><link>http://example.invalid/</link><description>" + description +
                      "</description>\r\n";
    int n = 0;
    for (const std::string& t : titles)
        doc += "<item><title>" + t + "</title><link>http://example.invalid/" + std::to_string(++n) +
               "</link><description>Text zu " + t + "</description></item>\r\n";
    return doc + "</channel></rss>\r\n";
}

// A real tick of the refresh timer, soon; true once it has run (the refresh puts back the interval).
inline bool Tick(TMainForm& f)
{
    f.Timer->SetInterval(50);
    return PumpUntil([&f] { return f.Timer->Interval() != 50; });
}

class RefreshCycleTest : public testing::Test {
protected:
    TTempFolder Folder{"qv_refresh"};
    TScriptedUi Ui;
    std::unique_ptr<TApplication> App;
    std::string DocName;

    void SetUp() override
    {
        ASSERT_NE(Server().Port, 0) << "the loopback server is not running";
        DocName = "refresh_" + TestTag() + ".xml";
        rtl::CreateDir((Folder / "Newsfeeds"));
    }
    void TearDown() override
    {
        App.reset();
        rtl::DeleteFile((Server().DocsFolder + DocName));
        rtl::SetProgramFileNameOverride("");
    }
    void Serve(const std::string& document) { WriteTextFile(Server().DocsFolder + DocName, document); }
    // Starts the program with one feed, "Test", pointing at url (the served document by default).
    void Start(const std::string& url = "", const std::string& extraIni = "")
    {
        WriteTextFile(Folder / "Newsfeeds\\Test.nfd", (url.empty() ? Url("/docs/" + DocName) : url) + "\r\n");
        WriteTextFile(Folder / "quorvane.ini", "[Settings]\r\nFeedName=Test\r\n" + extraIni);
        App = StartProgramAt(Folder / "quorvane.exe");
    }
    TMainForm& F() { return *MainForm; }
    // Runs the message loop until the download started last has ended.
    bool WaitForRefresh(DWORD timeoutMs = 15000)
    {
        PumpUntil([this] { return !F().Refresh->Fetching(); }, timeoutMs);
        App->ProcessMessages();
        return !F().Refresh->Fetching();
    }
    // An address on the loopback server that names a user, as the address of a feed behind a
    // login does.
    static std::string UserUrl(const std::string& path)
    {
        return "http://u@127.0.0.1:" + std::to_string(Server().Port) + path;
    }
    // The user's refresh with the settings window's button, once the download before has ended;
    // returns the credentials dialog it brings up, nullptr when none comes.
    HWND RefreshIntoDialog()
    {
        WaitForRefresh();
        SendMessageW(F().RefreshBtn->Handle(), BM_CLICK, 0, 0);
        HWND dialog = nullptr;
        PumpUntil([&dialog] { return (dialog = FindOwnDialog()) != nullptr; }, 5000);
        return dialog;
    }
    std::string Caption(int position) { return F().PopupMenu->Items()->Items(position)->Caption(); }
    bool BalloonShown()
    {
        TBalloonWindowEx* w = F().BalloonHint->BalloonWindow();
        return w && w->Handle() && IsWindowVisible(w->Handle());
    }
};

} // namespace
