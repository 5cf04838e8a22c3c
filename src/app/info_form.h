#pragma once
#include <string>

#include "gui/forms.h"
#include "gui/std_controls.h"

// The about window: program text, the legend of the tray marks, the maker's link and feedback
// through the companion tool or an e-mail link.
class TInfoForm : public TForm {
public:
    explicit TInfoForm(TComponent* AOwner);
    ~TInfoForm() override;

    TImage* AppIcon;
    TMemo* InfoMemo;
    TBevel* Panel2;
    TImage* Image2;
    TStaticText* StaticText3;
    TImage* Image1;
    TStaticText* StaticText1;
    TBevel* Bevel2;
    TStaticText* StaticText5;
    TStaticText* TheURLText;
    TBevel* Bevel3;
    TButton* Button1;
    TButton* OKButton;

    void FormShow(TObject* Sender);
    void OKButtonClick(TObject* Sender);
    void TheURLTextClick(TObject* Sender);
    void Button1Click(TObject* Sender);

    static const char* const kWebAddress;
    static const char* const kFeedbackAddress;
    static const char* const kFeedbackParameter;

private:
    std::string ProgramFolder() const;
};

extern TInfoForm* InfoForm;
