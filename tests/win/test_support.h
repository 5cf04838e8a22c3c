#pragma once
// Shared helpers of the Windows tests: a scripted stand-in for the user and the shell, and
// temporary program folders.
#include <windows.h>

#include <deque>
#include <string>
#include <vector>

#include "gui/platform_ui.h"

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
    int MessageBox(HWND, const std::string& text, const std::string& caption, UINT type) override
    {
        Messages.push_back({text, caption, type});
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

// A fresh, empty folder under the temporary folder, removed with everything in it at the end.
class TTempFolder {
public:
    explicit TTempFolder(const std::string& name)
    {
        char tmp[MAX_PATH];
        GetTempPathA(MAX_PATH, tmp);
        FPath = std::string(tmp) + name + "_" + std::to_string(GetCurrentProcessId()) + "\\";
        RemoveTree(FPath);
        CreateDirectoryA(FPath.c_str(), nullptr);
    }
    ~TTempFolder() { RemoveTree(FPath); }
    const std::string& Path() const { return FPath; }
    std::string operator/(const std::string& name) const { return FPath + name; }

    static void RemoveTree(const std::string& folder)
    {
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA((folder + "*").c_str(), &fd);
        if (h != INVALID_HANDLE_VALUE) {
            do {
                std::string n = fd.cFileName;
                if (n == "." || n == "..")
                    continue;
                std::string p = folder + n;
                SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveTree(p + "\\");
                else
                    DeleteFileA(p.c_str());
            } while (FindNextFileA(h, &fd));
            FindClose(h);
        }
        RemoveDirectoryA(folder.c_str());
    }

private:
    std::string FPath;
};

// Writes a text file (bytes as given).
inline void WriteTextFile(const std::string& path, const std::string& text)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    if (h != INVALID_HANDLE_VALUE) {
        WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(h);
    }
}

// Screenshots of windows, kept as test artefacts under build/<tree>/artifacts.
std::string ArtifactFolder();
// Saves the window (with its frame) as a 24-bit BMP; returns the file name or "" on failure.
std::string SaveWindowBitmap(HWND wnd, const std::string& name);

// The loopback server the CTest fixture started (tests/servers/http_server.py); its /docs/NAME
// route serves the files the tests write into DocsFolder.
struct TLoopbackServer {
    int Port = 0;
    std::string DocsFolder; // as a Windows path, with a trailing backslash
    std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(Port) + path; }
};
const TLoopbackServer& LoopbackServer();
