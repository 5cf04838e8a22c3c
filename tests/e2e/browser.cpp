// qvbrowser: stands in for the web browser in the end-to-end journeys. The journey registers it
// as the handler of http and https addresses; it appends the address the shell hands it (its
// last argument, as UTF-8) and a line end to the file named by its first argument, and ends. A
// Windows program, so that the shell opens no console for it.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 3)
        return 2;
    FILE* f = _wfopen(argv[1], L"ab");
    if (!f)
        return 1;
    const std::wstring address = argv[argc - 1];
    std::string utf8(address.size() * 3 + 1, '\0');
    const int n = WideCharToMultiByte(CP_UTF8, 0, address.data(), static_cast<int>(address.size()), &utf8[0],
                                      static_cast<int>(utf8.size()), nullptr, nullptr);
    utf8.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    std::fprintf(f, "%s\n", utf8.c_str());
    LocalFree(argv);
    return std::fclose(f) == 0 ? 0 : 1;
}
