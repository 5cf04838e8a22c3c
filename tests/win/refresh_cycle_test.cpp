#include "app/refresh_cycle.h"

#include "app/feed_commands.h"
#include "app/overlay_icon.h"
#include "refresh_fixture.h"

#include <psapi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <thread>

#include "http_test_support.h"
#include "image_pixels.h"
#include "rtl/files.h"
#include "rtl/string_list.h"
#include "test_support.h"
#include "tray/balloon_window.h"
#include "tray/tray_icon.h"

#include <wincrypt.h>

namespace {

TEST_F(RefreshCycleTest, TheFirstRefreshAfterStartIsNewsWithABalloon)
{
    Serve(Rss({"Erste Meldung", "Zweite Meldung", "Dritte Meldung"}));
    Start();
    ASSERT_TRUE(WaitForRefresh());
    EXPECT_EQ(Caption(0), "Testkanal");
    EXPECT_EQ(Caption(2), "Erste Meldung");
    EXPECT_EQ(Caption(3), "Zweite Meldung");
    EXPECT_EQ(F().TrayIcon->IconIndex(), 1);
    EXPECT_EQ(F().TrayIconList->Count(), 3);
    EXPECT_TRUE(BalloonShown());
    EXPECT_EQ(F().BalloonHint->Data().Header, "Erste Meldung");
    EXPECT_EQ(F().BalloonHint->Data().Hint, "Text zu Erste Meldung");
    EXPECT_EQ(F().BalloonHint->Data().VisibleTime, 5000);
    EXPECT_EQ(F().BalloonHint->Data().IconKind, ikCustom);
    EXPECT_EQ(F().TrayIcon->Hint(), ""); // balloon tips on: no tooltip text
    EXPECT_EQ(F().DescMemo->Text(), "Beschreibung des Kanals");
    EXPECT_NE(F().Memo->Text().find("<title>Erste Meldung</title>"), std::string::npos);
    EXPECT_TRUE(Ui.Messages.empty());
}

TEST_F(RefreshCycleTest, TheSameDocumentAgainIsPlainAndAChangedSecondHeadlineIsNews)
{
    Serve(Rss({"Eins", "Zwei", "Drei"}));
    Start();
    ASSERT_TRUE(WaitForRefresh());
    F().BalloonHint->HideBalloon();
    F().TimerTimer(F().Timer);
    ASSERT_TRUE(WaitForRefresh());
    EXPECT_EQ(F().TrayIcon->IconIndex(), 0);
    EXPECT_FALSE(BalloonShown());
    // Only the first headline changes: entry 3 is the same, so no news.
    Serve(Rss({"Neu", "Zwei", "Drei"}));
    F().TimerTimer(F().Timer);
    ASSERT_TRUE(WaitForRefresh());
    EXPECT_EQ(F().TrayIcon->IconIndex(), 0);
    Serve(Rss({"Eins", "Zwei neu", "Drei"}));
    F().RefreshBtnClick(F().RefreshBtn);
    ASSERT_TRUE(WaitForRefresh());
    EXPECT_EQ(F().TrayIcon->IconIndex(), 1);
    EXPECT_TRUE(BalloonShown());
}

TEST_F(RefreshCycleTest, AnRdfDocumentPutsItsFirstHeadlineAtEntryThree)
{
    Serve("<?xml version=\"1.0\"?><rdf:RDF><channel><title>RDF-Kanal</title><link>http://x.invalid/</link>"
          "<description>d</description><items><rdf:Seq/></items></channel>"
          "<item><title>R1</title><link>http://x.invalid/1</link></item>"
          "<item><title>R2</title><link>http://x.invalid/2</link></item></rdf:RDF>");
    Start();
    ASSERT_TRUE(WaitForRefresh());
    EXPECT_EQ(Caption(0), "RDF-Kanal");
    EXPECT_EQ(Caption(3), "R1");
    EXPECT_EQ(Caption(4), "R2");
}

TEST_F(RefreshCycleTest, WithoutBalloonTipsTheTooltipShowsTitleAndDescription)
{
    Serve(Rss({"A", "B"}, "Kanal", "Alles Neue"));
    Start("", "Balloonhint=0\r\n");
    ASSERT_TRUE(WaitForRefresh());
    EXPECT_EQ(F().TrayIcon->Hint(), "Kanal:\rAlles Neue");
    // The balloon still comes with news: the box only picks the tooltip.
    EXPECT_TRUE(BalloonShown());
}

TEST_F(RefreshCycleTest, TheIntervalIsReadAtEachRefreshStart)
{
    Serve(Rss({"A", "B"}));
    Start();
    ASSERT_TRUE(WaitForRefresh());
    EXPECT_EQ(F().Timer->Interval(), 15u * 60000u);
    F().IntervalEdit->SetValue(5);
    EXPECT_EQ(F().Timer->Interval(), 15u * 60000u); // nothing until the next start
    F().TimerTimer(F().Timer);
    EXPECT_EQ(F().Timer->Interval(), 5u * 60000u);
    ASSERT_TRUE(WaitForRefresh());
    F().IntervalEdit->SetValue(0);
    F().TimerTimer(F().Timer);
    EXPECT_EQ(F().Timer->Interval(), 0u);
    EXPECT_FALSE(F().Timer->Running());
    ASSERT_TRUE(WaitForRefresh());
}

TEST_F(RefreshCycleTest, OpeningTheMenuOrALeftClickClearsTheNewsMark)
{
    Serve(Rss({"A", "B", "C"}));
    Start();
    ASSERT_TRUE(WaitForRefresh());
    ASSERT_EQ(F().TrayIcon->IconIndex(), 1);
    F().PopupMenuPopup(F().PopupMenu);
    EXPECT_EQ(F().TrayIcon->IconIndex(), 0);
    F().TrayIcon->SetIconIndex(1);
    F().BalloonHint->HideBalloon();
    F().TrayIconClick(F().TrayIcon, mbRight, 0, 0, 0);
    EXPECT_EQ(F().TrayIcon->IconIndex(), 1);
    EXPECT_FALSE(BalloonShown());
    F().TrayIconClick(F().TrayIcon, mbLeft, 0, 0, 0);
    EXPECT_EQ(F().TrayIcon->IconIndex(), 0);
    EXPECT_TRUE(BalloonShown());
    EXPECT_EQ(F().BalloonHint->Data().VisibleTime, 20000);
    EXPECT_EQ(F().BalloonHint->Data().Header, "A");
}

TEST_F(RefreshCycleTest, TheTrayPicturesAreKeptUntilTheFeedIconChanges)
{
    Serve(Rss({"A", "B", "C"}));
    Start();
    ASSERT_TRUE(WaitForRefresh());
    const unsigned made = F().TrayIconList->Stamp();
    F().TimerTimer(F().Timer);
    ASSERT_TRUE(WaitForRefresh());
    EXPECT_EQ(F().TrayIconList->Stamp(), made);
    F().CurrentFeed.IconIndex = F().FeedIconList->AddIcon(LoadIcon(nullptr, IDI_ERROR));
    F().TimerTimer(F().Timer);
    ASSERT_TRUE(WaitForRefresh());
    EXPECT_NE(F().TrayIconList->Stamp(), made);
    for (int xy : {3, 8})
        EXPECT_EQ(ImageColor(*F().TrayIconList, 0, xy, xy),
                  ImageColor(*F().FeedIconList, F().CurrentFeed.IconIndex, xy, xy));
}

TEST_F(RefreshCycleTest, AFailedDownloadShowsTheFailureAndKeepsTheMenu)
{
    Serve(Rss({"A", "B", "C"}));
    Start();
    ASSERT_TRUE(WaitForRefresh());
    F().BalloonHint->HideBalloon();
    // A server that is not there: nothing listens on port 1 of the loopback address.
    F().CurrentFeed.URL = "http://127.0.0.1:1/feed.xml";
    F().TimerTimer(F().Timer);
    ASSERT_TRUE(WaitForRefresh(40000));
    EXPECT_EQ(F().TrayIcon->IconIndex(), 0);
    EXPECT_EQ(F().TrayIcon->Hint().rfind("Fehler: ", 0), 0u) << F().TrayIcon->Hint();
    EXPECT_GT(F().TrayIcon->Hint().size(), 8u);
    EXPECT_EQ(Caption(2), "A");
    EXPECT_FALSE(BalloonShown());
    // The next refresh starts over as usual.
    F().CurrentFeed.URL = Url("/docs/" + DocName);
    F().TimerTimer(F().Timer);
    ASSERT_TRUE(WaitForRefresh());
    EXPECT_EQ(F().TrayIcon->Hint(), "");
}

TEST_F(RefreshCycleTest, AnHttpErrorStatusIsAFailureNotADocument)
{
    Serve(Rss({"A", "B", "C"}));
    Start();
    ASSERT_TRUE(WaitForRefresh());
    F().BalloonHint->HideBalloon();
    F().CurrentFeed.URL = Url("/status/x?code=404&body=Nicht%20gefunden");
    F().TimerTimer(F().Timer);
    ASSERT_TRUE(WaitForRefresh());
    EXPECT_EQ(F().Memo->Text(), "Nicht gefunden");
    EXPECT_EQ(F().TrayIcon->Hint(), "Fehler: HTTP 404");
    EXPECT_EQ(F().TrayIcon->IconIndex(), 0);
    EXPECT_EQ(Caption(0), "Testkanal");
    EXPECT_EQ(Caption(2), "A");
    EXPECT_FALSE(BalloonShown());
}

TEST_F(RefreshCycleTest, WithoutACurrentFeedARefreshStartsNothingAndSaysNothing)
{
    App = StartProgramAt(Folder / "quorvane.exe");
    F().TimerTimer(F().Timer);
    F().RefreshBtnClick(F().RefreshBtn);
    App->ProcessMessages();
    EXPECT_FALSE(F().AdvHttp->Busy());
    EXPECT_FALSE(F().Refresh->Fetching());
    EXPECT_TRUE(Ui.Messages.empty());
}

// The test authority of the HTTPS servers, trusted by the machine as a root (in the test
// prefix); the certificate is part of the repository.
bool TrustTestAuthority()
{
    std::string path = std::string(QV_SOURCE_DIR) + "/tests/servers/certs/test_ca.cer";
    if (path.size() > 1 && path[1] != ':')
        path = "Z:" + path;
    const std::string der = ReadFileBytes(path);
    HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
    if (!root)
        return false;
    BOOL added =
        CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                         static_cast<DWORD>(der.size()), CERT_STORE_ADD_USE_EXISTING, nullptr);
    CertCloseStore(root, 0);
    return added != FALSE;
}

