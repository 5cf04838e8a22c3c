#include "gui/platform_ui.h"

#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gui/app_host.h"
#include "gui/input_query.h"
#include "gui/list_query.h"
#include "rtl/wide.h"

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
    const std::wstring wideParameters = rtl::Utf8ToWide(parameters), wideDirectory = rtl::Utf8ToWide(directory);
    return reinterpret_cast<INT_PTR>(ShellExecuteW(parent, rtl::Utf8ToWide(verb).c_str(),
                                                   rtl::Utf8ToWide(file).c_str(),
                                                   parameters.empty() ? nullptr : wideParameters.c_str(),
                                                   directory.empty() ? nullptr : wideDirectory.c_str(), showCmd));
}

namespace {

// The system names a message box's buttons in the language of its own installation; this
// program speaks German, so its boxes name them so too. The hook lives for one box: it renames
// the buttons of the first dialog window activated while the box is being made.
thread_local HHOOK t_boxHook = nullptr;

LRESULT CALLBACK GermanButtonsHook(int code, WPARAM wParam, LPARAM lParam)
{
    const HHOOK hook = t_boxHook;
    if (code == HCBT_ACTIVATE && hook) {
        HWND box = reinterpret_cast<HWND>(wParam);
        wchar_t cls[16] = {};
        GetClassNameW(box, cls, 16);
        if (std::wstring(cls) == L"#32770") {
            t_boxHook = nullptr;
            UnhookWindowsHookEx(hook);
            static const struct {
                int Id;
                const wchar_t* Text;
            } kButtons[] = {{IDYES, L"&Ja"},          {IDNO, L"&Nein"},
                            {IDCANCEL, L"Abbrechen"}, {IDRETRY, L"&Wiederholen"},
                            {IDABORT, L"Ab&brechen"}, {IDIGNORE, L"&Ignorieren"}};
            for (const auto& b : kButtons)
                if (HWND button = GetDlgItem(box, b.Id))
                    SetWindowTextW(button, b.Text);
        }
    }
    return CallNextHookEx(hook, code, wParam, lParam);
}

} // namespace

int TPlatformUi::MessageBox(HWND parent, const std::string& text, const std::string& caption, UINT type)
{
    t_boxHook = SetWindowsHookExW(WH_CBT, GermanButtonsHook, nullptr, GetCurrentThreadId());
    // <windows.h> makes this method's name MessageBoxW: the platform's function must be called
    // by its global name, or the call would find the method itself and recurse.
    const int answer =
        ::MessageBoxW(parent, rtl::Utf8ToWide(text).c_str(), rtl::Utf8ToWide(caption).c_str(), type);
    if (t_boxHook) {
        UnhookWindowsHookEx(t_boxHook);
        t_boxHook = nullptr;
    }
    return answer;
}

bool TPlatformUi::InputQuery(const std::string& caption, const std::string& prompt, std::string& value)
{
    return RunInputQuery(caption, prompt, value);
}

bool TPlatformUi::ListQuery(const std::string& caption, const std::string& prompt,
                            const std::vector<std::string>& lines, int& index)
{
    return RunListQuery(caption, prompt, lines, index);
}

bool TPlatformUi::OpenFile(const TOpenFileRequest& request, std::string& fileName)
{
    // The filter arrives pipe-separated; the dialog wants NUL-separated pairs ending in two NULs.
    std::wstring filter = rtl::Utf8ToWide(request.Filter);
    for (wchar_t& c : filter)
        if (c == L'|')
            c = L'\0';
    filter.push_back(L'\0');
    filter.push_back(L'\0');
    const std::wstring title = rtl::Utf8ToWide(request.Title), initialDir = rtl::Utf8ToWide(request.InitialDir);
    const std::wstring offered = rtl::Utf8ToWide(request.FileName), ext = rtl::Utf8ToWide(request.DefaultExt);
    std::vector<wchar_t> buffer(32768, L'\0');
    if (offered.size() < buffer.size())
        std::copy(offered.begin(), offered.end(), buffer.begin());
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = request.Owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
    ofn.lpstrInitialDir = initialDir.empty() ? nullptr : initialDir.c_str();
    ofn.lpstrDefExt = ext.empty() ? nullptr : ext.c_str();
    ofn.Flags = request.Options | OFN_EXPLORER | OFN_NOCHANGEDIR;
    if (!(request.Save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn)))
        return false;
    fileName = rtl::WideToUtf8(buffer.data());
    return true;
}

void ShowErrorMessage(const std::string& text)
{
    PlatformUi().MessageBox(ActiveParent(), text, "Fehler", MB_ICONERROR | MB_OK);
}

void ShowInfoMessage(const std::string& text)
{
    PlatformUi().MessageBox(ActiveParent(), text, "Information", MB_ICONINFORMATION | MB_OK);
}

bool ConfirmMessage(const std::string& text)
{
    return PlatformUi().MessageBox(ActiveParent(), text, "Bestätigen", MB_ICONQUESTION | MB_YESNO) == IDYES;
}

bool RetryMessage(const std::string& text)
{
    return PlatformUi().MessageBox(ActiveParent(), text, "Fehler", MB_ICONERROR | MB_RETRYCANCEL) == IDRETRY;
}

std::string InputBox(const std::string& caption, const std::string& prompt, const std::string& def)
{
    std::string value = def;
    if (!PlatformUi().InputQuery(caption, prompt, value))
        return def;
    return value;
}
