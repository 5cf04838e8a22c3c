#pragma once
#include <windows.h>

#include "gui/graphics.h"

class TForm;

// The application as the windows beneath it see it: the hidden window that owns forms and popups,
// the main form's part in minimising and ending the program, the hint colour. The application
// installs itself when it is made, so that no file below it needs to include it; while there is
// none (tests of single windows) windows have no owner and forms belong to nobody.
class TAppHost {
public:
    virtual HWND Handle() const = 0;
    virtual TColor HintColor() const = 0;
    virtual TForm* MainForm() const = 0;
    virtual bool Minimized() const = 0;
    virtual void Minimize() = 0;
    virtual void Terminate() = 0;
    virtual void UnregisterForm(TForm* form) = 0;

protected:
    ~TAppHost() = default;
};

// nullptr while no application exists.
TAppHost* AppHost();
void SetAppHost(TAppHost* host);
// The application's window, nullptr without one.
HWND AppHandle();
