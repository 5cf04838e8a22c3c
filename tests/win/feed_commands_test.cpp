#include "app/feed_commands.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/klip.h"
#include "image_pixels.h"
#include "program_folder.h"

namespace {

const char kUrl[] = "http://127.0.0.1:9/feed.xml";

using FeedCommandsTest = ProgramFolderTest;

// The colour of an icon drawn over the backdrop.
COLORREF IconColor(HICON icon, int x = 8, int y = 8)
{
    return DrawnPixel([&](HDC dc, const RECT&) { DrawIconEx(dc, 0, 0, icon, 16, 16, 0, nullptr, DI_NORMAL); }, x,
                      y);
}

TEST_F(FeedCommandsTest, CancellingBothPromptsCreatesFeedWithHttpThenTheDuplicateMessage)
{
    Start();
    Click(MainForm->NewFeedBtn);
    ASSERT_EQ(Ui.Prompts.size(), 2u);
    EXPECT_EQ(Ui.Prompts[0], "Neues Feed erstellen|Geben Sie einen neuen Namen ein|Feed");
    EXPECT_EQ(Ui.Prompts[1], "Neues Feed erstellen|Geben Sie den URL des Feeds ein|http://");
    EXPECT_EQ(ReadFileBytes(Feeds("Feed.nfd")), "http://\r\n");
    // The download refuses the URL "http://" with its error, shown by the application.
    ASSERT_EQ(Ui.Messages.size(), 1u);
    EXPECT_EQ(Ui.Messages[0].Caption, "Quorvane");
    EXPECT_EQ(Ui.Messages[0].Type, UINT(MB_ICONERROR | MB_OK));
    // The feed is current and shown all the same.
    EXPECT_EQ(Captions(FeedsEntry()), "Feed");
    EXPECT_EQ(MainForm->CurrentFeed.Name, "Feed");
    EXPECT_EQ(MainForm->NameEdit->Text(), "Feed");
    EXPECT_EQ(MainForm->UrlEdit->Text(), "http://");

    // Both prompts are shown again, then the duplicate message; nothing is written.
    WriteTextFile(Feeds("Feed.nfd"), "http://alt.example/\r\n");
    Ui.Messages.clear();
    Click(MainForm->NewFeedBtn);
    EXPECT_EQ(Ui.Prompts.size(), 4u);
    ASSERT_EQ(Ui.Messages.size(), 1u);
    EXPECT_EQ(Ui.Messages[0].Text, "Dieses Newsfeed besteht bereits");
    EXPECT_EQ(Ui.Messages[0].Type, UINT(MB_ICONERROR | MB_OK));
    EXPECT_EQ(ReadFileBytes(Feeds("Feed.nfd")), "http://alt.example/\r\n");
    EXPECT_EQ(Listing(Feeds()), "Feed.nfd");
}

TEST_F(FeedCommandsTest, ATypedNameIsMadeSafeAndTheNewFeedIsShownListedAndDownloaded)
{
    Feed("zeit.nfd", "http://zeit.example/rss");
    Start("zeit");
    Ui.PromptAnswers = {{true, "a/b:c*d?e"}, {true, kUrl}};
    Click(MainForm->NewFeedBtn);

    EXPECT_EQ(ReadFileBytes(Feeds("a-b-c+d e.nfd")), std::string(kUrl) + "\r\n");
    EXPECT_EQ(Captions(FeedsEntry()), "a-b-c+d e zeit");
    TMenuItem* entry = Entry(FeedsEntry(), "a-b-c+d e");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(MainForm->CurrentFeed.Name, "a-b-c+d e");
    EXPECT_EQ(MainForm->CurrentFeed.URL, kUrl);
    EXPECT_EQ(MainForm->CurrentFeed.IconIndex, entry->Tag() - 101);
    EXPECT_EQ(MainForm->NameEdit->Text(), "a-b-c+d e");
    EXPECT_EQ(MainForm->UrlEdit->Text(), kUrl);
    EXPECT_EQ(MainForm->DescMemo->Text(), "");
    // The download of the new URL started at once.
    EXPECT_EQ(MainForm->AdvHttp->URL(), kUrl);
    EXPECT_TRUE(MainForm->Refresh->Fetching());
    EXPECT_EQ(MainForm->TrayIcon->Hint(), "Verbinde mit Server ...");
    // The page shows the new feed's picture: the default one, as it has no icon file.
    TIconHandle shown(CopyIcon(MainForm->FeedIconImage->Icon()));
    ASSERT_TRUE(shown);
    EXPECT_EQ(IconColor(shown.Get(), 1, 1), IconColor(MainForm->TheIcon->Icon(), 1, 1));
    Stop();
    EXPECT_NE(ReadFileBytes(Folder / "quorvane.ini").find("FeedName=a-b-c+d e\r\n"), std::string::npos);
}

// A name in any script is a file of that name, an entry and the Feed page's text; the icon and
// the delete find its files. An address that is not plain ASCII is written as UTF-8 with a mark.
TEST_F(FeedCommandsTest, FeedsNamedInAnyScriptAreCreatedShownGivenAnIconAndDeleted)
{
    const struct {
        const char *Name, *Url, *FileBytes;
    } cases[] = {{"Новости", kUrl, "http://127.0.0.1:9/feed.xml\r\n"},
                 {"ニュース", "http://例え.テスト/ニュース", "\xEF\xBB\xBFhttp://例え.テスト/ニュース\r\n"}};
    WriteTextFile(Folder / "rot.ico", SolidIco(RGB(200, 0, 0)));
    Start();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string name = c.Name;
        Ui.PromptAnswers = {{true, name}, {true, c.Url}};
        Click(MainForm->NewFeedBtn);
        EXPECT_EQ(ReadFileBytes(Feeds(name + ".nfd")), c.FileBytes);
        EXPECT_EQ(Captions(FeedsEntry()), name);
        EXPECT_EQ(MainForm->CurrentFeed.Name, name);
        EXPECT_EQ(MainForm->CurrentFeed.URL, c.Url);
        EXPECT_EQ(MainForm->NameEdit->Text(), name);
        EXPECT_EQ(MainForm->UrlEdit->Text(), c.Url);
        // The same name in other letter case is the same file.
        Ui.PromptAnswers = {{true, name == "Новости" ? "НОВОСТИ" : name}, {true, c.Url}};
        Ui.Messages.clear();
        Click(MainForm->NewFeedBtn);
        ASSERT_EQ(Ui.Messages.size(), 1u);
        EXPECT_EQ(Ui.Messages[0].Text, "Dieses Newsfeed besteht bereits");

        Ui.FileAnswers = {{true, Folder / "rot.ico"}};
        Click(MainForm->AddIconBtn);
        EXPECT_EQ(ReadFileBytes(Feeds(name + ".ico")), SolidIco(RGB(200, 0, 0)));
        Ui.MessageAnswers = {IDYES};
        Ui.Messages.clear();
        Click(MainForm->DeleteFeedBtn);
        ASSERT_EQ(Ui.Messages.size(), 1u);
        EXPECT_EQ(Ui.Messages[0].Text, "Soll das Newsfeed \"" + name + "\" gelöscht werden?");
        EXPECT_EQ(Listing(Feeds()), "");
    }
}

