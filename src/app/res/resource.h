#pragma once
// Resource identifiers of the program's pictures (quorvane.rc). Icon 1 is the program icon.
#define IDI_QUORVANE 1
#define IDI_THEICON 101      // default feed picture: orange XML badge
#define IDI_FOLDERICO 102    // default folder picture
#define IDI_NEWIMAGE 103     // news mark for the tray icon (lower right quarter)
#define IDI_GETNEWSIMAGE 104 // fetching mark for the tray icon (lower right quarter)
#define IDI_TRAY_NEWS 105    // feed picture with the news mark (about window legend)
#define IDI_TRAY_FETCH 106   // feed picture with the fetching mark (about window legend)
#define IDI_GLYPH_NEW 111
#define IDI_GLYPH_KLIP 112
#define IDI_GLYPH_DELETE 113
#define IDI_GLYPH_ICON 114
#define IDI_GLYPH_EXPORT 115
// Pictures 0 to 6 of the tray menu's image list, in that order.
#define IDI_MENU_REFRESH 121   // lightning bolt over a window: "Jetzt Aktualisieren"
#define IDI_MENU_SETTINGS 122  // tools: "Einstellungen ..."
#define IDI_MENU_ABOUT 123     // speech bubble with an i: "Über ..."
#define IDI_MENU_EXIT 124      // door: "Beenden"
#define IDI_MENU_CUSTOMIZE 125 // check list: a "Customize this feed" headline
#define IDI_MENU_NEWSFEEDS 126 // orange XML badge: the "Newsfeeds" submenu
#define IDI_MENU_FEEDEDIT 127  // the badge with a pencil (not shown by any entry)
#define IDB_BANNER 201         // the settings window's banner at 100 %, 150 % and 200 %
#define IDB_BANNER150 202
#define IDB_BANNER200 203
