#include "gui/input_query.h"

#include "gui/forms.h"
#include "gui/handles.h"
#include "gui/std_controls.h"

namespace {

class TInputQueryForm : public TForm {
public:
    TInputQueryForm(const std::string& caption, const std::string& prompt, const std::string& value)
        : TForm(nullptr, "TInputQueryForm")
    {
        SetCaption(caption);
        SetClientSize(300, 94);
        SetPosition(poScreenCenter);
        Prompt = new TStaticText(this, this, prompt, 8, 8);
        Edit = new TEdit(this, this, 8, 28, 284, 21);
        Edit->SetText(value);
        OkBtn = new TButton(this, this, "OK", 136, 60, 75, 25);
        CancelBtn = new TButton(this, this, "Abbrechen", 217, 60, 75, 25);
        OkBtn->SetDefault(true);
        SetDefaultButton(OkBtn);
        OkBtn->OnClick = [this](TObject*) { Finish(true); };
        CancelBtn->OnClick = [this](TObject*) { Finish(false); };
        OnClose = [this](TObject*, TCloseAction& a) {
            a = caNone;
            Finish(false);
        };
    }
    ~TInputQueryForm() override { DestroyComponents(); }

    void Finish(bool ok)
    {
        Accepted = ok;
        Done = true;
    }

    TStaticText* Prompt;
    TEdit* Edit;
    TButton* OkBtn;
    TButton* CancelBtn;
    bool Done = false;
    bool Accepted = false;
};

} // namespace

bool RunInputQuery(const std::string& caption, const std::string& prompt, std::string& value)
{
    HWND owner = GetActiveWindow();
    TInputQueryForm form(caption, prompt, value);
    {
        // The owner comes back also when a handler run by the loop throws.
        TDisabledWindow modal(owner);
        form.Show();
        form.Edit->SetFocus();
        SendMessageW(form.Edit->Handle(), EM_SETSEL, 0, -1);
        MSG msg;
        while (!form.Done) {
            BOOL r = GetMessageW(&msg, nullptr, 0, 0);
            if (r == 0) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                break;
            }
            if (r == -1)
                break;
            if (!IsDialogMessageW(form.Handle(), &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
    }
    if (owner)
        SetActiveWindow(owner);
    if (form.Accepted)
        value = form.Edit->Text();
    form.Hide();
    return form.Accepted;
}
