#include <windows.h>

#include <exception>

#include "app/program_start.h"
#include "gui/application.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    TApplication app;
    // An error while the windows are made (a picture missing from the program's resources, say)
    // is shown like any other error instead of ending the process unexplained; without its
    // windows the program has nothing to run, so it ends then.
    try {
        StartProgram(app);
    } catch (const std::exception& e) {
        app.HandleException(e);
        return 1;
    }
    app.Run();
    return 0;
}