TEST_F(FeedCommandsTest, OnlyAFileDirectlyInTheFeedFolderBlocksTheName)
{
    Dir("Technik");
    Feed("Technik\\heise.nfd", "http://heise.example/rss");
    Feed("zeit.nfd", "http://zeit.example/rss");
    Start();
    Ui.PromptAnswers = {{true, "heise"}, {true, kUrl}, {true, "ZEIT"}, {true, kUrl}};
    Click(MainForm->NewFeedBtn);
    EXPECT_EQ(ReadFileBytes(Feeds("heise.nfd")), std::string(kUrl) + "\r\n");
    EXPECT_EQ(ReadFileBytes(Feeds("Technik\\heise.nfd")), "http://heise.example/rss\r\n");
    // The top-level entry is the new feed, not the one in the sub-folder.
    EXPECT_EQ(MainForm->CurrentFeed.URL, kUrl);
    EXPECT_TRUE(Ui.Messages.empty()) << MessageTexts();

    // The file system ignores letter case, so "ZEIT" is "zeit.nfd".
    Click(MainForm->NewFeedBtn);
    ASSERT_EQ(Ui.Messages.size(), 1u);
    EXPECT_EQ(Ui.Messages[0].Text, "Dieses Newsfeed besteht bereits");
    EXPECT_EQ(ReadFileBytes(Feeds("zeit.nfd")), "http://zeit.example/rss\r\n");
}