TEST_F(RefreshCycleTest, HttpsTakesOnlyAnInDateCertificateForTheNameFromATrustedAuthority)
{
    ASSERT_TRUE(TrustTestAuthority());
    ASSERT_EQ(Server().TlsPorts.size(), 3u) << "the HTTPS servers are not running";
    Serve(Rss({"Sicher", "B"}));
    const struct {
        const char *Host, *Server;
        bool Works;
    } cases[] = {
        {"localhost", "tls", true},
        {"127.0.0.1", "tls", false}, // the certificate names localhost only
        {"localhost", "tls_expired", false},
        {"localhost", "tls_untrusted", false},
    };
    for (const auto& c : cases) {
        const std::string url = "https://" + std::string(c.Host) + ":" +
                                std::to_string(Server().TlsPorts.at(c.Server)) + "/docs/" + DocName;
        SCOPED_TRACE(url);
        App.reset();
        Start(url);
        ASSERT_TRUE(WaitForRefresh(30000));
        const std::string hint = F().TrayIcon->Hint();
        std::printf("%s: %s\n", url.c_str(), hint.c_str());
        if (c.Works) {
            EXPECT_EQ(hint, "");
            EXPECT_EQ(Caption(2), "Sicher");
        } else {
            EXPECT_EQ(hint.rfind("Fehler: ", 0), 0u) << hint;
            EXPECT_EQ(hint.find("Internetfehler"), std::string::npos) << hint;
            EXPECT_EQ(Caption(0), "Jetzt Aktualisieren"); // no document, no headlines
            EXPECT_EQ(F().TrayIcon->IconIndex(), 0);
        }
    }
}

