#include <windows.h>

#include "app/program_start.h"
#include "gui/application.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    TApplication app;
    StartProgram(app);
    app.Run();
    return 0;
}
