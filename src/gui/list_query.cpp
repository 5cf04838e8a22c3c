#include "gui/list_query.h"

#include "gui/query_form.h"

namespace {

// Laid out as the input prompt is (margins, button size and places), only wider, so that a
// line with a web address fits, and with the list where the prompt has its field.
class TListQueryForm : public TQueryForm {
public:
    TListQueryForm(const std::string& caption, const std::string& prompt, const std::vector<std::string>& lines,
                   int index)
        : TQueryForm("TListQueryForm", caption, prompt, 400, 170)
    {
        List = new TListBox(this, this, 8, 28, 384, 98);
        for (const std::string& line : lines)
            List->AddItem(line);
        List->SetItemIndex(index >= 0 && index < static_cast<int>(lines.size()) ? index : 0);
        List->OnDblClick = [this](TObject*) { Finish(List->ItemIndex() >= 0); };
        AddButtons();
    }
    ~TListQueryForm() override { DestroyComponents(); }

    TListBox* List;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        // Escape reaches the window from the dialog manager as the command IDCANCEL.
        if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL && lParam == 0) {
            Finish(false);
            return 0;
        }
        return TQueryForm::WndProc(msg, wParam, lParam);
    }
};

} // namespace

bool RunListQuery(const std::string& caption, const std::string& prompt, const std::vector<std::string>& lines,
                  int& index)
{
    if (lines.empty())
        return false;
    TListQueryForm form(caption, prompt, lines, index);
    const bool accepted = form.Run([&form] { form.List->SetFocus(); });
    const int chosen = form.List->ItemIndex();
    if (!accepted || chosen < 0)
        return false;
    index = chosen;
    return true;
}