TEST_F(RefreshCycleTest, AProxySwitchedOffWhileRunningIsNotUsedByTheNextRefresh)
{
    Serve(Rss({"Direkt", "B"}));
    // Nothing listens on port 1: through the proxy no download can succeed.
    Start("", "[Proxy]\r\nEnabled=1\r\nHost=127.0.0.1\r\nPort=1\r\n");
    ASSERT_TRUE(WaitForRefresh(40000));
    ASSERT_EQ(F().TrayIcon->Hint().rfind("Fehler: ", 0), 0u) << F().TrayIcon->Hint();
    SendMessageW(F().ProxyCheckBox->Handle(), BM_CLICK, 0, 0);
    ASSERT_FALSE(F().ProxyCheckBox->Checked());
    SendMessageW(F().RefreshBtn->Handle(), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitForRefresh());
    EXPECT_EQ(Caption(2), "Direkt");
}

TEST_F(RefreshCycleTest, AFeedWithoutAddressEndsTheRunningDownloadOfTheFeedBefore)
{
    Start(Url("/late/x?hold=2"));
    App->ProcessMessages();
    ASSERT_TRUE(F().AdvHttp->Busy());
    // A new feed whose address prompt is answered with nothing becomes current and refreshes.
    Ui.PromptAnswers = {{true, "Leer"}, {true, ""}};
    SendMessageW(F().NewFeedBtn->Handle(), BM_CLICK, 0, 0);
    ASSERT_EQ(F().CurrentFeed.Name, "Leer");
    EXPECT_FALSE(F().AdvHttp->Busy());
    // The old feed's answer ("late") never arrives as the new feed's document.
    PumpFor(3000);
    EXPECT_NE(F().Memo->Text(), "late");
    EXPECT_NE(F().TrayIcon->IconIndex(), 2);
    EXPECT_TRUE(Ui.Messages.empty());
}