TEST_F(FeedCommandsTest, NamesTheStoreWouldNeverListAreRefusedAndNothingIsWritten)
{
    Feed("zeit.nfd", "http://zeit.example/rss");
    Start("zeit");
    const std::string before = Listing(Feeds());
    const char* const names[] = {"", ".versteckt", "..\\..\\raus", "CON", "nul.txt"};
    for (const char* name : names) {
        Ui.Messages.clear();
        Ui.PromptAnswers = {{true, name}, {true, kUrl}};
        Click(MainForm->NewFeedBtn);
        ASSERT_EQ(Ui.Messages.size(), 1u) << name;
        EXPECT_EQ(Ui.Messages[0].Type, UINT(MB_ICONERROR | MB_OK));
        EXPECT_EQ(Ui.Messages[0].Text.rfind("Der Name \"", 0), 0u) << Ui.Messages[0].Text;
        EXPECT_NE(Ui.Messages[0].Text.find("nicht mit \".\" beginnen"), std::string::npos);
        // The message names the name as it was made safe.
        EXPECT_NE(Ui.Messages[0].Text.find("\"" + SanitizeFeedName(name) + "\""), std::string::npos);
    }
    EXPECT_EQ(Listing(Feeds()), before);
    EXPECT_EQ(Listing(Folder.Path()), "Newsfeeds quorvane.ini");
    EXPECT_EQ(MainForm->CurrentFeed.Name, "zeit");
    EXPECT_EQ(MainForm->CurrentFeed.URL, "http://zeit.example/rss");
}

TEST_F(FeedCommandsTest, WithoutAFeedFolderTheFileErrorIsShownAndNothingChanges)
{
    Feed("zeit.nfd", "http://zeit.example/rss");
    Start("zeit");
    TTempFolder::RemoveTree(Feeds());
    Ui.PromptAnswers = {{true, "neu"}, {true, kUrl}};
    Click(MainForm->NewFeedBtn);
    ASSERT_EQ(Ui.Messages.size(), 1u);
    EXPECT_NE(Ui.Messages[0].Text.find("neu.nfd"), std::string::npos) << Ui.Messages[0].Text;
    EXPECT_FALSE(rtl::DirectoryExists(Feeds()));
    EXPECT_EQ(Captions(FeedsEntry()), "zeit");
    EXPECT_EQ(MainForm->CurrentFeed.Name, "zeit");
    EXPECT_EQ(MainForm->AdvHttp->URL(), "http://zeit.example/rss");
}

TEST_F(FeedCommandsTest, DeletingAsksWithTheNameAndNoChangesNothing)
{
    Feed("zeit.nfd", "http://zeit.example/rss");
    WriteTextFile(Feeds("zeit.ico"), SolidIco(RGB(200, 0, 0)));
    Start("zeit");
    Click(MainForm->DeleteFeedBtn);
    ASSERT_EQ(Ui.Messages.size(), 1u);
    EXPECT_EQ(Ui.Messages[0].Text, "Soll das Newsfeed \"zeit\" gelöscht werden?");
    EXPECT_EQ(Ui.Messages[0].Type, UINT(MB_ICONQUESTION | MB_YESNO));
    EXPECT_EQ(Listing(Feeds()), "zeit.ico zeit.nfd");
    EXPECT_EQ(Captions(FeedsEntry()), "zeit");
    EXPECT_EQ(MainForm->CurrentFeed.IconIndex, 0);
}

