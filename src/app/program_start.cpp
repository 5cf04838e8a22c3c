#include "app/program_start.h"

#include "app/info_form.h"
#include "app/main_form.h"
#include "gui/application.h"

void StartProgram(TApplication& app)
{
    app.Initialize();
    app.SetTitle("Quorvane");
    // The main form decides at creation whether it shows itself (the "start minimized" setting).
    app.SetShowMainForm(false);
    app.CreateForm<TMainForm>();
    app.CreateForm<TInfoForm>();
}
