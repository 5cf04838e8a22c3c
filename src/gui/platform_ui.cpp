#include "gui/platform_ui.h"

#include <commdlg.h>
#include <shellapi.h>

#include <vector>

#include "gui/app_host.h"
#include "gui/input_query.h"

namespace {
TPlatformUi& DefaultUi()
{
    static TPlatformUi ui;
    return ui;
}
TPlatformUi* g_ui = nullptr;

HWND ActiveParent()
{
    HWND w = GetActiveWindow();
    return w ? w : AppHandle();
}
} // namespace

TPlatformUi& PlatformUi()
{
    return g_ui ? *g_ui : DefaultUi();
}

void SetPlatformUi(TPlatformUi* ui)
{
    g_ui = ui;
}

INT_PTR TPlatformUi::ShellOpen(HWND parent, const std::string& verb, const std::string& file,
                               const std::string& parameters, const std::string& directory, int showCmd)
{
    return reinterpret_cast<INT_PTR>(ShellExecuteA(parent, verb.c_str(), file.c_str(),
                                                   parameters.empty() ? nullptr : parameters.c_str(),
                                                   directory.empty() ? nullptr : directory.c_str(), showCmd));
}

int TPlatformUi::MessageBox(HWND parent, const std::string& text, const std::string& caption, UINT type)
{
    // <windows.h> makes this method's name MessageBoxA: the platform's function must be called
    // by its global name, or the call would find the method itself and recurse.
    return ::MessageBoxA(parent, text.c_str(), caption.c_str(), type);
}

bool TPlatformUi::InputQuery(const std::string& caption, const std::string& prompt, std::string& value)
{
    return RunInputQuery(caption, prompt, value);
}

bool TPlatformUi::OpenFile(const TOpenFileRequest& request, std::string& fileName)
{
    // The filter arrives pipe-separated; the dialog wants NUL-separated pairs ending in two NULs.
    std::string filter = request.Filter;
    for (char& c : filter)
        if (c == '|')
            c = '\0';
    filter.push_back('\0');
    filter.push_back('\0');
    std::vector<char> buffer(4096, '\0');
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = request.Owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrTitle = request.Title.empty() ? nullptr : request.Title.c_str();
    ofn.lpstrInitialDir = request.InitialDir.empty() ? nullptr : request.InitialDir.c_str();
    ofn.Flags = request.Options | OFN_EXPLORER | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameA(&ofn))
        return false;
    fileName = buffer.data();
    return true;
}

void ShowErrorMessage(const std::string& text)
{
    PlatformUi().MessageBox(ActiveParent(), text, "Fehler", MB_ICONERROR | MB_OK);
}

bool ConfirmMessage(const std::string& text)
{
    return PlatformUi().MessageBox(ActiveParent(), text, "Bestätigen", MB_ICONQUESTION | MB_YESNO) == IDYES;
}

std::string InputBox(const std::string& caption, const std::string& prompt, const std::string& def)
{
    std::string value = def;
    if (!PlatformUi().InputQuery(caption, prompt, value))
        return def;
    return value;
}