TEST_F(FeedCommandsTest, DeletingRemovesTheFeedFileAndTheIconBesideItAndKeepsTheCurrentFeed)
{
    Dir("Technik");
    Dir("Bilder");
    Feed("Technik\\heise.nfd", kUrl);
    WriteTextFile(Feeds("Technik\\heise.ico"), SolidIco(RGB(0, 0, 200)));
    WriteTextFile(Feeds("Bilder\\heise.ico"), SolidIco(RGB(200, 0, 0)));
    Feed("zeit.nfd", "http://zeit.example/rss");
    Start("heise");
    ASSERT_EQ(MainForm->CurrentFeed.URL, kUrl);
    const int shellCalls = int(Ui.ShellCalls.size());
    Ui.MessageAnswers = {IDYES};
    MainForm->Memo->SetText("Zuletzt geladen");
    Click(MainForm->DeleteFeedBtn);

    EXPECT_EQ(Listing(Feeds("Technik\\")), "");
    EXPECT_EQ(Listing(Feeds("Bilder\\")), "heise.ico"); // another folder's file of that name
    EXPECT_EQ(Listing(Feeds()), "Bilder Technik zeit.nfd");
    EXPECT_EQ(Captions(FeedsEntry()), "Bilder Technik zeit");
    EXPECT_EQ(Captions(Entry(FeedsEntry(), "Technik")), "");
    // The current feed and the page stay; the text page is not emptied by a delete.
    EXPECT_EQ(MainForm->CurrentFeed.Name, "heise");
    EXPECT_EQ(MainForm->CurrentFeed.URL, kUrl);
    EXPECT_EQ(MainForm->NameEdit->Text(), "heise");
    EXPECT_EQ(MainForm->UrlEdit->Text(), kUrl);
    EXPECT_EQ(int(Ui.ShellCalls.size()), shellCalls);
    EXPECT_EQ(Ui.Messages.size(), 1u) << MessageTexts();

    // "Aktualisieren" still downloads the deleted feed's URL.
    MainForm->AdvHttp->SetURL("http://anders.example/");
    Click(MainForm->RefreshBtn);
    EXPECT_EQ(MainForm->AdvHttp->URL(), kUrl);
    EXPECT_TRUE(MainForm->Refresh->Fetching());
}

TEST_F(FeedCommandsTest, AfterADeleteTheTrayShowsNoOtherFeedsIcon)
{
    // a and b: a's picture is the default one, b's is red. After a is deleted, b takes a's old
    // place in the rebuilt icon list.
    Feed("a.nfd", kUrl);
    Feed("b.nfd", "http://b.example/");
    WriteTextFile(Feeds("b.ico"), SolidIco(RGB(200, 0, 0)));
    Start("a");
    ASSERT_EQ(MainForm->CurrentFeed.IconIndex, 0);
    Ui.MessageAnswers = {IDYES};
    Click(MainForm->DeleteFeedBtn);
    ASSERT_EQ(Captions(FeedsEntry()), "b");
    ASSERT_EQ(IconColor(TIconHandle(MainForm->FeedIconList->GetIcon(0)).Get()), RGB(200, 0, 0));

    Click(MainForm->RefreshBtn);
    ASSERT_EQ(MainForm->TrayIconList->Count(), 3);
    TIconHandle plain(MainForm->TrayIconList->GetIcon(0));
    EXPECT_NE(IconColor(plain.Get()), RGB(200, 0, 0));
    EXPECT_EQ(IconColor(plain.Get(), 1, 1), IconColor(MainForm->TheIcon->Icon(), 1, 1));
    EXPECT_EQ(IconColor(plain.Get(), 8, 8), IconColor(MainForm->TheIcon->Icon(), 8, 8));
}

