#include "gui/graphics.h"

#include <map>
#include <tuple>
#include <utility>

#include "gui/dpi.h"
#include "gui/handles.h"
#include "rtl/wide.h"

COLORREF ColorToRGB(TColor c)
{
    if (c & kSystemColorFlag)
        return GetSysColor(static_cast<int>(c & 0xFF));
    return static_cast<COLORREF>(c & 0xFFFFFF);
}

HBRUSH ColorBrush(TColor c)
{
    static std::map<TColor, TBrushHandle> brushes;
    auto it = brushes.find(c);
    if (it != brushes.end())
        return it->second.Get();
    HBRUSH b =
        (c & kSystemColorFlag) ? GetSysColorBrush(static_cast<int>(c & 0xFF)) : CreateSolidBrush(ColorToRGB(c));
    if (c & kSystemColorFlag)
        return b; // system brushes are owned by the system
    brushes.emplace(c, TBrushHandle(b));
    return b;
}

bool TFontSpec::operator<(const TFontSpec& o) const
{
    return std::tie(Name, Height, Bold, Underline) < std::tie(o.Name, o.Height, o.Bold, o.Underline);
}

HICON LoadIconFile(const std::string& fileName, int width, int height)
{
    return static_cast<HICON>(
        LoadImageW(nullptr, rtl::Utf8ToWide(fileName).c_str(), IMAGE_ICON, width, height, LR_LOADFROMFILE));
}

HFONT SharedFont(const TFontSpec& font, int dpi)
{
    static std::map<std::pair<TFontSpec, int>, TFontHandle> fonts;
    auto key = std::make_pair(font, dpi);
    auto it = fonts.find(key);
    if (it != fonts.end())
        return it->second.Get();
    LOGFONTW lf = {};
    lf.lfHeight = ScaleForDpi(font.Height, dpi);
    lf.lfWeight = font.Bold ? FW_BOLD : FW_NORMAL;
    lf.lfUnderline = font.Underline ? TRUE : FALSE;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(lf.lfFaceName, rtl::Utf8ToWide(font.Name).c_str(), LF_FACESIZE);
    HFONT f = CreateFontIndirectW(&lf);
    fonts.emplace(key, TFontHandle(f));
    return f;
}
