// qvbrowser: stands in for the web browser in the end-to-end journeys. The journey registers it
// as the handler of http and https addresses; it appends the address the shell hands it (its
// last argument) and a line end to the file named by its first argument, and ends. A Windows
// program, so that the shell opens no console for it.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (__argc < 3)
        return 2;
    FILE* f = std::fopen(__argv[1], "ab");
    if (!f)
        return 1;
    std::fprintf(f, "%s\n", __argv[__argc - 1]);
    return std::fclose(f) == 0 ? 0 : 1;
}