TEST_F(RefreshCycleTest, AnIntervalBeyondTheTimersReachIsCutNotWrappedAround)
{
    const unsigned longest = 0x7FFFFFFFu / 60000u * 60000u;
    // 71583 minutes in 32-bit milliseconds would wrap around to 12.7 seconds.
    Start("", "Interval=71583\r\n");
    EXPECT_EQ(F().Timer->Interval(), longest);
    ASSERT_TRUE(WaitForRefresh());
    for (auto typed :
         {std::make_pair("4000000", longest), std::make_pair("-3", 0u), std::make_pair("400", 24000000u)}) {
        SendMessageW(F().IntervalEdit->Handle(), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(rtl::Utf8ToWide(typed.first).c_str()));
        SendMessageW(F().RefreshBtn->Handle(), BM_CLICK, 0, 0);
        EXPECT_EQ(F().Timer->Interval(), typed.second) << typed.first;
        ASSERT_TRUE(WaitForRefresh());
    }
}

TEST_F(RefreshCycleTest, ALeftClickOnTheTrayIconBeforeAnyDocumentShowsNoBalloon)
{
    App = StartProgramAt(Folder / "quorvane.exe");
    SendMessageW(F().TrayIcon->Handle(), kTrayCallbackMessage, 1, WM_LBUTTONDOWN);
    SendMessageW(F().TrayIcon->Handle(), kTrayCallbackMessage, 1, WM_LBUTTONUP);
    App->ProcessMessages();
    EXPECT_FALSE(BalloonShown());
}

TEST_F(RefreshCycleTest, AUtf8DocumentIsShownAsItIs)
{
    Serve("\xEF\xBB\xBF" + Rss({"K\xC3\xB6ln \xE2\x80\x93 Bonn", "\xE2\x82\xAC-Kurs", "\xE4\xB8\xAD"}));
    Start();
    ASSERT_TRUE(WaitForRefresh());
    EXPECT_EQ(Caption(2), "Köln – Bonn");
    EXPECT_EQ(Caption(3), "€-Kurs");
    EXPECT_EQ(Caption(4), "中");
    EXPECT_EQ(F().Memo->Text().substr(0, 5), "<?xml"); // no mark left in front
}

TEST_F(RefreshCycleTest, ALatin1DocumentIsConvertedToText)
{
    Serve("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><rss><channel><title>K\xF6ln</title>"
          "<item><title>Gr\xFC\xDF"
          "e</title></item></channel></rss>");
    Start();
    ASSERT_TRUE(WaitForRefresh());
    EXPECT_EQ(Caption(0), "Köln");
    EXPECT_EQ(Caption(2), "Grüße");
}

TEST_F(RefreshCycleTest, ASecondRefreshAbortsAnUnansweredFirst)
{
    Serve(Rss({"Zweiter Abruf", "B"}));
    Start(Url("/late/x?hold=3"));
    App->ProcessMessages();
    ASSERT_TRUE(F().AdvHttp->Busy());
    F().CurrentFeed.URL = Url("/docs/" + DocName);
    F().TimerTimer(F().Timer);
    ASSERT_TRUE(WaitForRefresh());
    EXPECT_EQ(Caption(2), "Zweiter Abruf");
    // The first request's late answer must not replace the second one's headlines.
    PumpFor(4000);
    EXPECT_EQ(Caption(2), "Zweiter Abruf");
}

TEST_F(RefreshCycleTest, ASecondRefreshWhileTheFirstReadsItsBodyEndsThatRead)
{
    Serve(Rss({"Zweiter Abruf", "B"}));
    // The platform fills a 16 KB buffer before a read returns: the pieces are larger than that.
    Start(Url("/slow/x?chunks=5&size=20000&delay=1"));
    std::vector<std::string> completed;
    auto original = F().AdvHttp->OnRequestComplete;
    F().AdvHttp->OnRequestComplete = [&, original](TObject* s) {
        completed.push_back(F().AdvHttp->Text());
        original(s);
    };
    // Wait until the body has begun to arrive, then refresh again.
    PumpUntil([this] { return F().AdvHttp->BytesRead() != 0; });
    ASSERT_GT(F().AdvHttp->BytesRead(), 0);
    F().CurrentFeed.URL = Url("/docs/" + DocName);
    F().TimerTimer(F().Timer);
    ASSERT_TRUE(WaitForRefresh());
    ASSERT_FALSE(completed.empty());
    EXPECT_LT(completed.front().size(), 100000u); // the first body, cut short
    EXPECT_GT(completed.front().size(), 0u);
    EXPECT_EQ(Caption(2), "Zweiter Abruf");
}

