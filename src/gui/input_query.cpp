#include "gui/input_query.h"

#include "gui/query_form.h"

namespace {

class TInputQueryForm : public TQueryForm {
public:
    TInputQueryForm(const std::string& caption, const std::string& prompt, const std::string& value)
        : TQueryForm("TInputQueryForm", caption, prompt, 300, 94)
    {
        Edit = new TEdit(this, this, 8, 28, 284, 21);
        Edit->SetText(value);
        AddButtons();
    }
    ~TInputQueryForm() override { DestroyComponents(); }

    TEdit* Edit;
};

} // namespace

bool RunInputQuery(const std::string& caption, const std::string& prompt, std::string& value)
{
    TInputQueryForm form(caption, prompt, value);
    const bool accepted = form.Run([&form] {
        form.Edit->SetFocus();
        SendMessageW(form.Edit->Handle(), EM_SETSEL, 0, -1);
    });
    if (accepted)
        value = form.Edit->Text();
    return accepted;
}
