// A demonstration for screenshots, not run by default: the tray icon with its menu and a balloon
// pointing at the notification area, as the program shows them. Run it on Wine's virtual desktop:
//     wine explorer /desktop=NAME,1024x768 win_tests.exe --gtest_also_run_disabled_tests
//          --gtest_filter=TrayDemo.*
// It holds each state for a few seconds and announces it on standard output.
#include <gtest/gtest.h>

#include <cstdio>

#include "../../src/app/res/resource.h"
#include "gui/application.h"
#include "gui/image_list.h"
#include "gui/menus.h"
#include "tray/balloon_hint.h"
#include "tray/balloon_window.h"
#include "tray/tray_icon.h"

namespace {

void Pump(int ms)
{
    DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    do {
        Application->ProcessMessages();
        Sleep(10);
    } while (static_cast<int>(end - GetTickCount()) > 0);
}

void Announce(const char* what)
{
    std::printf("DEMO %s\n", what);
    std::fflush(stdout);
}

void CALLBACK CloseMenu(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    EndMenu();
}

HICON ResourceIcon(int id)
{
    return static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, 0));
}

TEST(TrayDemo, DISABLED_TrayIconMenuAndBalloon)
{
    TApplication app;
    app.Initialize();
    app.SetTitle("Quorvane");

    TImageList* feedIcons = new TImageList(&app);
    feedIcons->AddIcon(ResourceIcon(IDI_THEICON));
    TImageList* menuIcons = new TImageList(&app);
    for (int id : {IDI_MENU_REFRESH, IDI_MENU_SETTINGS, IDI_MENU_ABOUT, IDI_MENU_EXIT})
        menuIcons->AddIcon(ResourceIcon(id));

    TPopupMenu* menu = new TPopupMenu(&app);
    menu->SetImages(menuIcons);
    struct Entry {
        const char* Caption;
        int Image;
        bool Default;
    } entries[] = {{"Heise online News", -1, false},
                   {"-", -1, false},
                   {"Jetzt Aktualisieren", 0, false},
                   {"Einstellungen ...", 1, true},
                   {"Über ...", 2, false},
                   {"-", -1, false},
                   {"Beenden", 3, false}};
    for (const Entry& e : entries) {
        TMenuItem* item = new TMenuItem();
        item->SetCaption(e.Caption);
        item->SetImageIndex(e.Image);
        item->SetDefault(e.Default);
        menu->Items()->Add(item);
    }

    TTrayIcon* tray = new TTrayIcon(&app);
    tray->SetIcon(ResourceIcon(IDI_QUORVANE));
    tray->SetHint("Quorvane - Heise online News");
    tray->SetPopupMenu(menu);
    tray->SetActive(true);

    TBalloonHint* balloon = new TBalloonHint(&app);
    balloon->SetImages(feedIcons);
    balloon->SetDefaultBalloonPosition(bpRightUp);
    balloon->SetOptions({boShowCloseBtn, boCustomAnimation});
    balloon->SetCustomAnimationStyle(atNone);
    POINT anchor = {GetSystemMetrics(SM_CXSCREEN) - 30, GetSystemMetrics(SM_CYSCREEN) - 20};
    balloon->ShowBalloonAt(nullptr, anchor, "Neue Schlagzeilen",
                           "Erste Schlagzeile des Tages: Quorvane zeigt Nachrichten\r"
                           "Zweite Zeile mit der Beschreibung & mehr",
                           20000, ikCustom, 0);
    Pump(300);
    ASSERT_TRUE(IsWindowVisible(balloon->BalloonWindow()->Handle()));
    RECT r = balloon->BalloonWindow()->BoundsRect();
    std::printf("DEMO balloon at %ld,%ld-%ld,%ld position %d\n", r.left, r.top, r.right, r.bottom,
                static_cast<int>(balloon->BalloonWindow()->Position()));
    Announce("balloon shown");
    Pump(6000);

    balloon->HideBalloon();
    SetCursorPos(anchor.x, anchor.y);
    Announce("menu opening");
    SetTimer(nullptr, 0, 6000, &CloseMenu);
    SendMessageA(tray->Handle(), kTrayCallbackMessage, 1, WM_RBUTTONUP);
    Announce("menu closed");
    Pump(500);
    Announce("done");
}

} // namespace