TEST(OverlayIcon, TheBadgeCoversTheLowerRightQuarterAndTheMasksAreAnded)
{
    // A feed icon: opaque red, a transparent top-left pixel. A badge: transparent but for a blue
    // lower right quarter.
    std::vector<uint32_t> feedBits(256, 0xFFFF0000u), badgeBits(256, 0);
    std::vector<uint8_t> feedMask(32, 0), badgeMask(32, 0xFF);
    feedMask[(15 - 0) * 2] |= 0x80; // bottom-up rows: top-left pixel transparent
    feedBits[0] = 0;
    for (int y = 8; y < 16; ++y)
        for (int x = 8; x < 16; ++x) {
            badgeBits[static_cast<std::size_t>(y * 16 + x)] = 0xFF0000FFu;
            badgeMask[static_cast<std::size_t>((15 - y) * 2 + 1)] &= static_cast<uint8_t>(~(0x80 >> (x - 8)));
        }
    auto make = [](std::vector<uint32_t>& bits, std::vector<uint8_t>& mask) {
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = 16;
        bi.bmiHeader.biHeight = -16;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* p = nullptr;
        HDC dc = GetDC(nullptr);
        HBITMAP color = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &p, nullptr, 0);
        ReleaseDC(nullptr, dc);
        memcpy(p, bits.data(), 1024);
        HBITMAP m = CreateBitmap(16, 16, 1, 1, nullptr);
        // Monochrome bitmaps are top-down in SetBitmapBits, two bytes a row.
        std::vector<uint8_t> topDown(32);
        for (int y = 0; y < 16; ++y) {
            topDown[static_cast<std::size_t>(y * 2)] = mask[static_cast<std::size_t>((15 - y) * 2)];
            topDown[static_cast<std::size_t>(y * 2 + 1)] = mask[static_cast<std::size_t>((15 - y) * 2 + 1)];
        }
        SetBitmapBits(m, 32, topDown.data());
        ICONINFO ii = {TRUE, 0, 0, m, color};
        HICON icon = CreateIconIndirect(&ii);
        DeleteObject(color);
        DeleteObject(m);
        return icon;
    };
    TIconHandle feed(make(feedBits, feedMask)), badge(make(badgeBits, badgeMask));
    TIconHandle result(OverlayIcon(badge.Get(), feed.Get()));
    ASSERT_TRUE(result);
    ICONINFO ii = {};
    ASSERT_TRUE(GetIconInfo(result.Get(), &ii));
    TBitmapHandle color(ii.hbmColor), mask(ii.hbmMask);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, color.Get());
    COLORREF upperLeftArea = GetPixel(dc, 4, 4), lowerRight = GetPixel(dc, 12, 12);
    SelectObject(dc, mask.Get());
    COLORREF maskTopLeft = GetPixel(dc, 0, 0), maskInside = GetPixel(dc, 4, 4), maskBadge = GetPixel(dc, 12, 12);
    SelectObject(dc, old);
    DeleteDC(dc);
    EXPECT_EQ(upperLeftArea, RGB(255, 0, 0));
    EXPECT_EQ(lowerRight, RGB(0, 0, 255));
    EXPECT_EQ(maskTopLeft, RGB(255, 255, 255)); // transparent in both: stays transparent
    EXPECT_EQ(maskInside, RGB(0, 0, 0));
    EXPECT_EQ(maskBadge, RGB(0, 0, 0));
}

} // namespace

namespace {

TEST(AdvHttpFailureText, AFailureIsNeverReportedByAnEmptyText)
{
    EXPECT_EQ(TAdvHttp::FailureText(12007), TAdvHttp::ErrorText(12007));
    EXPECT_FALSE(TAdvHttp::FailureText(ERROR_INSUFFICIENT_BUFFER).empty());
    EXPECT_EQ(TAdvHttp::FailureText(0x7654321), "Internetfehler " + std::to_string(0x7654321));
    // Certificate failures are named: by the platform where it can, else in words of our own.
    for (int code : {12037, 12038, 12045, 12055, 12056, 12057, 12169, 12170}) {
        const std::string text = TAdvHttp::FailureText(code), platform = TAdvHttp::ErrorText(code);
        if (platform.find_first_not_of(" \r\n") != std::string::npos)
            EXPECT_EQ(text, platform) << code;
        else
            EXPECT_EQ(text.rfind("Das Zertifikat des Servers ", 0), 0u) << code << ": " << text;
    }
}

TEST_F(RefreshCycleTest, AnAddressTheComponentCannotUseIsNamedInTheMessageAndTheTooltip)
{
    Serve(Rss({"A"}));
    Start("http://");
    App->ProcessMessages();
    ASSERT_EQ(Ui.Messages.size(), 1u);
    EXPECT_FALSE(Ui.Messages[0].Text.empty());
    EXPECT_EQ(F().TrayIcon->Hint(), "Fehler: " + Ui.Messages[0].Text);
    EXPECT_EQ(F().TrayIcon->IconIndex(), 0);
}

// ---- downloads that must not take the program with them ----

TEST_F(RefreshCycleTest, ADocumentOverSixtyFourMegabytesIsAFailureAndTheHeadlinesStay)
{
    auto privateBytes = [] {
        using TQuery = BOOL(WINAPI*)(HANDLE, PROCESS_MEMORY_COUNTERS*, DWORD);
        auto query = reinterpret_cast<TQuery>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "K32GetProcessMemoryInfo")));
        PROCESS_MEMORY_COUNTERS c = {};
        c.cb = sizeof c;
        return query && query(GetCurrentProcess(), &c, sizeof c) ? c.PagefileUsage : 0;
    };
    Serve(Rss({"Eins", "Zwei", "Drei"}));
    Start();
    ASSERT_TRUE(WaitForRefresh());
    std::size_t before = privateBytes();
    // A body that never ends, and one that announces more than the limit.
    for (const char* path : {"/chunked/huge?chunks=-1&size=65536", "/big/huge?mb=65"}) {
        SCOPED_TRACE(path);
        F().CurrentFeed.URL = Url(path);
        ASSERT_TRUE(Tick(F()));
        ASSERT_TRUE(WaitForRefresh(60000));
        EXPECT_EQ(F().TrayIcon->Hint(), "Fehler: " + TAdvHttp::FailureText(kErrorBodyTooLarge));
        EXPECT_EQ(F().TrayIcon->IconIndex(), 0);
        EXPECT_EQ(Caption(2), "Eins");
        EXPECT_TRUE(F().AdvHttp->Text().empty());
        EXPECT_LT(privateBytes(), before + (16u << 20));
    }
}

