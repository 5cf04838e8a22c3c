// OPML lists through "Klip importieren ..." and "Feeds exportieren ..." as the user takes them:
// the button, the file dialog, the files in the feed folder, the "Newsfeeds" submenu and the
// message at the end.
#include <windows.h>
#include <commdlg.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "app/feed_store.h"
#include "app/menu_tags.h"
#include "app/opml_reader.h"
#include "program_folder.h"

namespace {

class OpmlImportTest : public ProgramFolderTest {
protected:
    // Lets the open dialog pick a file of that content, then clicks "Klip importieren ...".
    void Import(const std::string& content)
    {
        const std::string path = Picked / "abos.opml";
        WriteTextFile(path, content);
        Ui.FileAnswers.push_back({true, path});
        Click(MainForm->BitBtn1);
    }
    // Lets the save dialog name a file, then clicks "Feeds exportieren ..."; the file written.
    std::string Export()
    {
        const std::string path = Picked / "export.opml";
        Ui.FileAnswers.push_back({true, path});
        Click(MainForm->ExportFeedsBtn);
        return rtl::FileExists(path) ? ReadFileBytes(path) : std::string();
    }

    TTempFolder Picked{"qv_opml"};
};

std::string List(const std::string& outlines)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<opml version=\"1.0\"><head><title>Abos</title></head>"
           "<body>\n" +
           outlines + "\n</body></opml>\n";
}

// Every feed file below folder with its address and every sub-folder, one per line, sorted: the
// feed folder as a user finds it in the file manager.
void Tree(const std::string& folder, const std::string& prefix, std::vector<std::string>& lines)
{
    rtl::ForEachFileEntry(folder + "*", [&](const rtl::TFileEntry& e) {
        if (e.Name == "." || e.Name == "..")
            return true;
        if (e.IsDirectory()) {
            lines.push_back(prefix + e.Name + "\\");
            Tree(folder + e.Name + "\\", prefix + e.Name + "\\", lines);
        } else {
            std::string content = ReadFileBytes(folder + e.Name);
            if (content.size() >= 2 && content.compare(content.size() - 2, 2, "\r\n") == 0)
                content.resize(content.size() - 2); // the one line end a feed file has
            lines.push_back(prefix + e.Name + " = " + content);
        }
        return true;
    });
}
std::string Tree(const std::string& folder)
{
    std::vector<std::string> lines;
    Tree(folder, "", lines);
    std::sort(lines.begin(), lines.end());
    std::string s;
    for (const std::string& l : lines)
        s += l + "\n";
    return s;
}

