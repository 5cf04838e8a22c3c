#include <windows.h>
#include <commdlg.h>

#include <gtest/gtest.h>

#include "app/klip.h"
#include "program_folder.h"

namespace {

const char kUrl[] = "http://127.0.0.1:9/klip.xml";

class KlipImportTest : public ProgramFolderTest {
protected:
    // Writes a Klip file outside the program folder and lets the dialog pick it.
    std::string Klip(const std::string& text)
    {
        const std::string path = Picked / "neu.klip";
        WriteTextFile(path, text);
        Ui.FileAnswers.push_back({true, path});
        return path;
    }
    void Import() { Click(MainForm->BitBtn1); }

    TTempFolder Picked{"qv_klips"};
};

TEST_F(KlipImportTest, TheDialogAsksForKlipFilesAndCancellingChangesNothing)
{
    Feed("zeit.nfd", "http://zeit.example/rss");
    Start("zeit");
    Import();
    ASSERT_EQ(Ui.FileRequests.size(), 1u);
    const TOpenFileRequest& r = Ui.FileRequests[0];
    EXPECT_EQ(r.Filter, "Klip|*.klip");
    EXPECT_EQ(r.Title, "Klip öffnen ...");
    EXPECT_EQ(r.Owner, MainForm->Handle());
    EXPECT_EQ(r.Options & (OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_ENABLESIZING),
              DWORD(OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_ENABLESIZING));
    EXPECT_TRUE(Ui.Messages.empty());
    EXPECT_EQ(Listing(Feeds()), "zeit.nfd");
    EXPECT_EQ(MainForm->CurrentFeed.Name, "zeit");
}

TEST_F(KlipImportTest, ATrimmedTitleBecomesTheCurrentFeedAndItsDownloadStarts)
{
    Start();
    Klip(
        std::string(
            "<klip>\r\n<owner><title>Nicht dieser</title></owner>\r\n<identity>\r\n<title>  Welt Online \t</title>"
            "\r\n</identity>\r\n<locations>\r\n<contentsource>\r\n  ") +
        kUrl + "  \r\n</contentsource>\r\n</locations>\r\n</klip>\r\n");
    Import();
    EXPECT_TRUE(Ui.Messages.empty()) << MessageTexts();
    // The first title element of the body counts, wherever it stands.
    EXPECT_EQ(Listing(Feeds()), "Nicht dieser.nfd");
    EXPECT_EQ(ReadFileBytes(Feeds("Nicht dieser.nfd")), std::string(kUrl) + "\r\n");
    EXPECT_EQ(MainForm->CurrentFeed.Name, "Nicht dieser");
    EXPECT_EQ(MainForm->NameEdit->Text(), "Nicht dieser");
    EXPECT_EQ(MainForm->UrlEdit->Text(), kUrl);
    EXPECT_EQ(Captions(FeedsEntry()), "Nicht dieser");
    EXPECT_EQ(MainForm->AdvHttp->URL(), kUrl);
    EXPECT_TRUE(MainForm->Refresh->Fetching());
}

TEST_F(KlipImportTest, SpacesAroundTheTitleAreTrimmed)
{
    Start();
    Klip(std::string("<klip><title>  Welt Online \t\r\n</title><contentsource>") + kUrl +
         "</contentsource></klip>");
    Import();
    EXPECT_EQ(Listing(Feeds()), "Welt Online.nfd");
    EXPECT_EQ(MainForm->CurrentFeed.Name, "Welt Online");
}

TEST_F(KlipImportTest, CommentsDisappearAndARootTagWithAttributesStillYieldsTheFields)
{
    Start();
    Klip(std::string("<?xml version=\"1.0\"?>\r\n<klip version=\"1.0\">\r\n<title><!-- alt -->Heise<!-- mitten -->"
                     "News</title>\r\n<contentsource><!-- Quelle -->") +
         kUrl + "</contentsource>\r\n</klip>\r\n");
    Import();
    EXPECT_TRUE(Ui.Messages.empty()) << MessageTexts();
    EXPECT_EQ(Listing(Feeds()), "HeiseNews.nfd");
    EXPECT_EQ(ReadFileBytes(Feeds("HeiseNews.nfd")), std::string(kUrl) + "\r\n");
    EXPECT_EQ(MainForm->CurrentFeed.Name, "HeiseNews");
}

TEST_F(KlipImportTest, AUtf8KlipWithEntitiesGivesItsTitleAndAddressInAnyScript)
{
    Start();
    Klip("\xEF\xBB\xBF<klip><title>Z\xC3\xBCrich &amp; Basel</title><contentsource><![CDATA[http://z.example/rss?"
         "a=1&amp;b=2]]></contentsource></klip>");
    Import();
    EXPECT_TRUE(Ui.Messages.empty()) << MessageTexts();
    EXPECT_EQ(Listing(Feeds()), "Zürich & Basel.nfd");
    EXPECT_EQ(ReadFileBytes(Feeds("Zürich & Basel.nfd")), "http://z.example/rss?a=1&b=2\r\n");
    Klip("<klip><title>&#x41D;овости</title><contentsource>http://n.example/rss</contentsource></klip>");
    Import();
    EXPECT_EQ(MainForm->CurrentFeed.Name, "Новости");
    EXPECT_EQ(ReadFileBytes(Feeds("Новости.nfd")), "http://n.example/rss\r\n");
}

TEST_F(KlipImportTest, ImportingTwiceShowsTheFailureMessage)
{
    Start();
    const std::string text =
        std::string("<klip><title>Zweimal</title><contentsource>") + kUrl + "</contentsource></klip>";
    Klip(text);
    Import();
    ASSERT_TRUE(Ui.Messages.empty()) << MessageTexts();
    WriteTextFile(Feeds("Zweimal.nfd"), "http://erster.example/\r\n");
    Klip(text);
    Import();
    ASSERT_EQ(Ui.Messages.size(), 1u);
    EXPECT_EQ(Ui.Messages[0].Text, "Klip konnt nicht hinzugefügt werden\rEs werden nicht alle Funktionen von "
                                   "Clipfolio unterstützt.");
    EXPECT_EQ(Ui.Messages[0].Type, UINT(MB_ICONERROR | MB_OK));
    EXPECT_EQ(ReadFileBytes(Feeds("Zweimal.nfd")), "http://erster.example/\r\n");
}

TEST_F(KlipImportTest, WithoutAContentSourceNothingIsWritten)
{
    Feed("zeit.nfd", "http://zeit.example/rss");
    Start("zeit");
    for (const char* text : {"<klip><title>Leer</title></klip>",
                             "<klip><title>Leer</title><contentsource> <!-- nichts --> </contentsource></klip>",
                             "<title>Leer</title><contentsource>http://x.example/</contentsource>"}) {
        Ui.Messages.clear();
        Klip(text);
        Import();
        ASSERT_EQ(Ui.Messages.size(), 1u) << text;
        EXPECT_EQ(Ui.Messages[0].Text, kKlipFailureMessage);
    }
    EXPECT_EQ(Listing(Feeds()), "zeit.nfd");
    EXPECT_EQ(MainForm->CurrentFeed.Name, "zeit");
}

TEST_F(KlipImportTest, ATitleNamingAPathWritesNothingOutsideTheFeedFolder)
{
    Dir("sub");
    Start();
    const std::string outside = Listing(Folder.Path());
    const std::string parent = Listing(Folder.Path() + "..\\");
    for (const char* title :
         {"..\\..\\x", "../../x", "..", ".versteckt", "", "C:\\Windows\\x", "\\\\server\\x", "CON"}) {
        Ui.Messages.clear();
        Klip(std::string("<klip><title>") + title + "</title><contentsource>" + kUrl + "</contentsource></klip>");
        Import();
        // Names made safe and still fit for the store are imported into the feed folder itself.
        const std::string name = SanitizeFeedName(title);
        if (IsAcceptableFeedName(name)) {
            EXPECT_TRUE(Ui.Messages.empty()) << title;
            EXPECT_TRUE(rtl::FileExists(Feeds(name + ".nfd"))) << title;
        } else {
            ASSERT_EQ(Ui.Messages.size(), 1u) << title;
            EXPECT_EQ(Ui.Messages[0].Text, kKlipFailureMessage);
        }
    }
    EXPECT_EQ(Listing(Feeds()), "--server-x.nfd C--Windows-x.nfd sub");
    EXPECT_EQ(Listing(Feeds("sub\\")), "");
    EXPECT_EQ(Listing(Folder.Path()), outside);
    EXPECT_EQ(Listing(Folder.Path() + "..\\"), parent);
}

TEST_F(KlipImportTest, AFileThatCannotBeReadShowsTheFileError)
{
    Start();
    Ui.FileAnswers.push_back({true, Picked / "fehlt.klip"});
    Import();
    ASSERT_EQ(Ui.Messages.size(), 1u);
    EXPECT_NE(Ui.Messages[0].Text.find("fehlt.klip"), std::string::npos) << Ui.Messages[0].Text;
    EXPECT_EQ(Listing(Feeds()), "");
}

} // namespace
