#pragma once

// What the tray picture tells about the current feed. A failure shows the plain picture: the
// tooltip says what failed.
enum class TTrayStatus { Plain, News, Fetching, Failed };

// The index in the tray's image list, whose pictures the refresh cycle makes in the order
// plain, news, fetching.
constexpr int TrayPicture(TTrayStatus status)
{
    return status == TTrayStatus::News ? 1 : status == TTrayStatus::Fetching ? 2 : 0;
}