TEST_F(FeedCommandsTest, IconAndDeleteActOnTheCurrentFeedsOwnFilesNotOnAnotherOfItsName)
{
    // Two feeds "x" of one URL, in A (green) and B (blue). The file searches by name find only
    // one of them, whichever the platform lists last; each in turn is made current.
    const COLORREF red = RGB(200, 0, 0), green = RGB(0, 160, 0), blue = RGB(0, 0, 200);
    WriteTextFile(Folder / "rot.ico", SolidIco(red));
    for (const std::string current : {"A", "B"}) {
        SCOPED_TRACE(current);
        const std::string other = current == "A" ? "B" : "A";
        App.reset();
        TTempFolder::RemoveTree(Feeds());
        rtl::CreateDir(Feeds());
        for (const std::string d : {"A", "B"}) {
            Dir(d);
            Feed(d + "\\x.nfd", kUrl);
            WriteTextFile(Feeds(d + "\\x.ico"), SolidIco(d == "A" ? green : blue));
        }
        Start();
        Entry(Entry(FeedsEntry(), current), "x")->Click();
        const std::string kept = ReadFileBytes(Feeds(other + "\\x.ico"));

        // The replace question is asked for the current feed's own icon, which is replaced.
        Ui.MessageAnswers = {IDYES};
        Ui.FileAnswers = {{true, Folder / "rot.ico"}};
        Click(MainForm->AddIconBtn);
        EXPECT_EQ(ReadFileBytes(Feeds(current + "\\x.ico")), SolidIco(red));
        EXPECT_EQ(ReadFileBytes(Feeds(other + "\\x.ico")), kept);

        // A feed listed before both from the next rebuild on shifts every later index.
        Feed("0neu.nfd", "http://neu.example/");
        Ui.MessageAnswers = {IDYES};
        Click(MainForm->DeleteFeedBtn);
        EXPECT_EQ(Listing(Feeds(current + "\\")), "");
        EXPECT_EQ(Listing(Feeds(other + "\\")), "x.ico x.nfd");
        EXPECT_EQ(MainForm->CurrentFeed.Name, "x");
        // The other feed of the same name and URL gives the current feed its picture.
        TMenuItem* still = Entry(Entry(FeedsEntry(), other), "x");
        ASSERT_NE(still, nullptr);
        EXPECT_EQ(MainForm->CurrentFeed.IconIndex, still->Tag() - 101);
        EXPECT_EQ(IconColor(TIconHandle(MainForm->FeedIconList->GetIcon(MainForm->CurrentFeed.IconIndex)).Get()),
                  other == "A" ? green : blue);
        rtl::DeleteFile(Feeds("0neu.nfd"));
        EXPECT_EQ(Ui.Messages.size(), 2u) << MessageTexts();
        Ui.Messages.clear();
    }
}

TEST_F(FeedCommandsTest, NothingFoundToDeleteStillRebuildsTheMenu)
{
    Feed("zeit.nfd", "http://zeit.example/rss");
    Start("weg");
    Feed("neu.nfd", kUrl);
    Ui.MessageAnswers = {IDYES};
    Click(MainForm->DeleteFeedBtn);
    EXPECT_EQ(Ui.Messages.size(), 1u);
    EXPECT_EQ(Captions(FeedsEntry()), "neu zeit");
    EXPECT_EQ(Listing(Feeds()), "neu.nfd zeit.nfd");
}

