#pragma once
#include <functional>
#include <string>

#include "gui/forms.h"
#include "gui/std_controls.h"

// What the toolkit's small prompts share: a window centred on the screen with the prompt at the
// top left and "OK" and "Abbrechen" in its lower right corner, run modally over the active
// window. A prompt makes its own field below the prompt and then calls AddButtons, so that Tab
// goes from the prompt's field to the buttons, in the order of creation.
class TQueryForm : public TForm {
public:
    TQueryForm(const char* className, const std::string& caption, const std::string& prompt, int clientWidth,
               int clientHeight);

    // Shows the form over the active window, which is disabled meanwhile, and runs its messages
    // until OK, "Abbrechen" or the close box ends it; shown runs once the form is on screen (to
    // put the focus). True for OK. The form is hidden again, the active window active again.
    bool Run(const std::function<void()>& shown);

    void Finish(bool ok);

    TStaticText* Prompt;
    TButton* OkBtn = nullptr;
    TButton* CancelBtn = nullptr;

protected:
    void AddButtons();

private:
    int FWidth, FHeight; // the client size, design units
    bool FDone = false;
    bool FAccepted = false;
};
