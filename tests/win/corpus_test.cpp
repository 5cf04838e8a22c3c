// Every document of the repository's feed corpus (tests/data/feeds/<group>/<name>.xml) served
// by the loopback server, with the header lines of its .headers file, to the real program in a
// temporary program folder; what the user sees is compared with its .expect file: the channel
// entry and the headlines of the tray menu, the text the platform menu shows, the address the
// shell is asked to open when each is chosen from the open menu, the Feed page's description
// and the news balloon.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

#include "app/main_form.h"
#include "app/refresh_cycle.h"
#include "app/wrap_text.h"
#include "gui/application.h"
#include "rtl/files.h"
#include "rtl/string_list.h"
#include "test_support.h"
#include "tray/balloon_window.h"
#include "tray/tray_icon.h"

namespace {

struct TCorpusDocument {
    std::string Group, Name; // Name without ".xml"
};

void PrintTo(const TCorpusDocument& d, std::ostream* os)
{
    *os << d.Group << "/" << d.Name;
}

std::string CorpusFolder()
{
    std::string dir = std::string("Z:") + QV_SOURCE_DIR + "/tests/data/feeds/";
    std::replace(dir.begin(), dir.end(), '/', '\\');
    return dir;
}

std::vector<std::string> Names(const std::string& pattern, bool folders)
{
    std::vector<std::string> names;
    rtl::ForEachFileEntry(pattern, [&](const rtl::TFileEntry& e) {
        if (e.Name[0] != '.' && e.IsDirectory() == folders)
            names.push_back(e.Name);
        return true;
    });
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<TCorpusDocument> CorpusDocuments()
{
    std::vector<TCorpusDocument> docs;
    for (const std::string& group : Names(CorpusFolder() + "*", true))
        for (const std::string& file : Names(CorpusFolder() + group + "\\*.xml", false))
            docs.push_back({group, file.substr(0, file.size() - 4)});
    return docs;
}

// What a document must show, read from its .expect file (UTF-8, as the program holds text).
struct TExpectation {
    std::map<std::string, std::string> Fields;
    std::vector<std::pair<std::string, std::string>> Headlines; // caption, address opened
    bool Has(const std::string& key) const { return Fields.count(key) != 0; }
};

TExpectation ReadExpectation(const std::string& file)
{
    TExpectation e;
    std::string text = ReadFileBytes(file);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::size_t colon = line.find(':');
        if (line.empty() || colon == std::string::npos)
            continue;
        std::string key = line.substr(0, colon);
        std::string value = line.substr(colon + 1);
        if (!value.empty() && value[0] == ' ')
            value.erase(0, 1);
        if (key == "headline") {
            std::size_t bar = value.rfind(" |");
            EXPECT_NE(bar, std::string::npos) << "no \" | \" in " << line;
            std::string link = bar == std::string::npos ? "" : value.substr(bar + 2);
            if (!link.empty() && link[0] == ' ')
                link.erase(0, 1);
            e.Headlines.push_back({value.substr(0, bar), link});
        } else {
            e.Fields[key] = value;
        }
    }
    return e;
}

// A text as the .expect files write it: every line break (CR LF, CR or LF) as "\n".
std::string Escaped(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            out += "\\n";
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

// An .expect text with its line breaks as the balloon makes them.
std::string Unescaped(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "\\n") == 0) {
            out += '\r';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The open menu: its texts as the platform shows them are read, then the keys are pressed.
HWND g_owner = nullptr;
std::vector<WPARAM> g_keys;
std::vector<std::string> g_shownTexts;

BOOL CALLBACK ReadMenuWindow(HWND w, LPARAM)
{
    if (ClassNameOf(w) != "#32768" || !IsWindowVisible(w))
        return TRUE;
    HMENU menu = reinterpret_cast<HMENU>(SendMessageW(w, 0x01E1 /* MN_GETHMENU */, 0, 0));
    for (int i = 0; menu && i < GetMenuItemCount(menu); ++i)
        g_shownTexts.push_back(MenuStringOf(menu, static_cast<UINT>(i)));
    return FALSE;
}

void CALLBACK ReadAndPress(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    g_shownTexts.clear();
    EnumWindows(ReadMenuWindow, 0);
    for (WPARAM k : g_keys)
        PostMessageW(g_owner, WM_KEYDOWN, k, 1);
}

class CorpusTest : public testing::TestWithParam<TCorpusDocument> {
protected:
    TTempFolder Folder{"qv_corpus"};
    TScriptedUi Ui;
    std::unique_ptr<TApplication> App;
    std::string Served; // the document's name in the server's folder, without extension

    void TearDown() override
    {
        App.reset();
        for (const char* ext : {".xml", ".headers"})
            rtl::DeleteFile((LoopbackServer().DocsFolder + Served + ext));
        rtl::SetProgramFileNameOverride("");
    }
    TMainForm& F() { return *MainForm; }

    void Start(const TExpectation& e)
    {
        const TLoopbackServer& server = LoopbackServer();
        ASSERT_NE(server.Port, 0) << "the loopback server is not running";
        const TCorpusDocument& doc = GetParam();
        const std::string source = CorpusFolder() + doc.Group + "\\" + doc.Name;
        Served = "corpus_" + TestTag();
        WriteTextFile(server.DocsFolder + Served + ".xml", ReadFileBytes(source + ".xml"));
        if (rtl::FileExists(source + ".headers"))
            WriteTextFile(server.DocsFolder + Served + ".headers", ReadFileBytes(source + ".headers"));
        rtl::CreateDir((Folder / "Newsfeeds"));
        WriteTextFile(Folder / "Newsfeeds\\Test.nfd", server.Url("/docs/" + Served + ".xml") + "\r\n");
        // Without balloon tips the tooltip shows the channel and its description.
        std::string ini = "[Settings]\r\nFeedName=Test\r\nBalloonhint=0\r\n";
        for (const auto& setting :
             {std::make_pair("maxentrys", "MaxEntrys"), std::make_pair("maxchars", "MaxChars")})
            if (e.Has(setting.first))
                ini += std::string(setting.second) + "=" + e.Fields.at(setting.first) + "\r\n";
        WriteTextFile(Folder / "quorvane.ini", ini);
        App = StartProgramAt(Folder / "quorvane.exe");
        PumpUntil([this] { return !F().Refresh->Fetching(); }, 15000);
        App->ProcessMessages();
        ASSERT_FALSE(F().Refresh->Fetching()) << "the download did not end";
    }

    // The entries the user sees above the commands: the channel entry, then the headlines.
    std::vector<TMenuItem*> FeedEntries()
    {
        std::vector<TMenuItem*> entries;
        for (TMenuItem* item : F().PopupMenu->Items()->ShownItems()) {
            if (item->Tag() == 1002)
                break;
            if (!item->IsLine())
                entries.push_back(item);
        }
        return entries;
    }

    // Opens the tray menu, goes down to the shown entry at the index and chooses it; returns
    // the address the shell was asked to open, "" when none.
    std::string Choose(std::size_t index)
    {
        Ui.ShellCalls.clear();
        g_owner = F().PopupMenu->WindowHandle();
        SetForegroundWindow(g_owner);
        g_keys.assign(index + 1, VK_DOWN);
        g_keys.push_back(VK_RETURN);
        MovePointerAway();
        SetTimer(nullptr, 0, 150, ReadAndPress);
        F().PopupMenu->Popup(200, 120);
        App->ProcessMessages();
        if (Ui.ShellCalls.empty())
            return std::string();
        EXPECT_EQ(Ui.ShellCalls.size(), 1u);
        EXPECT_EQ(Ui.ShellCalls[0].Verb, "open");
        return Ui.ShellCalls[0].File;
    }
};

// The platform menu takes "&" as an accelerator mark: a caption shows as written only doubled.
std::string Doubled(const std::string& caption)
{
    std::string s;
    for (char c : caption)
        s += c == '&' ? "&&" : std::string(1, c);
    return s;
}

TEST_P(CorpusTest, TheUserSeesWhatThePublisherWrote)
{
    const TCorpusDocument& doc = GetParam();
    const TExpectation e = ReadExpectation(CorpusFolder() + doc.Group + "\\" + doc.Name + ".expect");
    ASSERT_TRUE(e.Has("channel")) << "no .expect for " << doc.Group << "/" << doc.Name;
    Start(e);
    if (HasFatalFailure())
        return;

    std::vector<TMenuItem*> entries = FeedEntries();
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries[0]->Caption(), e.Fields.at("channel"));
    std::vector<std::string> captions, expected;
    for (std::size_t i = 1; i < entries.size(); ++i)
        captions.push_back(entries[i]->Caption());
    for (const auto& h : e.Headlines)
        expected.push_back(h.first);
    EXPECT_EQ(captions, expected);
    // The Text page shows the document in lines ending in CR LF, whatever the publisher used.
    const std::string page = F().Memo->Text();
    for (std::size_t i = 0; i < page.size(); ++i)
        if ((page[i] == '\n') != (i > 0 && page[i - 1] == '\r')) {
            ADD_FAILURE() << "a line end other than CR LF at " << i << " of the Text page";
            break;
        }

    // The balloon shows the texts wrapped at its width; its line breaks are single CRs.
    const int wrap = F().BalloonWrap->Value();
    if (e.Has("description")) {
        EXPECT_EQ(Escaped(F().DescMemo->Text()), e.Fields.at("description"));
    }
    if (e.Has("balloon-headline")) {
        EXPECT_EQ(F().BalloonHint->Data().Header, WrapText(Unescaped(e.Fields.at("balloon-headline")), wrap - 10));
    }
    if (e.Has("balloon-text")) {
        // What the balloon window holds in UTF-16: its caption is the text it draws.
        ASSERT_NE(F().BalloonHint->BalloonWindow(), nullptr);
        EXPECT_EQ(Escaped(WindowTextOf(F().BalloonHint->BalloonWindow()->Handle())),
                  Escaped(WrapText(Unescaped(e.Fields.at("balloon-text")), wrap)));
    }
    // The tooltip as the wide tray record carries it to the shell at the next pointer move: the
    // whole text, or as much as its 127 units hold, cut between two characters.
    SendMessageW(F().TrayIcon->Handle(), kTrayCallbackMessage, 1, WM_MOUSEMOVE);
    const std::string tip = rtl::WideToUtf8(F().TrayIcon->NotifyData().szTip);
    const std::string full =
        e.Fields.at("channel") + ":\r" + Unescaped(e.Has("description") ? e.Fields.at("description") : "");
    if (rtl::Utf8ToWide(full).size() <= 127) {
        EXPECT_EQ(Escaped(tip), Escaped(full));
    } else {
        EXPECT_EQ(full.compare(0, tip.size(), tip), 0) << Escaped(tip);
        EXPECT_GT(rtl::Utf8ToWide(tip).size(), 110u) << Escaped(tip);
    }

    // Chosen from the open menu as the user does: the channel entry, then every headline.
    EXPECT_EQ(Choose(0), e.Has("channel-link") ? e.Fields.at("channel-link") : "") << "the channel entry";
    ASSERT_FALSE(g_shownTexts.empty()) << "the menu did not open";
    EXPECT_EQ(g_shownTexts[0], Doubled(e.Fields.at("channel")));
    for (std::size_t i = 0; i < e.Headlines.size() && i + 1 < entries.size(); ++i) {
        EXPECT_EQ(Choose(i + 1), e.Headlines[i].second) << e.Headlines[i].first;
        std::vector<std::string> shown;
        for (const std::string& t : g_shownTexts)
            if (!t.empty())
                shown.push_back(t);
        ASSERT_GT(shown.size(), i + 1);
        EXPECT_EQ(shown[i + 1], Doubled(e.Headlines[i].first));
    }
}

INSTANTIATE_TEST_SUITE_P(Feeds, CorpusTest, testing::ValuesIn(CorpusDocuments()),
                         [](const testing::TestParamInfo<TCorpusDocument>& info) {
                             std::string n = info.param.Group + "_" + info.param.Name;
                             for (char& c : n)
                                 if (!isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return n;
                         });

} // namespace
