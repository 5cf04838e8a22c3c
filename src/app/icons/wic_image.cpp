#include "app/icons/wic_image.h"

#include <windows.h>
#include <objbase.h>
#include <wincodec.h>

#include <cstdio>
#include <vector>

namespace icons {

namespace {

// COM for the time of one decoding. A thread that has COM in either model already keeps it
// (RPC_E_CHANGED_MODE says so, and the imaging component works in both); a thread that had
// none is left without it again.
class TComScope {
public:
    TComScope() : FResult(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~TComScope()
    {
        if (SUCCEEDED(FResult))
            CoUninitialize();
    }
    TComScope(const TComScope&) = delete;
    TComScope& operator=(const TComScope&) = delete;
    bool Usable() const { return SUCCEEDED(FResult) || FResult == RPC_E_CHANGED_MODE; }
    HRESULT Result() const { return FResult; }

private:
    HRESULT FResult;
};

template <class T> class TComPtr {
public:
    TComPtr() = default;
    ~TComPtr()
    {
        if (FPtr)
            FPtr->Release();
    }
    TComPtr(const TComPtr&) = delete;
    TComPtr& operator=(const TComPtr&) = delete;
    T* operator->() const { return FPtr; }
    T* Get() const { return FPtr; }
    T** Out() { return &FPtr; }

private:
    T* FPtr = nullptr;
};

[[noreturn]] void Fail(const char* what, HRESULT hr)
{
    char code[16];
    std::snprintf(code, sizeof code, "%08lX", static_cast<unsigned long>(hr));
    throw EInvalidGraphic(std::string("Das Bild kann nicht gelesen werden: ") + what + " (0x" + code + ")");
}

void Check(HRESULT hr, const char* what)
{
    if (FAILED(hr))
        Fail(what, hr);
}

// The frame to take: 16 pixels wide, else the smallest wider one, else the widest.
UINT ChooseFrame(IWICBitmapDecoder* decoder)
{
    UINT count = 0;
    Check(decoder->GetFrameCount(&count), "keine Bilder");
    if (count == 0)
        Fail("keine Bilder", E_FAIL);
    constexpr UINT kMaxFrames = 64;
    UINT best = 0, bestWidth = 0;
    for (UINT i = 0; i < count && i < kMaxFrames; ++i) {
        TComPtr<IWICBitmapFrameDecode> frame;
        UINT w = 0, h = 0;
        if (FAILED(decoder->GetFrame(i, frame.Out())) || FAILED(frame->GetSize(&w, &h)) || w == 0 || h == 0)
            continue;
        const bool better = bestWidth == 0 || (w >= 16 && (bestWidth < 16 || w < bestWidth)) ||
                            (w < 16 && bestWidth < 16 && w > bestWidth);
        if (better) {
            best = i;
            bestWidth = w;
        }
    }
    return best;
}

} // namespace

TBitmapBgra DecodeImage(const std::string& bytes)
{
    if (bytes.empty() || bytes.size() > 0x7FFFFFFF)
        Fail("leere Datei", E_INVALIDARG);
    TComScope com;
    if (!com.Usable())
        Fail("COM", com.Result());
    TComPtr<IWICImagingFactory> factory;
    Check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                           reinterpret_cast<void**>(factory.Out())),
          "keine Bildkomponente");
    TComPtr<IWICStream> stream;
    Check(factory->CreateStream(stream.Out()), "Datenstrom");
    // The stream reads the caller's bytes in place; they outlive every object made here.
    Check(stream->InitializeFromMemory(reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data())),
                                       static_cast<DWORD>(bytes.size())),
          "Datenstrom");
    TComPtr<IWICBitmapDecoder> decoder;
    Check(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.Out()),
          "unbekanntes oder beschädigtes Format");
    TComPtr<IWICBitmapFrameDecode> frame;
    Check(decoder->GetFrame(ChooseFrame(decoder.Get()), frame.Out()), "beschädigtes Bild");
    UINT width = 0, height = 0;
    Check(frame->GetSize(&width, &height), "beschädigtes Bild");
    if (width == 0 || height == 0 || width > UINT(kMaxWicSide) || height > UINT(kMaxWicSide))
        Fail("das Bild ist leer oder zu groß", E_INVALIDARG);
    TComPtr<IWICFormatConverter> converter;
    Check(factory->CreateFormatConverter(converter.Out()), "Umwandlung");
    Check(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                WICBitmapPaletteTypeCustom),
          "Umwandlung");

    TBitmapBgra picture;
    picture.Width = static_cast<int>(width);
    picture.Height = static_cast<int>(height);
    picture.Pixels.resize(std::size_t(width) * height * 4);
    Check(
        converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(picture.Pixels.size()), picture.Pixels.data()),
        "beschädigtes Bild");
    return picture;
}

std::string SiteIconFileBytes(const std::string& pictureBytes)
{
    return IconFileBytes(SiteIconImage(DecodeImage(pictureBytes)), false);
}

} // namespace icons