TEST_F(RefreshCycleTest, ATickWhileTheCredentialsDialogWaitsIsSkipped)
{
    Start(UserUrl("/auth/tick?user=u&pass=p&realm=tick"));
    HWND dialog = RefreshIntoDialog();
    ASSERT_NE(dialog, nullptr);
    // Should the tick wait for the dialog, the user answers after 30 s.
    HANDLE answered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread user([&] {
        if (WaitForSingleObject(answered, 30000) == WAIT_TIMEOUT)
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    DWORD start = GetTickCount();
    EXPECT_TRUE(Tick(F()));
    // Far below the user's 30 s, with room for a loaded machine.
    EXPECT_LT(GetTickCount() - start, 10000u);
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(F().TrayIcon->Hint(), "Verbinde mit Server ...");
    SetEvent(answered);
    user.join();
    CloseHandle(answered);
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitForRefresh());
}

} // namespace

namespace {

// ---- downloads that heal themselves and are polite to servers ----

void Press(TButton* button)
{
    SendMessageW(button->Handle(), BM_CLICK, 0, 0);
}

int Requests(const std::string& tag)
{
    return ServerLogOf(tag).Count;
}

bool MenuHas(TMainForm& f, const std::string& captionStart)
{
    TMenuItem* items = f.PopupMenu->Items();
    for (int i = 0; i < items->Count(); ++i)
        if (items->Items(i)->Caption().rfind(captionStart, 0) == 0)
            return true;
    return false;
}

TEST_F(RefreshCycleTest, ADocumentCutShortIsShownButNotAskedAboutAgain)
{
    // Thirty items of about 2 KB, served in pieces of 20000 bytes a second apart: the first read
    // holds fewer than the fifteen headlines of the menu.
    std::vector<std::string> titles;
    for (int i = 1; i <= 30; ++i)
        titles.push_back("Meldung " + std::to_string(i) + " " + std::string(1900, 'x'));
    const std::string document = Rss(titles);
    Serve(document);
    const std::string path = "/feed/" + DocName;
    Start(Url(path + "?delay=1"));
    ASSERT_TRUE(PumpUntil([this] { return F().AdvHttp->BytesRead() > 0; }));
    // The second refresh ends the first between two reads and fails itself.
    rtl::DeleteFile(Server().DocsFolder + DocName);
    Press(F().RefreshBtn);
    ASSERT_TRUE(WaitForRefresh());
    EXPECT_EQ(F().TrayIcon->Hint(), "Fehler: HTTP 404");
    EXPECT_TRUE(MenuHas(F(), "Meldung 1 ")); // the part that arrived was shown
    EXPECT_FALSE(MenuHas(F(), "Meldung 15 "));
    // The same document again, with the same ETag: asked for without it, it comes whole.
    Serve(document);
    Press(F().RefreshBtn);
    ASSERT_TRUE(WaitForRefresh());
    const std::string log = ServerLogOf(path).Text;
    EXPECT_EQ(log.find("If-None-Match", log.rfind("REQUEST ")), std::string::npos);
    EXPECT_TRUE(MenuHas(F(), "Meldung 15 "));
    EXPECT_EQ(F().TrayIcon->Hint(), "");
}

TEST_F(RefreshCycleTest, TheCredentialsDialogOfOneFeedGivesWayToTheFeedTheUserChooses)
{
    Serve(Rss({"Zweiter Feed", "B"}));
    WriteTextFile(Folder / "Newsfeeds\\Zweit.nfd", Url("/docs/" + DocName) + "\r\n");
    Start(UserUrl("/auth/geschuetzt?user=u&pass=p&realm=" + TestTag()));
    HWND dialog = RefreshIntoDialog();
    ASSERT_NE(dialog, nullptr);
    TMenuItem* other = FindNewFeedEntry(*F().PopupMenu->Items()->Items(1), "Zweit");
    ASSERT_NE(other, nullptr);
    other->Click();
    ASSERT_TRUE(WaitForRefresh());
    EXPECT_TRUE(PumpUntil([dialog] { return !IsWindowVisible(dialog); }, 1000));
    EXPECT_EQ(F().CurrentFeed.Name, "Zweit");
    EXPECT_EQ(Caption(2), "Zweiter Feed");
    // Nothing of the first feed's download turns up afterwards.
    PumpFor(3000);
    EXPECT_EQ(F().TrayIcon->Hint(), "");
    EXPECT_EQ(Caption(2), "Zweiter Feed");
    EXPECT_TRUE(Ui.Messages.empty());
}

TEST_F(RefreshCycleTest, OnlyAPermanentRedirectSeenTwiceInARowMovesTheFeed)
{
    const struct {
        int Code;
        int Refreshes;
        bool Moved;
    } cases[] = {{301, 2, true},  {308, 2, true},  {301, 1, false},
                 {302, 2, false}, {307, 2, false}, {303, 1, false}};
    Serve(Rss({"Umgezogen", "B"}));
    const std::string target = Url("/docs/" + DocName);
    for (const auto& c : cases) {
        const std::string start = Url("/redirect/umzug?code=" + std::to_string(c.Code) + "&to=" + target);
        SCOPED_TRACE(start + " refreshed " + std::to_string(c.Refreshes) + " times");
        App.reset();
        WriteTextFile(Folder / "Newsfeeds\\Test.nfd", start + "\r\nNotiz\r\n");
        WriteTextFile(Folder / "quorvane.ini", "[Settings]\r\nFeedName=Test\r\n");
        App = StartProgramAt(Folder / "quorvane.exe");
        ASSERT_TRUE(WaitForRefresh());
        for (int i = 1; i < c.Refreshes; ++i) {
            Press(F().RefreshBtn);
            ASSERT_TRUE(WaitForRefresh());
        }
        EXPECT_EQ(Caption(2), "Umgezogen");
        const std::string address = c.Moved ? target : start;
        EXPECT_EQ(ReadFileBytes(Folder / "Newsfeeds\\Test.nfd"), address + "\r\nNotiz\r\n");
        EXPECT_EQ(F().UrlEdit->Text(), address);
        EXPECT_EQ(Listing(Folder / "Newsfeeds\\"), "Test.nfd");
    }
}

TEST_F(RefreshCycleTest, ARedirectToAnythingButTheWebIsRefused)
{
    const std::string refused = "Fehler: Weiterleitung auf eine Adresse, die kein http oder https ist";
    const struct {
        const char *To, *Hint;
    } cases[] = {
        {"file:///C:/windows/win.ini", refused.c_str()},
        {"file://server/share/x", refused.c_str()},
        // A UNC path on a web page is a path of the web server, as browsers read it.
        {"%5C%5Cserver%5Cshare%5Cwin.ini", "Fehler: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.To);
        App.reset();
        Start(Url(std::string("/redirect/datei?code=302&to=") + c.To));
        ASSERT_TRUE(WaitForRefresh());
        EXPECT_EQ(F().TrayIcon->Hint().rfind(c.Hint, 0), 0u) << F().TrayIcon->Hint();
        EXPECT_EQ(F().Memo->Text().find("[fonts]"), std::string::npos);
    }
}

TEST_F(RefreshCycleTest, AFeedThatIsGoneIsAskedForOnlyByTheUser)
{
    Serve(Rss({"A", "B"}));
    Start();
    ASSERT_TRUE(WaitForRefresh());
    const std::string gone = "/status/entfernt-" + TestTag();
    F().CurrentFeed.URL = Url(gone + "?code=410");
    Press(F().RefreshBtn);
    ASSERT_TRUE(WaitForRefresh());
    EXPECT_EQ(F().TrayIcon->Hint(), "Fehler: HTTP 410, der Feed wurde entfernt\rAbruf nur noch auf Wunsch");
    EXPECT_EQ(Caption(2), "A");
    ASSERT_TRUE(Tick(F()));
    PumpFor(300);
    EXPECT_EQ(Requests(gone), 1);
    Press(F().RefreshBtn);
    ASSERT_TRUE(WaitForRefresh());
    EXPECT_EQ(Requests(gone), 2);
}

TEST_F(RefreshCycleTest, RetryAfterHoldsTheTimerOffButNotTheUser)
{
    // An HTTP date two hours from now.
    SYSTEMTIME st;
    GetSystemTime(&st);
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    ULARGE_INTEGER t;
    t.LowPart = ft.dwLowDateTime;
    t.HighPart = ft.dwHighDateTime;
    t.QuadPart += 7200ULL * 10000000ULL;
    ft.dwLowDateTime = t.LowPart;
    ft.dwHighDateTime = t.HighPart;
    FileTimeToSystemTime(&ft, &st);
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char date[64];
    std::snprintf(date, sizeof date, "%s,%%20%02u%%20%s%%20%u%%20%02u:%02u:%02u%%20GMT", days[st.wDayOfWeek],
                  st.wDay, months[st.wMonth - 1], st.wYear, st.wHour, st.wMinute, st.wSecond);
    const struct {
        int Code;
        std::string Retry;
        unsigned Hold;
    } cases[] = {{429, "180", 180000u}, {503, date, 7200000u}};
    Serve(Rss({"A", "B"}));
    Start("", "Interval=1\r\n");
    ASSERT_TRUE(WaitForRefresh());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Code);
        const std::string busy = "/status/busy" + std::to_string(c.Code) + "-" + TestTag();
        F().CurrentFeed.URL = Url(busy + "?code=" + std::to_string(c.Code) + "&retry=" + c.Retry);
        Press(F().RefreshBtn);
        ASSERT_TRUE(WaitForRefresh());
        const std::string hint = F().TrayIcon->Hint();
        EXPECT_EQ(hint.rfind("Fehler: HTTP " + std::to_string(c.Code) + "\rNächster Versuch ", 0), 0u) << hint;
        EXPECT_NEAR(F().Timer->Interval(), c.Hold, 5000.0);
        // A tick before its time asks nothing and puts the timer back on the time left.
        ASSERT_TRUE(Tick(F()));
        EXPECT_NEAR(F().Timer->Interval(), c.Hold, 10000.0);
        EXPECT_EQ(Requests(busy), 1);
        Press(F().RefreshBtn);
        ASSERT_TRUE(WaitForRefresh());
        EXPECT_EQ(Requests(busy), 2);
    }
}

