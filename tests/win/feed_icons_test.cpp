#include "app/feed_icons.h"

#include <windows.h>
#include <commdlg.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <sstream>
#include <vector>

#include <jpeglib.h>

#include "app/icons/icon_converter.h"
#include "app/icons/icon_converter_win.h"
#include "gui/graphics.h"
#include "gui/handles.h"
#include "image_pixels.h"
#include "program_folder.h"

namespace {

// The colours the test pictures are made of: all of them in the written icons' palette, so they
// come back unchanged. The backdrop is none of them.
const COLORREF kMagenta = RGB(255, 0, 255), kBlack = RGB(0, 0, 0), kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255),
               kGreen = RGB(0, 255, 0), kWhite = RGB(255, 255, 255), kYellow = RGB(255, 255, 0);
const COLORREF kBack = RGB(10, 120, 90);

const unsigned char kDirectory[22] = {0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x10, 0x10, 0x08, 0x00, 0x00,
                                      0x00, 0x00, 0x00, 0x68, 0x05, 0x00, 0x00, 0x16, 0x00, 0x00, 0x00};

using TPicture = std::function<COLORREF(int x, int y)>; // y = 0 is the top row

// The icon drawn over the backdrop: 256 colours, top row first.
std::vector<COLORREF> DrawnIcon(HICON icon)
{
    BITMAPINFO bi = {};
    bi.bmiHeader = {sizeof bi.bmiHeader, 16, -16, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    TWindowDc screen(nullptr);
    TMemoryDc mem(CreateCompatibleDC(screen.Get()));
    TBitmapHandle bmp(CreateDIBSection(screen.Get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    TSelectGuard sel(mem.Get(), bmp.Get());
    auto* px = static_cast<std::uint32_t*>(bits);
    for (int i = 0; i < 256; ++i)
        px[i] = (GetRValue(kBack) << 16) | (GetGValue(kBack) << 8) | GetBValue(kBack);
    DrawIconEx(mem.Get(), 0, 0, icon, 16, 16, 0, nullptr, DI_NORMAL);
    GdiFlush();
    std::vector<COLORREF> out(256);
    for (int i = 0; i < 256; ++i)
        out[std::size_t(i)] = RGB((px[i] >> 16) & 0xFF, (px[i] >> 8) & 0xFF, px[i] & 0xFF);
    return out;
}

// What a 16 x 16 picture must look like as an icon: transparent where it has the colour of its
// bottom-left pixel, every other pixel its own colour.
std::vector<COLORREF> Expected(const TPicture& p)
{
    std::vector<COLORREF> out(256);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            out[std::size_t(y * 16 + x)] = p(x, y) == p(0, 15) ? kBack : p(x, y);
    return out;
}

// A Windows bitmap file of the picture. Depths 1, 4 and 8 get a colour table of the picture's
// colours; 16 and 32 bits with bitfields get masks in an unusual order (blue high, red low).
std::string Bmp(int width, int height, int bits, bool topDown, bool bitfields, const TPicture& p)
{
    std::vector<COLORREF> table;
    std::map<COLORREF, int> index;
    if (bits <= 8) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (!index.count(p(x, y))) {
                    index[p(x, y)] = int(table.size());
                    table.push_back(p(x, y));
                }
    }
    const int stride = (width * bits + 31) / 32 * 4;
    std::string pixels(std::size_t(stride * height), '\0');
    for (int row = 0; row < height; ++row) {
        const int y = topDown ? row : height - 1 - row;
        auto* line = reinterpret_cast<unsigned char*>(&pixels[std::size_t(row * stride)]);
        for (int x = 0; x < width; ++x) {
            const COLORREF c = p(x, y);
            if (bits <= 8) {
                const int v = index[c];
                const int perByte = 8 / bits;
                line[x / perByte] |= static_cast<unsigned char>(v << (8 - bits * (x % perByte + 1)));
            } else if (bits == 24) {
                line[x * 3] = GetBValue(c), line[x * 3 + 1] = GetGValue(c), line[x * 3 + 2] = GetRValue(c);
            } else if (bits == 32 && !bitfields) {
                line[x * 4] = GetBValue(c), line[x * 4 + 1] = GetGValue(c), line[x * 4 + 2] = GetRValue(c);
                line[x * 4 + 3] = 0x80;
            } else if (bits == 32) {
                // Red in the low byte, green next, blue above it.
                line[x * 4] = GetRValue(c), line[x * 4 + 1] = GetGValue(c), line[x * 4 + 2] = GetBValue(c);
            } else { // 16 bits, 5-5-5
                const unsigned v = (GetRValue(c) >> 3) << 10 | (GetGValue(c) >> 3) << 5 | (GetBValue(c) >> 3);
                line[x * 2] = static_cast<unsigned char>(v), line[x * 2 + 1] = static_cast<unsigned char>(v >> 8);
            }
        }
    }
    std::string f;
    auto put16 = [&](unsigned v) { f += char(v & 0xFF), f += char((v >> 8) & 0xFF); };
    auto put32 = [&](unsigned v) { put16(v & 0xFFFF), put16(v >> 16); };
    const unsigned tableBytes = unsigned(table.size()) * 4 + (bitfields ? 12 : 0);
    const unsigned offset = 14 + 40 + tableBytes;
    put16(0x4D42), put32(offset + unsigned(pixels.size())), put32(0), put32(offset);
    put32(40), put32(unsigned(width)), put32(unsigned(topDown ? -height : height)), put16(1),
        put16(unsigned(bits));
    put32(bitfields ? 3 : 0), put32(unsigned(pixels.size())), put32(0), put32(0), put32(unsigned(table.size())),
        put32(0);
    if (bitfields)
        put32(0x000000FF), put32(0x0000FF00), put32(0x00FF0000);
    for (COLORREF c : table)
        f += char(GetBValue(c)), f += char(GetGValue(c)), f += char(GetRValue(c)), f += char(0);
    return f + pixels;
}

std::string Jpeg(int width, int height, const TPicture& p)
{
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = JDIMENSION(width);
    c.image_height = JDIMENSION(height);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 100, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(std::size_t(width) * 3);
    while (c.next_scanline < c.image_height) {
        for (int x = 0; x < width; ++x) {
            COLORREF v = p(x, int(c.next_scanline));
            row[std::size_t(x) * 3] = GetRValue(v), row[std::size_t(x) * 3 + 1] = GetGValue(v),
                                 row[std::size_t(x) * 3 + 2] = GetBValue(v);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::string out(reinterpret_cast<char*>(buffer), size);
    std::free(buffer);
    return out;
}

// A 16 x 16 picture with a magenta bottom-left pixel, black and magenta pixels elsewhere and
// some colours; with two colours only (magenta and black) for 1 bit per pixel.
COLORREF Busy(int x, int y)
{
    if (y == 15 && x < 4)
        return kMagenta;
    if ((x + y) % 5 == 0)
        return kBlack;
    if ((x * y) % 7 == 3)
        return kMagenta;
    const COLORREF colours[] = {kRed, kBlue, kGreen, kWhite, kYellow};
    return colours[(x / 4 + y / 4) % 5];
}
COLORREF TwoColours(int x, int y)
{
    return (y == 15 && x == 0) || (x * y) % 3 == 1 ? kMagenta : kBlack;
}

class FeedIconsTest : public ProgramFolderTest {
protected:
    TTempFolder Picked{"qv_pictures"};

    // Starts with the feed "heise" in a sub-folder as the current feed.
    void StartWithFeed()
    {
        Dir("Technik");
        Feed("Technik\\heise.nfd", "http://127.0.0.1:9/heise.xml");
        Start("heise");
    }
    std::string Target() const { return Feeds("Technik\\heise.ico"); }
    // Picks a file of that name and content in the dialog of "Icon hinzufügen ...".
    void AddIcon(const std::string& name, const std::string& bytes)
    {
        WriteTextFile(Picked / name, bytes);
        Ui.FileAnswers.push_back({true, Picked / name});
        Click(MainForm->AddIconBtn);
    }
    // The written icon file as the platform loads it, drawn.
    std::vector<COLORREF> LoadedTarget() const
    {
        TIconHandle icon(LoadIconFile(Target(), 16, 16));
        EXPECT_TRUE(icon) << Target();
        return icon ? DrawnIcon(icon.Get()) : std::vector<COLORREF>();
    }
    void ExpectIconFile() const
    {
        const std::string bytes = ReadFileBytes(Target());
        ASSERT_EQ(bytes.size(), 1406u);
        EXPECT_EQ(bytes.substr(0, 22), std::string(reinterpret_cast<const char*>(kDirectory), 22));
    }
};

TEST_F(FeedIconsTest, TheDialogIsSetUpForIconsBitmapsAndJpegs)
{
    StartWithFeed();
    Click(MainForm->AddIconBtn);
    ASSERT_EQ(Ui.FileRequests.size(), 1u);
    const TOpenFileRequest& r = Ui.FileRequests[0];
    EXPECT_EQ(r.Title, "Icon laden ...");
    EXPECT_EQ(r.Filter, "Alle Dateien|*.ico;*.bmp;*.jpg|Icons|*.ico|Bitmaps|*.bmp|Jpgs|*.jpg");
    EXPECT_EQ(r.Options & (OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_ENABLESIZING),
              DWORD(OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_ENABLESIZING));
    EXPECT_TRUE(Ui.Messages.empty());
    EXPECT_EQ(Listing(Feeds("Technik\\")), "heise.nfd");
}

TEST_F(FeedIconsTest, BitmapsOfEveryKindBecomeThe1406ByteIconBesideTheFeedFile)
{
    StartWithFeed();
    const int components = MainForm->ComponentCount();
    struct TKind {
        int Bits;
        bool TopDown, Bitfields;
    } kinds[] = {{1, false, false},  {1, true, false},  {4, false, false},  {4, true, false},
                 {8, false, false},  {8, true, false},  {24, false, false}, {24, true, false},
                 {32, false, false}, {32, true, false}, {32, false, true},  {32, true, true}};
    for (const TKind& k : kinds) {
        SCOPED_TRACE(std::to_string(k.Bits) + (k.TopDown ? " top-down" : " bottom-up") +
                     (k.Bitfields ? " bitfields" : ""));
        rtl::DeleteFile(Target());
        const TPicture p = k.Bits == 1 ? TPicture(TwoColours) : TPicture(Busy);
        AddIcon("bild.bmp", Bmp(16, 16, k.Bits, k.TopDown, k.Bitfields, p));
        EXPECT_TRUE(Ui.Messages.empty()) << MessageTexts();
        ExpectIconFile();
        EXPECT_EQ(LoadedTarget(), Expected(p));
    }
    // The converter lived only for each conversion.
    EXPECT_EQ(MainForm->ComponentCount(), components);
    EXPECT_EQ(Listing(Feeds()), "Technik");
    EXPECT_EQ(Listing(Feeds("Technik\\")), "heise.ico heise.nfd");
}

TEST_F(FeedIconsTest, BlackBottomLeftMakesEveryBlackPixelTransparent)
{
    StartWithFeed();
    auto p = [](int x, int y) { return (x + y) % 3 == 0 || (x == 0 && y == 15) ? kBlack : kRed; };
    AddIcon("schwarz.bmp", Bmp(16, 16, 24, false, false, p));
    ExpectIconFile();
    const std::vector<COLORREF> drawn = LoadedTarget();
    ASSERT_EQ(drawn.size(), 256u);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_EQ(drawn[std::size_t(y * 16 + x)], p(x, y) == kBlack ? kBack : kRed) << x << "," << y;
}

TEST_F(FeedIconsTest, ThirtyTwoSquareIsAveragedAndEightSquareRepeated)
{
    StartWithFeed();
    // Left half red, right half blue, the two bottom rows green: the averaged bottom row is
    // green, and only it is transparent. Taking the top-left 16 x 16 instead would give no blue.
    auto big = [](int x, int y) { return y >= 30 ? kGreen : x < 16 ? kRed : kBlue; };
    AddIcon("gross.bmp", Bmp(32, 32, 24, false, false, big));
    ExpectIconFile();
    std::vector<COLORREF> drawn = LoadedTarget();
    ASSERT_EQ(drawn.size(), 256u);
    for (int x = 0; x < 16; ++x)
        EXPECT_EQ(drawn[std::size_t(15 * 16 + x)], kBack) << x;
    EXPECT_EQ(drawn[0], kRed);
    EXPECT_EQ(drawn[6 * 16 + 3], kRed);
    EXPECT_EQ(drawn[15], kBlue);
    EXPECT_EQ(drawn[6 * 16 + 12], kBlue);
    EXPECT_EQ(drawn[14 * 16 + 15], kBlue);

    // 8 x 8 single-pixel checks become runs of repeated pixels; the corners keep their source
    // pixel, and the enlarged bottom-left pixel is the transparent colour.
    Ui.MessageAnswers = {IDYES};
    auto small = [](int x, int y) { return x == 0 && y == 7 ? kWhite : (x + y) % 2 ? kRed : kBlue; };
    AddIcon("klein.bmp", Bmp(8, 8, 24, true, false, small));
    ExpectIconFile();
    drawn = LoadedTarget();
    ASSERT_EQ(drawn.size(), 256u);
    // Target pixel i repeats the source pixel nearest to i × 7 / 15: 0 and 1 take source 0,
    // 2 takes source 1, 14 and 15 take source 7.
    EXPECT_EQ(drawn[0], kBlue);
    EXPECT_EQ(drawn[1], kBlue);
    EXPECT_EQ(drawn[2], kRed);
    EXPECT_EQ(drawn[15], kRed);
    EXPECT_EQ(drawn[15 * 16 + 15], kBlue);
    int transparent = 0;
    for (COLORREF c : drawn)
        transparent += c == kBack;
    EXPECT_EQ(transparent, 4);
    for (int i : {14 * 16, 14 * 16 + 1, 15 * 16, 15 * 16 + 1})
        EXPECT_EQ(drawn[std::size_t(i)], kBack) << i;
}

TEST_F(FeedIconsTest, JpegPicturesAreDecodedScaledAndConverted)
{
    StartWithFeed();
    // 64 x 48: red above, blue below; the bottom-left pixel is blue, so is the transparent colour.
    auto p = [](int, int y) { return y < 24 ? kRed : kBlue; };
    AddIcon("foto.jpg", Jpeg(64, 48, p));
    EXPECT_TRUE(Ui.Messages.empty()) << MessageTexts();
    ExpectIconFile();
    std::vector<COLORREF> drawn = LoadedTarget();
    ASSERT_EQ(drawn.size(), 256u);
    EXPECT_EQ(drawn[2 * 16 + 8], kRed);
    EXPECT_EQ(drawn[15 * 16 + 0], kBack);

    // A 16 x 16 JPEG is converted without scaling.
    Ui.MessageAnswers = {IDYES};
    AddIcon("klein.jpg", Jpeg(16, 16, [](int x, int) { return x < 8 ? kWhite : kYellow; }));
    ExpectIconFile();
    drawn = LoadedTarget();
    ASSERT_EQ(drawn.size(), 256u);
    EXPECT_EQ(drawn[15 * 16 + 0], kBack);
    EXPECT_EQ(drawn[15 * 16 + 15], kYellow);
}

TEST_F(FeedIconsTest, IconFilesAreCopiedAndTheReplaceQuestionComesBeforeTheDialog)
{
    StartWithFeed();
    const std::string red = SolidIco(kRed), blue = SolidIco(kBlue);
    AddIcon("rot.ico", red);
    EXPECT_TRUE(Ui.Messages.empty()) << MessageTexts();
    EXPECT_EQ(ReadFileBytes(Target()), red);

    // The feed has an icon now: No ends the command before the dialog is shown.
    Ui.FileRequests.clear();
    Ui.MessageAnswers = {IDNO};
    AddIcon("blau.ico", blue);
    ASSERT_EQ(Ui.Messages.size(), 1u);
    EXPECT_EQ(Ui.Messages[0].Text, "Diese Feed besitzt schon ein Icon, möchten sie das ersetzten?");
    EXPECT_EQ(Ui.Messages[0].Type, UINT(MB_ICONQUESTION | MB_YESNO));
    EXPECT_TRUE(Ui.FileRequests.empty());
    EXPECT_EQ(ReadFileBytes(Target()), red);
    Ui.FileAnswers.clear();

    Ui.MessageAnswers = {IDYES};
    AddIcon("blau.ico", blue);
    EXPECT_EQ(Ui.FileRequests.size(), 1u);
    EXPECT_EQ(ReadFileBytes(Target()), blue);
}

TEST_F(FeedIconsTest, UndecodableFilesShowTheirErrorAndLeaveTheOldIcon)
{
    StartWithFeed();
    const std::string old = SolidIco(kGreen);
    WriteTextFile(Target(), old);
    const std::string bmp = Bmp(16, 16, 24, false, false, Busy);
    const std::string jpg = Jpeg(32, 32, Busy);
    struct TCase {
        const char* Name;
        std::string Bytes;
        const char* Message;
    } cases[] = {
        {"leer.bmp", "", "Ungültige Bitmap-Datei"},
        {"kurz.bmp", bmp.substr(0, bmp.size() - 1), "Ungültige Bitmap-Datei"},
        {"kopf.bmp", bmp.substr(0, 30), "Ungültige Bitmap-Datei"},
        {"text.bmp", "Das ist keine Bitmap, auch wenn sie so heißt.", "Ungültige Bitmap-Datei"},
        {"rle.bmp",
         [&] {
             std::string b = bmp;
             b[30] = 1;
             return b;
         }(),
         "Ungültige Bitmap-Datei"},
        {"tief.bmp", Bmp(16, 16, 16, false, false, Busy), "Ungültige Bitmap-Datei"},
        {"leer.jpg", "", "JPEG-Datei kann nicht gelesen werden"},
        {"kurz.jpg", jpg.substr(0, jpg.size() / 2), "JPEG-Datei kann nicht gelesen werden"},
        {"text.jpg", "kein JPEG", "JPEG-Datei kann nicht gelesen werden"},
        {"bild.jpg", bmp, "JPEG-Datei kann nicht gelesen werden"},
        {"kaputt.ico", "kein Icon", "Ungültige Icon-Datei"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Ui.Messages.clear();
        Ui.MessageAnswers = {IDYES, IDOK};
        AddIcon(c.Name, c.Bytes);
        ASSERT_EQ(Ui.Messages.size(), 2u);
        EXPECT_EQ(Ui.Messages[1].Text.rfind(c.Message, 0), 0u) << Ui.Messages[1].Text;
        EXPECT_EQ(Ui.Messages[1].Type, UINT(MB_ICONERROR | MB_OK));
        EXPECT_EQ(ReadFileBytes(Target()), old);
    }
    EXPECT_EQ(Listing(Feeds("Technik\\")), "heise.ico heise.nfd");
}

TEST_F(FeedIconsTest, OtherExtensionsAreIgnored)
{
    StartWithFeed();
    for (const char* name : {"bild.BMP", "bild.Jpg", "bild.jpeg", "bild.png", "bild.ico.txt", "bild"}) {
        AddIcon(name, Bmp(16, 16, 24, false, false, Busy));
        EXPECT_TRUE(Ui.Messages.empty()) << name;
    }
    EXPECT_EQ(Listing(Feeds("Technik\\")), "heise.nfd");
}

TEST_F(FeedIconsTest, WithoutTheFeedFileNothingIsWrittenAnywhere)
{
    StartWithFeed();
    Ui.MessageAnswers = {IDYES};
    Click(MainForm->DeleteFeedBtn);
    ASSERT_EQ(Listing(Feeds("Technik\\")), "");
    wchar_t cwd[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, cwd);
    const std::string here = Listing(rtl::WideToUtf8(cwd) + "\\");
    Ui.Messages.clear();
    AddIcon("rot.ico", SolidIco(kRed));
    ASSERT_EQ(Ui.Messages.size(), 1u);
    EXPECT_EQ(Ui.Messages[0].Text, "Die Datei des Feeds \"heise\" wurde nicht gefunden.\rDas Icon kann nicht "
                                   "gespeichert werden.");
    EXPECT_EQ(Ui.Messages[0].Type, UINT(MB_ICONERROR | MB_OK));
    EXPECT_TRUE(Ui.FileRequests.empty());
    EXPECT_EQ(Listing(Feeds()), "Technik");
    EXPECT_EQ(Listing(rtl::WideToUtf8(cwd) + "\\"), here);
    EXPECT_FALSE(rtl::FileExists("ico"));
}

TEST_F(FeedIconsTest, AfterARestartTheFeedShowsItsNewIcon)
{
    StartWithFeed();
    // Nothing changes until the feed menu is rebuilt: the page keeps the default picture.
    const std::vector<COLORREF> before = DrawnIcon(MainForm->FeedIconImage->Icon());
    auto p = [](int x, int y) {
        return x == 0 && y == 15 ? kMagenta : (x >= 3 && x <= 12 && y >= 3 && y <= 12) ? kYellow : kBlue;
    };
    AddIcon("gelb.bmp", Bmp(16, 16, 24, false, false, p));
    ASSERT_TRUE(Ui.Messages.empty()) << MessageTexts();
    EXPECT_EQ(DrawnIcon(MainForm->FeedIconImage->Icon()), before);
    Stop();

    Start("heise");
    EXPECT_EQ(MainForm->CurrentFeed.Name, "heise");
    TIconHandle listed(MainForm->FeedIconList->GetIcon(MainForm->CurrentFeed.IconIndex));
    EXPECT_EQ(DrawnIcon(listed.Get()), Expected(p));
    EXPECT_EQ(DrawnIcon(MainForm->FeedIconImage->Icon()), Expected(p));
    TMenuItem* entry = Entry(Entry(FeedsEntry(), "Technik"), "heise");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->ImageIndex(), MainForm->CurrentFeed.IconIndex);

    MainForm->DescMemo->SetText("Nachrichten aus der Technik, mit eigenem Icon.");
    RedrawWindow(MainForm->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    App->ProcessMessages();
    Sleep(100);
    App->ProcessMessages();
    EXPECT_FALSE(SaveWindowBitmap(MainForm->Handle(), "feed_page_with_icon").empty());
}

TEST(IconConverter, TheIconDrawsWithTheMaskAndWritesTheFileOfThePortablePath)
{
    TApplication app;
    app.Initialize();
    icons::TBitmap24 b(16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const COLORREF c = Busy(x, y);
            b.SetPixel(x, y, icons::TRgb{GetRValue(c), GetGValue(c), GetBValue(c)});
        }
    TIconConverter converter(nullptr);
    TIconHandle icon(converter.MakeIconFromBitmap(b));
    ASSERT_TRUE(icon);
    EXPECT_EQ(DrawnIcon(icon.Get()), Expected(Busy));
    std::ostringstream written;
    WriteIconFile(written, icon.Get(), true);
    EXPECT_EQ(written.str(), icons::IconFileBytes(icons::MakeIconImage(b), true));

    // An inconsistent bitmap is refused, and nothing is written.
    icons::TBitmap24 broken(16, 16);
    broken.Pixels.resize(10);
    EXPECT_THROW(TIconHandle(converter.MakeIconFromBitmap(broken)), icons::EInvalidGraphic);
    TTempFolder folder("qv_converter");
    EXPECT_THROW(converter.SaveBitmapAsIconFile(broken, folder / "x.ico"), icons::EInvalidGraphic);
    EXPECT_FALSE(rtl::FileExists(folder / "x.ico"));
    converter.SaveBitmapAsIconFile(b, folder / "x.ico");
    EXPECT_EQ(ReadFileBytes(folder / "x.ico"), icons::IconFileBytes(icons::MakeIconImage(b), false));
}

} // namespace
