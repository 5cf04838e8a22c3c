#include <windows.h>

#include <exception>

#include "app/program_start.h"
#include "app/app_paths.h"
#include "gui/application.h"
#include "gui/single_instance.h"
#include "rtl/files.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // One program per settings file, held until the settings are written at the end (the
    // application is destroyed before the lock).
    TInstanceLock lock(TAppPaths::FromProgramFile(rtl::ProgramFileName()).SettingsFile, "TMainForm");
    if (!lock.Acquire())
        return 0;
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