TEST_F(RefreshCycleTest, FailuresInARowBackTheTimerOffAndOneSuccessEndsIt)
{
    Serve(Rss({"A", "B"}));
    Start("", "Interval=5\r\n");
    ASSERT_TRUE(WaitForRefresh());
    const unsigned minutes = 60000u;
    rtl::DeleteFile(Server().DocsFolder + DocName);
    for (unsigned expected : {5u, 10u, 20u, 40u, 40u}) {
        Press(F().RefreshBtn);
        ASSERT_TRUE(WaitForRefresh());
        EXPECT_EQ(F().Timer->Interval(), expected * minutes);
        const std::string hint = F().TrayIcon->Hint();
        EXPECT_EQ(hint.find("\rNächster Versuch "), expected == 5u ? std::string::npos : 16u) << hint;
    }
    const int asked = Requests("/docs/" + DocName);
    ASSERT_TRUE(Tick(F()));
    PumpFor(300);
    EXPECT_EQ(Requests("/docs/" + DocName), asked);
    Serve(Rss({"Wieder da", "B"}));
    Press(F().RefreshBtn);
    ASSERT_TRUE(WaitForRefresh());
    EXPECT_EQ(F().TrayIcon->Hint(), "");
    EXPECT_EQ(F().Timer->Interval(), 5u * minutes);
    ASSERT_TRUE(Tick(F()));
    ASSERT_TRUE(WaitForRefresh());
    EXPECT_EQ(Requests("/docs/" + DocName), asked + 2);
}

TEST_F(RefreshCycleTest, ASilentOrTricklingServerIsGivenUpAndTheMenuStays)
{
    const struct {
        const char* Path;
        int Stall, Total;
    } cases[] = {{"/late/still?hold=30", 1500, 300000}, {"/trickle/tropf?every=0.2&total=200", 60000, 2500}};
    Serve(Rss({"A", "B"}));
    Start();
    ASSERT_TRUE(WaitForRefresh());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Path);
        F().AdvHttp->SetStallTimeout(c.Stall);
        F().AdvHttp->SetTotalTimeout(c.Total);
        F().CurrentFeed.URL = Url(c.Path);
        Press(F().RefreshBtn);
        ASSERT_TRUE(WaitForRefresh(15000));
        EXPECT_EQ(F().TrayIcon->Hint(), "Fehler: " + TAdvHttp::FailureText(ERROR_INTERNET_TIMEOUT));
        EXPECT_EQ(Caption(2), "A");
        EXPECT_FALSE(F().AdvHttp->Busy());
    }
}

} // namespace
