#include "gui/list_query.h"

#include "gui/forms.h"
#include "gui/handles.h"
#include "gui/std_controls.h"

namespace {

// Laid out as the input prompt is (margins, button size and places), only wider, so that a
// line with a web address fits, and with the list where the prompt has its field.
class TListQueryForm : public TForm {
public:
    TListQueryForm(const std::string& caption, const std::string& prompt, const std::vector<std::string>& lines,
                   int index)
        : TForm(nullptr, "TListQueryForm")
    {
        SetCaption(caption);
        SetClientSize(400, 170);
        SetPosition(poScreenCenter);
        Prompt = new TStaticText(this, this, prompt, 8, 8);
        List = new TListBox(this, this, 8, 28, 384, 98);
        for (const std::string& line : lines)
            List->AddItem(line);
        List->SetItemIndex(index >= 0 && index < static_cast<int>(lines.size()) ? index : 0);
        OkBtn = new TButton(this, this, "OK", 236, 136, 75, 25);
        CancelBtn = new TButton(this, this, "Abbrechen", 317, 136, 75, 25);
        OkBtn->SetDefault(true);
        SetDefaultButton(OkBtn);
        OkBtn->OnClick = [this](TObject*) { Finish(true); };
        CancelBtn->OnClick = [this](TObject*) { Finish(false); };
        List->OnDblClick = [this](TObject*) { Finish(List->ItemIndex() >= 0); };
        OnClose = [this](TObject*, TCloseAction& a) {
            a = caNone;
            Finish(false);
        };
    }
    ~TListQueryForm() override { DestroyComponents(); }

    void Finish(bool ok)
    {
        Accepted = ok;
        Done = true;
    }

    TStaticText* Prompt;
    TListBox* List;
    TButton* OkBtn;
    TButton* CancelBtn;
    bool Done = false;
    bool Accepted = false;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        // Escape reaches the window from the dialog manager as the command IDCANCEL.
        if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL && lParam == 0) {
            Finish(false);
            return 0;
        }
        return TForm::WndProc(msg, wParam, lParam);
    }
};

} // namespace

bool RunListQuery(const std::string& caption, const std::string& prompt, const std::vector<std::string>& lines,
                  int& index)
{
    if (lines.empty())
        return false;
    HWND owner = GetActiveWindow();
    TListQueryForm form(caption, prompt, lines, index);
    {
        // The owner comes back also when a handler run by the loop throws.
        TDisabledWindow modal(owner);
        form.Show();
        form.List->SetFocus();
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
    const int chosen = form.List->ItemIndex();
    const bool accepted = form.Accepted && chosen >= 0;
    if (accepted)
        index = chosen;
    form.Hide();
    return accepted;
}