// The shapes other readers write: flat and in folders, "&amp;" in titles, only a text, no title
// at all, names in other scripts, names that are no file names, addresses twice and addresses
// the store has, a name the folder has already.
TEST_F(OpmlImportTest, EveryNewFeedBecomesAFileInItsFolderAndOneMessageCounts)
{
    Feed("Zeit.nfd", "http://zeit.example/rss");
    Feed("Heise.nfd", "http://heise.example/atom");
    Start("Zeit");
    const int iconBefore = MainForm->CurrentFeed.IconIndex;
    const std::string urlBefore = MainForm->AdvHttp->URL();
    Import(List(R"(<outline text="Tom &amp; Jerry" xmlUrl="http://tj.example/feed"/>
<outline text="Nachrichten" title="Nachrichten">
  <outline type="rss" text="x" title="Новости" xmlUrl="http://novosti.example/rss" htmlUrl="http://novosti.example/"/>
  <outline type="rss" title="a/b:c*d?e" xmlUrl="http://unsafe.example/rss"/>
  <outline type="rss" xmlUrl="https://no-title.example/path/feed.xml"/>
  <outline text="Technik"><outline text="Heise" xmlUrl="http://heise2.example/rss"/></outline>
</outline>
<outline text="Heise" xmlUrl="http://heise-neu.example/rss"/>
<outline text="Nochmal Zeit" xmlUrl="http://zeit.example/rss"/>
<outline text="Tom zweimal" xmlUrl="http://tj.example/feed"/>
<outline text="CON" xmlUrl="http://device.example/rss"/>)"));

    EXPECT_EQ(Tree(Feeds()), "Heise 2.nfd = http://heise-neu.example/rss\n"
                             "Heise.nfd = http://heise.example/atom\n"
                             "Nachrichten\\\n"
                             "Nachrichten\\Technik\\\n"
                             "Nachrichten\\Technik\\Heise.nfd = http://heise2.example/rss\n"
                             "Nachrichten\\a-b-c+d e.nfd = http://unsafe.example/rss\n"
                             "Nachrichten\\no-title.example.nfd = https://no-title.example/path/feed.xml\n"
                             "Nachrichten\\Новости.nfd = http://novosti.example/rss\n"
                             "Tom & Jerry.nfd = http://tj.example/feed\n"
                             "Zeit.nfd = http://zeit.example/rss\n"
                             "device.example.nfd = http://device.example/rss\n");
    ASSERT_EQ(Ui.Messages.size(), 1u) << MessageTexts();
    EXPECT_EQ(Ui.Messages[0].Text, "7 Feeds importiert, 2 Feeds übersprungen (schon vorhanden).");
    EXPECT_EQ(Ui.Messages[0].Type & MB_ICONMASK, UINT(MB_ICONINFORMATION));
    // The tray's submenu lists them; the current feed stays current and is not fetched again.
    TMenuItem* folder = Entry(FeedsEntry(), "Nachrichten");
    ASSERT_NE(folder, nullptr);
    EXPECT_NE(Entry(folder, "Новости"), nullptr);
    ASSERT_NE(Entry(folder, "Technik"), nullptr);
    EXPECT_NE(Entry(Entry(folder, "Technik"), "Heise"), nullptr);
    EXPECT_NE(Entry(FeedsEntry(), "Heise 2"), nullptr);
    EXPECT_EQ(MainForm->CurrentFeed.Name, "Zeit");
    EXPECT_EQ(MainForm->NameEdit->Text(), "Zeit");
    EXPECT_EQ(MainForm->AdvHttp->URL(), urlBefore);
    TMenuItem* zeit = Entry(FeedsEntry(), "Zeit");
    ASSERT_NE(zeit, nullptr);
    EXPECT_EQ(MainForm->CurrentFeed.IconIndex, FeedImageOfTag(zeit->Tag()));
    EXPECT_NE(MainForm->CurrentFeed.IconIndex, iconBefore) << "the list was renumbered, so the index must be new";
}

TEST_F(OpmlImportTest, ADamagedOrEnormousListChangesNothing)
{
    const std::string good = List(R"(<outline text="A" xmlUrl="http://a.example/"/>)");
    const struct {
        std::string file;
        const char* message; // part of the one message
    } cases[] = {
        {good.substr(0, good.size() / 2 + 20), "beschädigt"},
        {List("<outline text=\"A\" xmlUrl=\"http://a.example/\">"), "beschädigt"},
        {List("") + std::string(opml::kMaxOpmlBytes, ' '), "zu groß"},
    };
    Feed("Zeit.nfd", "http://zeit.example/rss");
    Start("Zeit");
    for (const auto& c : cases) {
        Ui.Messages.clear();
        Import(c.file);
        ASSERT_EQ(Ui.Messages.size(), 1u) << MessageTexts();
        EXPECT_NE(Ui.Messages[0].Text.find(c.message), std::string::npos) << Ui.Messages[0].Text;
        EXPECT_EQ(Ui.Messages[0].Type & MB_ICONMASK, UINT(MB_ICONERROR));
        EXPECT_EQ(Tree(Feeds()), "Zeit.nfd = http://zeit.example/rss\n");
        EXPECT_EQ(Captions(FeedsEntry()), "Zeit");
    }
}

TEST_F(OpmlImportTest, TheExportImportedIntoAnEmptyProgramGivesTheSameFeedsAndFolders)
{
    Feed("Zeit.nfd", "http://zeit.example/rss");
    Dir("Technik");
    Feed("Technik\\Heise & Co.nfd", "http://heise.example/atom?a=1&b=2");
    Dir("Technik\\Tief");
    Feed("Technik\\Tief\\Σ Ελληνικά.nfd", "http://gr.example/rss");
    Dir("Leer");
    Start("Zeit");
    const std::string exported = Export();
    ASSERT_EQ(Ui.FileRequests.size(), 1u);
    const TOpenFileRequest& r = Ui.FileRequests[0];
    EXPECT_TRUE(r.Save);
    EXPECT_EQ(r.Title, "Feeds exportieren ...");
    EXPECT_EQ(r.Filter, "OPML|*.opml|Alle Dateien|*.*");
    EXPECT_EQ(r.DefaultExt, "opml");
    EXPECT_TRUE(r.Options & OFN_OVERWRITEPROMPT);
    EXPECT_EQ(exported.compare(0, 38, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"), 0) << exported;
    EXPECT_NE(exported.find("<opml version=\"2.0\">"), std::string::npos);
    const std::string before = Tree(Feeds());
    Stop();

    TTempFolder fresh{"qv_opml_fresh"};
    rtl::CreateDir(fresh / "Newsfeeds");
    WriteTextFile(fresh / "quorvane.ini", "[Settings]\r\nStart minimized=0");
    App = StartProgramAt(fresh / "quorvane.exe");
    App->ProcessMessages();
    Import(exported);
    EXPECT_EQ(Tree(fresh / "Newsfeeds\\"), before);
    ASSERT_EQ(Ui.Messages.size(), 1u) << MessageTexts();
    EXPECT_EQ(Ui.Messages[0].Text, "3 Feeds importiert.");
    // The submenu built after the import holds every address as the files do.
    EXPECT_EQ(Export(), exported);
}

// Titles longer than a path may be: the feed and the folder are named by as much of the title as
// fits (Windows refuses a path of MAX_PATH characters, and the store would skip it), never left
// out or refused.
TEST_F(OpmlImportTest, TitlesTooLongForAPathAreCutToFit)
{
    Start();
    const std::string ring(300, 'R'), folder(300, 'O');
    Import(List("<outline text=\"" + ring + "\" xmlUrl=\"http://ring.example/rss\"/>\n<outline text=\"" + folder +
                "\"><outline text=\"" + ring + "\" xmlUrl=\"http://tief.example/rss\"/></outline>"));
    ASSERT_EQ(Ui.Messages.size(), 1u) << MessageTexts();
    EXPECT_EQ(Ui.Messages[0].Text, "2 Feeds importiert.");
    const std::string tree = Tree(Feeds());
    std::vector<std::string> paths; // the feed files' full paths, from the lines "path = address"
    for (const std::string& line : SplitLines(tree))
        if (line.find(" = ") != std::string::npos)
            paths.push_back(Feeds() + line.substr(0, line.find(" = ")));
    ASSERT_EQ(paths.size(), 2u) << tree;
    for (const std::string& p : paths) {
        EXPECT_LT(p.size(), std::size_t(MAX_PATH)) << p;
        EXPECT_GT(p.size(), std::size_t(MAX_PATH - 20)) << "as much of the title as fits: " << p;
    }
    const TMenuItem* sub = nullptr;
    for (int i = 0; i < FeedsEntry()->Count(); ++i)
        if (!IsFeedEntry(FeedsEntry()->Items(i)))
            sub = FeedsEntry()->Items(i);
    ASSERT_NE(sub, nullptr) << Captions(FeedsEntry());
    EXPECT_EQ(sub->Caption().find_first_not_of('O'), std::string::npos);
    ASSERT_EQ(sub->Count(), 1);
    EXPECT_EQ(sub->Items(0)->Hint(), "http://tief.example/rss");
}

// The folder's listing cannot tell every name the platform holds in other letter case: the file
// system decides when the file is made, and the new feed gets the next number. An address in
// another script goes into the file with its mark and into the menu without it.
TEST_F(OpmlImportTest, ANameTakenInOtherLetterCaseGetsANumberAndTheMenuEveryAddress)
{
    Feed("НОВОСТИ.nfd", "http://alt.example/rss");
    Start("НОВОСТИ");
    Import(List(R"(<outline text="Новости" xmlUrl="http://novosti.example/rss"/>
<outline text="Bücher" xmlUrl="http://bücher.example/feed"/>)"));
    EXPECT_EQ(Tree(Feeds()), "Bücher.nfd = \xEF\xBB\xBFhttp://bücher.example/feed\n"
                             "НОВОСТИ.nfd = http://alt.example/rss\n"
                             "Новости 2.nfd = http://novosti.example/rss\n");
    const struct {
        const char* caption;
        const char* address;
    } entries[] = {{"НОВОСТИ", "http://alt.example/rss"},
                   {"Новости 2", "http://novosti.example/rss"},
                   {"Bücher", "http://bücher.example/feed"}};
    for (const auto& e : entries) {
        const TMenuItem* entry = Entry(FeedsEntry(), e.caption);
        ASSERT_NE(entry, nullptr) << e.caption;
        EXPECT_EQ(entry->Hint(), e.address);
    }
}

TEST_F(OpmlImportTest, ACancelledSaveDialogWritesNothing)
{
    Feed("Zeit.nfd", "http://zeit.example/rss");
    Start("Zeit");
    Click(MainForm->ExportFeedsBtn);
    ASSERT_EQ(Ui.FileRequests.size(), 1u);
    EXPECT_EQ(Listing(Picked / ""), "");
    EXPECT_TRUE(Ui.Messages.empty()) << MessageTexts();
}

} // namespace
