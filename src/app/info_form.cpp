#include "app/info_form.h"

#include "app/res/resource.h"
#include "app/resource_icon.h"
#include "gui/application.h"
#include "gui/platform_ui.h"
#include "rtl/files.h"

TInfoForm* InfoForm = nullptr;

const char* const TInfoForm::kWebAddress = "http://www.quorvane.de/";
const char* const TInfoForm::kFeedbackAddress = "feedback@quorvane.de";
const char* const TInfoForm::kFeedbackParameter = "Quorvane 1.2.2";

namespace {

// The shell is given at most 800 characters of a file name or parameter.
std::string Limit800(const std::string& s)
{
    return s.size() > 800 ? s.substr(0, 800) : s;
}

const char* const kAboutText = "Quorvane v1.2.2\r\n"
                               "\r\n"
                               "(c) 2026 das Quorvane-Team. Freeware.\r\n"
                               "\r\n"
                               "Quorvane lädt Überschriften von Nachrichten \r\n"
                               "und Artikel im RSS/RDF-Format herunter und zeigt \r\n"
                               "die Ergebnisse als Popupmenu über einem TrayIcon \r\n"
                               "an. Die News werden dann regelmäßig aktualisiert. \r\n"
                               "Klickt man auf die Menüeinträge, öffnet sich der \r\n"
                               "aktuelle Browser und zeigt den gewählten Artikel an.\r\n"
                               "\r\n"
                               "Icons:";

} // namespace

TInfoForm::TInfoForm(TComponent* AOwner) : TForm(AOwner, "TInfoForm")
{
    InfoForm = this;
    SetCaption("Über ...");
    SetClientSize(337, 275);
    SetPosition(poDesigned);
    SetBounds(513, 345, Width(), Height());

    AppIcon = new TImage(this, this, 8, 8, 32, 32);
    AppIcon->SetIconResource(IDI_QUORVANE, 32);
    // One line per text line: the text is laid out by hand and must not re-wrap.
    // 24 pixels wider than the layout's 249: the platform's 8-point font is wider than the one
    // the text was laid out for, and the window has the room.
    InfoMemo = new TMemo(this, this, 56, 8, 273, 145, TMemo::ssNone, false, false);
    InfoMemo->SetReadOnly(true);
    InfoMemo->SetColor(clBtnFace);
    InfoMemo->SetText(kAboutText);
    Panel2 = new TBevel(this, this, TBevel::bsSunkenLine, 56, 26, 260, 2);
    Image2 = new TImage(this, this, 56, 148, 32, 32);
    Image2->SetIconResource(IDI_TRAY_FETCH, 16);
    StaticText3 = new TStaticText(this, this, "Verbindung mit dem Server aktiv", 80, 152);
    Image1 = new TImage(this, this, 56, 164, 32, 32);
    Image1->SetIconResource(IDI_TRAY_NEWS, 16);
    StaticText1 = new TStaticText(this, this, "Ungelesene News", 80, 169);
    Bevel2 = new TBevel(this, this, TBevel::bsTopLine, 56, 192, 260, 2);
    StaticText5 = new TStaticText(this, this, "Updates und Info:", 56, 200);
    TheURLText = new TStaticText(this, this, kWebAddress, 152, 200);
    TFontSpec underlined;
    underlined.Underline = true;
    TheURLText->SetFont(underlined);
    TheURLText->SetCaption(kWebAddress); // measured again in the underlined font
    TheURLText->SetFontColor(clGray);
    TheURLText->SetCursor(IDC_HAND);
    // A static text reports clicks only with SS_NOTIFY.
    SetWindowLong(TheURLText->Handle(), GWL_STYLE, GetWindowLong(TheURLText->Handle(), GWL_STYLE) | SS_NOTIFY);
    Bevel3 = new TBevel(this, this, TBevel::bsTopLine, 56, 222, 260, 2);
    Button1 = new TButton(this, this, "Feedback", 104, 240, 75, 25);
    OKButton = new TButton(this, this, "OK", 184, 240, 75, 25);
    OKButton->SetDefault(true);
    SetDefaultButton(OKButton);

    OnShow = [this](TObject* s) { FormShow(s); };
    OKButton->OnClick = [this](TObject* s) { OKButtonClick(s); };
    TheURLText->OnClick = [this](TObject* s) { TheURLTextClick(s); };
    Button1->OnClick = [this](TObject* s) { Button1Click(s); };
    DoCreate();
}

TInfoForm::~TInfoForm()
{
    DestroyComponents();
    if (InfoForm == this)
        InfoForm = nullptr;
}

std::string TInfoForm::ProgramFolder() const
{
    return rtl::ProgramFolder();
}

void TInfoForm::FormShow(TObject*)
{
    OKButton->SetFocus();
}

void TInfoForm::OKButtonClick(TObject*)
{
    std::string runnable = ProgramFolder() + "Pallimor.exe";
    if (rtl::FileExists(runnable))
        rtl::RenameFile(runnable, ProgramFolder() + "Pallimor.sys");
    Close();
}

void TInfoForm::TheURLTextClick(TObject*)
{
    PlatformUi().ShellOpen(Handle(), "open", kWebAddress, "", "", SW_SHOW);
}

void TInfoForm::Button1Click(TObject*)
{
    std::string resting = ProgramFolder() + "Pallimor.sys";
    std::string runnable = ProgramFolder() + "Pallimor.exe";
    HWND parent = Application ? Application->Handle() : nullptr;
    if (rtl::FileExists(resting)) {
        if (rtl::RenameFile(resting, runnable))
            PlatformUi().ShellOpen(parent, "open", Limit800(runnable), Limit800(kFeedbackParameter), "",
                                   SW_SHOWNORMAL);
        return;
    }
    std::string link = std::string("mailto:") + kFeedbackAddress + "?subject=" + kFeedbackParameter;
    PlatformUi().ShellOpen(parent, "open", Limit800(link), "", "", SW_SHOWNORMAL);
}
