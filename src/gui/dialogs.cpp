#include "gui/dialogs.h"

#include <commdlg.h>

#include "gui/controls.h"
#include "gui/platform_ui.h"

bool TOpenDialog::Execute()
{
    return Run(false, std::string());
}

bool TOpenDialog::Run(bool save, const std::string& defaultExt)
{
    TOpenFileRequest request;
    request.Save = save;
    request.FileName = save ? FFileName : std::string();
    request.DefaultExt = defaultExt;
    // The dialog is modal to the window of its owner, when the owner is a control.
    if (auto* owner = dynamic_cast<TWinControl*>(Owner()))
        request.Owner = owner->Handle();
    request.Title = FTitle;
    request.Filter = FFilter;
    request.InitialDir = FInitialDir;
    if (FOptions & ofPathMustExist)
        request.Options |= OFN_PATHMUSTEXIST;
    if (FOptions & ofFileMustExist)
        request.Options |= OFN_FILEMUSTEXIST;
    if (FOptions & ofEnableSizing)
        request.Options |= OFN_ENABLESIZING;
    if (FOptions & ofOverwritePrompt)
        request.Options |= OFN_OVERWRITEPROMPT;
    std::string chosen;
    if (!PlatformUi().OpenFile(request, chosen))
        return false;
    FFileName = chosen;
    return true;
}
