#pragma once
// Shared helpers of the Windows tests: a scripted stand-in for the user and the shell, and
// temporary program folders.
#include <windows.h>

#include <deque>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "gui/application.h"
#include "gui/platform_ui.h"
#include "rtl/files.h"
#include "rtl/wide.h"

struct TShellCall {
    HWND Parent;
    std::string Verb, File, Parameters, Directory;
    int Show;
};

struct TMessageCall {
    std::string Text, Caption;
    UINT Type;
};

// Answers message boxes, prompts and file dialogs from queues and records what was asked.
// An empty queue answers OK / IDYES-less default (the first button), cancels prompts and dialogs.
class TScriptedUi : public TPlatformUi {
public:
    TScriptedUi() { SetPlatformUi(this); }
    ~TScriptedUi() override { SetPlatformUi(nullptr); }

    std::vector<TShellCall> ShellCalls;
    std::vector<TMessageCall> Messages;
    std::vector<std::string> Prompts; // "caption|prompt|default"
    std::deque<int> MessageAnswers;
    std::deque<std::pair<bool, std::string>> PromptAnswers;
    std::deque<std::pair<bool, std::string>> FileAnswers;
    std::vector<TOpenFileRequest> FileRequests;
    INT_PTR ShellResult = 42;

    INT_PTR ShellOpen(HWND parent, const std::string& verb, const std::string& file, const std::string& parameters,
                      const std::string& directory, int showCmd) override
    {
        ShellCalls.push_back({parent, verb, file, parameters, directory, showCmd});
        return ShellResult;
    }
    // Called with each message as it is shown, before it is answered.
    std::function<void(const TMessageCall&)> OnMessage;

    int MessageBox(HWND, const std::string& text, const std::string& caption, UINT type) override
    {
        Messages.push_back({text, caption, type});
        if (OnMessage)
            OnMessage(Messages.back());
        if (!MessageAnswers.empty()) {
            int a = MessageAnswers.front();
            MessageAnswers.pop_front();
            return a;
        }
        return (type & 0xF) == MB_YESNO ? IDNO : IDOK;
    }
    bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) override
    {
        Prompts.push_back(caption + "|" + prompt + "|" + value);
        if (PromptAnswers.empty())
            return false;
        auto a = PromptAnswers.front();
        PromptAnswers.pop_front();
        if (a.first)
            value = a.second;
        return a.first;
    }
    bool OpenFile(const TOpenFileRequest& request, std::string& fileName) override
    {
        FileRequests.push_back(request);
        if (FileAnswers.empty())
            return false;
        auto a = FileAnswers.front();
        FileAnswers.pop_front();
        if (a.first)
            fileName = a.second;
        return a.first;
    }
};

// The running test's name ("Suite.Name", "/" of parameterised names as "_") and a number of this
// run: unique among the tests of all shards, and apart from an earlier run's on a server that
// outlives one (Wine reuses process ids, and every shard counts them from the same start).
std::string TestTag();

// A fresh, empty folder under the temporary folder, named after the running test, removed with
// everything in it at the end.
class TTempFolder {
public:
    explicit TTempFolder(const std::string& name)
    {
        wchar_t tmp[MAX_PATH];
        GetTempPathW(MAX_PATH, tmp);
        FPath = rtl::WideToUtf8(tmp) + name + "_" + TestTag() + "\\";
        RemoveTree(FPath);
        rtl::CreateDir(FPath);
    }
    ~TTempFolder() { RemoveTree(FPath); }
    const std::string& Path() const { return FPath; }
    std::string operator/(const std::string& name) const { return FPath + name; }

    static void RemoveTree(const std::string& folder)
    {
        rtl::ForEachFileEntry(folder + "*", [&](const rtl::TFileEntry& e) {
            if (e.Name == "." || e.Name == "..")
                return true;
            const std::string p = folder + e.Name;
            SetFileAttributesW(rtl::Utf8ToWide(p).c_str(), FILE_ATTRIBUTE_NORMAL);
            if (e.IsDirectory())
                RemoveTree(p + "\\");
            else
                rtl::DeleteFile(p);
            return true;
        });
        RemoveDirectoryW(rtl::Utf8ToWide(folder).c_str());
    }

private:
    std::string FPath;
};

// The class name and the text of a window, and the text of a menu's entry, as UTF-8.
std::string ClassNameOf(HWND wnd);
std::string WindowTextOf(HWND wnd);
std::string MenuStringOf(HMENU menu, UINT position);
// The first window of a class (and caption, when given) among the top-level windows or, with a
// parent, among its children.
HWND FindWindowOf(const std::string& className, const std::string& caption = "", HWND parent = nullptr);

// Writes a text file (bytes as given); false when it could not be written whole.
inline bool WriteTextFile(const std::string& path, const std::string& text)
{
    HANDLE h = CreateFileW(rtl::Utf8ToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok =
        WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size();
    CloseHandle(h);
    return ok;
}

// The program started in-process through its own start, with the program file placed at exePath
// (its settings file and "Newsfeeds" beside it). The caller clears the override at the end:
// rtl::SetProgramFileNameOverride("").
std::unique_ptr<TApplication> StartProgramAt(const std::string& exePath);

// Lets the application's messages run until done() holds; false when timeoutMs passed first.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 10000);
// Lets the application's messages run for ms milliseconds.
void PumpFor(DWORD ms);

// The names in a folder in the platform's enumeration order, separated by spaces ("." and ".."
// left out); folder ends in a backslash.
std::string Listing(const std::string& folder);

// Screenshots of windows, kept as test artefacts under build/<tree>/artifacts.
std::string ArtifactFolder();
// Saves what the screen shows in r (screen coordinates) as a 24-bit BMP; returns the file name
// or "" on failure.
std::string SaveScreenRect(const RECT& r, const std::string& name);
// The same for a window with its frame.
std::string SaveWindowBitmap(HWND wnd, const std::string& name);

// The loopback server the CTest fixture started (tests/servers/http_server.py); its /docs/NAME
// route serves the files the tests write into DocsFolder.
struct TLoopbackServer {
    int Port = 0;
    int ProxyPort = 0;      // tinyproxy, asking for Basic authentication
    std::string DocsFolder; // as a Windows path, with a trailing backslash
    // The HTTPS servers: "tls", "tls_expired", "tls_untrusted".
    std::map<std::string, int> TlsPorts;
    std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(Port) + path; }
};
const TLoopbackServer& LoopbackServer();

// Moves the mouse pointer to the screen's top left corner, away from where the tests open menus:
// a menu that opens under the pointer selects the entry there, and keys then start from it. (A
// test before, in the same shard, may have left the pointer anywhere.)
void MovePointerAway();

class TPopupMenu;
// The user's choice in a popup menu: it opens as the tray icon opens it, the keys are pressed in
// it once it is on screen, and this returns when the menu has closed.
void ChooseInMenu(TPopupMenu& menu, const std::vector<WPARAM>& keys);

// A click of the left mouse button as the user makes it: the pointer moves to the point (in the
// window's client coordinates) and the button goes down and up through the system's input. The
// window is brought to the top first, so that it is the one under the pointer. Returns whether
// the system took the input; the caller then lets the messages run.
bool MouseClick(HWND wnd, POINT clientPoint);
// A key pressed as the user presses it, through the system's input, with the modifier keys given
// (VK_SHIFT, VK_CONTROL, VK_MENU) held down around it; the window is brought to the front first.
// Returns whether the system took the input; the caller then lets the messages run.
bool PressKey(HWND wnd, WORD key, std::initializer_list<WORD> modifiers = {});