TEST_F(FeedCommandsTest, TheFeedPictureOpensOnlyTheChannelsWebLink)
{
    Feed("zeit.nfd", kUrl);
    Start("zeit");
    const std::size_t calls = Ui.ShellCalls.size();
    // Before a completed refresh the first entry is "Jetzt Aktualisieren", with no link.
    MainForm->FeedIconImage->Click();
    EXPECT_EQ(Ui.ShellCalls.size(), calls);

    auto complete = [](const std::string& link) {
        MainForm->Refresh->ProcessDocument("<rss><channel><title>Kanal</title><link>" + link +
                                           "</link><description>D</description><item><title>Eins</title><link>"
                                           "http://x.example/1</link></item></channel></rss>");
        MainForm->BalloonHint->HideBalloon();
    };
    complete(" http://zeit.example/ ");
    ASSERT_EQ(MainForm->PopupMenu->Items()->Items(0)->Caption(), "Kanal");
    // A real click on the picture.
    SendMessageW(MainForm->FeedIconImage->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    SendMessageW(MainForm->FeedIconImage->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    ASSERT_EQ(Ui.ShellCalls.size(), calls + 1);
    EXPECT_EQ(Ui.ShellCalls.back().Verb, "open");
    EXPECT_EQ(Ui.ShellCalls.back().File, "http://zeit.example/");
    EXPECT_EQ(Ui.ShellCalls.back().Show, SW_SHOW);
    EXPECT_EQ(Ui.ShellCalls.back().Parent, MainForm->Handle());

    // A link from the network that names a program or a file is not handed to the shell.
    for (const char* link : {"C:\\Windows\\notepad.exe", "file:///C:/boot.ini", "\\\\server\\share\\x.exe"}) {
        complete(link);
        MainForm->FeedIconImage->Click();
    }
    EXPECT_EQ(Ui.ShellCalls.size(), calls + 1);
}

TEST_F(FeedCommandsTest, ScreenshotsOfThePromptsAndTheConfirmation)
{
    // The real prompts and message box, photographed once they are up and then dismissed: the
    // first prompt closed (its default stands), a URL typed into the second, the confirmation
    // answered No.
    Feed("zeit.nfd", kUrl);
    Start("zeit");
    SetPlatformUi(nullptr);
    static std::vector<std::string> shots;
    shots.clear();
    UINT_PTR timer = SetTimer(nullptr, 0, 400, [](HWND, UINT, UINT_PTR, DWORD) {
        static const char* const names[] = {"feed_prompt_name", "feed_prompt_url", "feed_confirm_delete"};
        HWND prompt = FindWindowOf("TInputQueryForm");
        HWND box = FindWindowOf("#32770");
        HWND shown = prompt && IsWindowVisible(prompt) ? prompt : box;
        if (!shown || shots.size() >= 3)
            return;
        RedrawWindow(shown, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        shots.push_back(SaveWindowBitmap(shown, names[shots.size()]));
        if (shown == prompt && shots.size() == 1) {
            PostMessageW(prompt, WM_CLOSE, 0, 0);
        } else if (shown == prompt) {
            SetWindowTextUtf8(FindWindowOf("Edit", "", prompt), kUrl);
            PostMessageW(FindWindowOf("Button", "OK", prompt), BM_CLICK, 0, 0);
        } else
            PostMessageW(box, WM_COMMAND, IDNO, 0);
    });
    MainForm->NewFeedBtnClick(MainForm->NewFeedBtn);
    MainForm->DelteFeedBtnClick(MainForm->DeleteFeedBtn);
    KillTimer(nullptr, timer);
    SetPlatformUi(&Ui);
    ASSERT_EQ(shots.size(), 3u);
    for (const std::string& s : shots)
        EXPECT_FALSE(s.empty());
    // The closed prompt gave its default, the other the typed URL; No deleted nothing.
    EXPECT_EQ(ReadFileBytes(Feeds("Feed.nfd")), std::string(kUrl) + "\r\n");
    EXPECT_EQ(MainForm->CurrentFeed.Name, "Feed");
    EXPECT_TRUE(rtl::FileExists(Feeds("zeit.nfd")));
}

} // namespace
