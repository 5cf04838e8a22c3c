#include "app/feed_icons.h"

#include "app/feed_store.h"
#include "app/icons/bmp_reader.h"
#include "app/icons/icon_converter.h"
#include "app/icons/icon_converter_win.h"
#include "app/icons/jpeg_reader.h"
#include "app/icons/resampler.h"
#include "gui/handles.h"
#include "rtl/files.h"
#include "rtl/string_list.h"
#include "rtl/text.h"

TIconSource IconSourceOf(const std::string& fileName)
{
    const std::string ext = rtl::ExtractFileExt(fileName);
    if (ext == ".ico")
        return isIcon;
    if (ext == ".bmp")
        return isBitmap;
    if (ext == ".jpg")
        return isJpeg;
    return isUnknown;
}

std::string FeedIconTarget(const std::string& feedFile)
{
    return feedFile.size() < 3 ? std::string() : feedFile.substr(0, feedFile.size() - 3) + "ico";
}

bool WriteFeedIcon(TComponent* owner, const std::string& chosenFile, const std::string& target)
{
    icons::TBitmap24 bitmap;
    switch (IconSourceOf(chosenFile)) {
    case isIcon: {
        // Copied as it is, but only when the feed store can read it back: a file it cannot load
        // as an icon would end every later build of the feed menu at this feed.
        const TIconHandle check = LoadFeedIcon(chosenFile);
        rtl::CopyFile(chosenFile, target, false);
        return true;
    }
    case isBitmap:
        bitmap = icons::ReadBmp(ReadFileBytes(chosenFile));
        if (bitmap.Width != icons::kIconSize || bitmap.Height != icons::kIconSize)
            icons::ResampleBitmap(icons::kIconSize, icons::kIconSize, bitmap);
        break;
    case isJpeg:
        // Scaled while decoding: the same picture as decoding whole and then scaling.
        bitmap = icons::ReadJpegResampled(ReadFileBytes(chosenFile), icons::kIconSize, icons::kIconSize);
        break;
    case isUnknown:
        return false;
    }
    TIconConverter* converter = new TIconConverter(owner);
    try {
        converter->SaveBitmapAsIconFile(bitmap, target);
    } catch (...) {
        Free(converter);
        throw;
    }
    Free(converter);
    return true;
}
