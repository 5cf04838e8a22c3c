#pragma once
#include <windows.h>

#include <string>
#include <vector>

// Everything the program asks of the user or of the shell goes through here: the shell's
// "open", message boxes, input prompts and the file-open dialog. The platform is the default;
// tests install a scripted responder. The program behaves the same either way.
struct TOpenFileRequest {
    HWND Owner = nullptr;
    std::string Title;
    std::string Filter; // "Text|*.a;*.b|Other|*.c", pipe-separated as the toolkit writes it
    std::string InitialDir;
    DWORD Options = 0; // OFN_* flags
    // The save dialog instead of the open dialog: FileName is the name offered, DefaultExt the
    // extension ("opml") added to a name typed without one.
    bool Save = false;
    std::string FileName;
    std::string DefaultExt;
};

class TPlatformUi {
public:
    virtual ~TPlatformUi() = default;
    // Returns ShellExecute's result (above 32 on success).
    virtual INT_PTR ShellOpen(HWND parent, const std::string& verb, const std::string& file,
                              const std::string& parameters, const std::string& directory, int showCmd);
    // Returns the button pressed (IDOK, IDYES, IDNO, ...).
    virtual int MessageBox(HWND parent, const std::string& text, const std::string& caption, UINT type);
    // True when the user confirmed; value holds the default on entry and the text on exit.
    virtual bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value);
    // True when the user confirmed one of the lines; index holds the one selected at first on
    // entry and the one confirmed on exit.
    virtual bool ListQuery(const std::string& caption, const std::string& prompt,
                           const std::vector<std::string>& lines, int& index);
    // True when the user picked a file (to open, or with Save to write).
    virtual bool OpenFile(const TOpenFileRequest& request, std::string& fileName);
};

TPlatformUi& PlatformUi();
// Installs a responder (not owned); nullptr restores the platform.
void SetPlatformUi(TPlatformUi* ui);

// German message boxes of the program: an error with OK, a report with OK, a confirmation with Yes and No
// (true only on Yes), an error that offers to try again (Wiederholen, Abbrechen; true only on
// Wiederholen), and the toolkit's input box (the default when cancelled).
void ShowErrorMessage(const std::string& text);
void ShowInfoMessage(const std::string& text);
bool ConfirmMessage(const std::string& text);
bool RetryMessage(const std::string& text);
std::string InputBox(const std::string& caption, const std::string& prompt, const std::string& def);
