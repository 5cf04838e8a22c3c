#include "gui/query_form.h"

#include "gui/handles.h"

TQueryForm::TQueryForm(const char* className, const std::string& caption, const std::string& prompt,
                       int clientWidth, int clientHeight)
    : TForm(nullptr, className), FWidth(clientWidth), FHeight(clientHeight)
{
    SetCaption(caption);
    SetClientSize(clientWidth, clientHeight);
    SetPosition(poScreenCenter);
    Prompt = new TStaticText(this, this, prompt, 8, 8);
    OnClose = [this](TObject*, TCloseAction& a) {
        a = caNone;
        Finish(false);
    };
}

void TQueryForm::AddButtons()
{
    OkBtn = new TButton(this, this, "OK", FWidth - 164, FHeight - 34, 75, 25);
    CancelBtn = new TButton(this, this, "Abbrechen", FWidth - 83, FHeight - 34, 75, 25);
    OkBtn->SetDefault(true);
    SetDefaultButton(OkBtn);
    OkBtn->OnClick = [this](TObject*) { Finish(true); };
    CancelBtn->OnClick = [this](TObject*) { Finish(false); };
}

void TQueryForm::Finish(bool ok)
{
    FAccepted = ok;
    FDone = true;
}

bool TQueryForm::Run(const std::function<void()>& shown)
{
    HWND owner = GetActiveWindow();
    {
        // The owner comes back also when a handler run by the loop throws.
        TDisabledWindow modal(owner);
        Show();
        shown();
        MSG msg;
        while (!FDone) {
            BOOL r = GetMessageW(&msg, nullptr, 0, 0);
            if (r == 0) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                break;
            }
            if (r == -1)
                break;
            if (!IsDialogMessageW(Handle(), &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
    }
    if (owner)
        SetActiveWindow(owner);
    Hide();
    return FAccepted;
}
