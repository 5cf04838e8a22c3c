#pragma once
#include <memory>
#include <string>

#include "app/app_paths.h"
#include "app/current_feed.h"
#include "app/document_memo.h"
#include "app/feed_commands.h"
#include "app/feed_store.h"
#include "app/headline_menu.h"
#include "app/refresh_cycle.h"
#include "app/resume_refresh.h"
#include "app/site_icon_fetch.h"
#include "gui/dialogs.h"
#include "gui/forms.h"
#include "gui/image_list.h"
#include "gui/menus.h"
#include "gui/page_control.h"
#include "gui/std_controls.h"
#include "gui/timer.h"
#include "gui/tree_view.h"
#include "net/adv_http.h"
#include "tray/balloon_hint.h"
#include "tray/tray_icon.h"

class TInfoForm;
struct TSettings;

// The main window: at the same time the settings window ("Einstellungen") and the owner of every
// working component. It is a thin owner: it creates the controls and components and binds the
// handlers; the behaviour lives in its collaborators (settings file, feed store, headline menu,
// refresh cycle, feed commands).
class TMainForm : public TForm {
public:
    explicit TMainForm(TComponent* AOwner);
    ~TMainForm() override;

    // Window header and buttons.
    TImage* Image2;
    TPageControl* PageControl;
    TButton* RefreshBtn;
    TButton* OKBtn;
    TButton* AboutBtn;

    // Page "Programm".
    TTabSheet* ProgramSheet;
    TIntEdit* IntervalEdit;
    TIntEdit* MaxEntryEdit;
    TIntEdit* MaxCharEdit;
    TCheckBox* CutChannelCheckBox;
    TCheckBox* BalloonCheck;
    TIntEdit* BalloonWrap;
    TCheckBox* StartMinCheck;

    // Page "Feed".
    TTabSheet* FeedSheet;
    TBevel* FeedIconFrame;
    TImage* FeedIconImage;
    TEdit* NameEdit;
    TEdit* UrlEdit;
    TMemo* DescMemo;
    TBevel* FeedSeparator;
    TBitBtn* NewFeedBtn;
    TBitBtn* BitBtn1;
    TBitBtn* DeleteFeedBtn;
    TBitBtn* AddIconBtn;
    TBitBtn* ExportFeedsBtn;

    // Page "Proxy".
    TTabSheet* ProxySheet;
    TCheckBox* ProxyCheckBox;
    TStaticText* StaticText6;
    TLabel* PortLabel;
    TIntEdit* ProxyPortEdit;
    TLabel* ProxyHostLabel;
    TEdit* ProxyHostEdit;
    TLabel* ProxyUserLabel;
    TEdit* ProxyUserEdit;
    TLabel* ProxyPassLabel;
    TEdit* ProxyPassEdit;

    // Page "Text" and page "Links".
    TTabSheet* TextSheet;
    TDocumentMemo* Memo;
    TTabSheet* NetSheet;
    TTreeView* TreeView;

    // Stored pictures, never shown.
    TImage* TheIcon;
    TImage* FolderIco;
    TImage* NewImage;
    TImage* GetNewsImage;

    // Components.
    TTimer* Timer;
    TImageList* FeedIconList;
    TImageList* TrayIconList;
    TImageList* MenuIconsList;
    TPopupMenu* PopupMenu;
    TTrayIcon* TrayIcon;
    TBalloonHint* BalloonHint;
    TAdvHttp* AdvHttp;
    TAdvHttp* IconHttp; // the site icons' downloads, beside the feed's
    TOpenDialog* OpenDialog;
    TSaveDialog* SaveDialog;

    // Collaborators: the "Newsfeeds" submenu from the feed folder, and the tray menu's top level.
    std::unique_ptr<TFeedStore> FeedStore;
    std::unique_ptr<THeadlineMenu> HeadlineMenu;
    std::unique_ptr<TRefreshCycle> Refresh;
    std::unique_ptr<TFeedCommands> FeedCommands;
    std::unique_ptr<TSiteIconFetch> SiteIcons;

    // State held for the whole run.
    TAppPaths Paths;
    TCurrentFeed CurrentFeed;

    // What the start found wrong in the feed folder, for the tooltip ("" when nothing).
    std::string FeedFolderNotice() const;
    // A site icon arrived for the feed file: its entry of the feed menu (and the Feed page, for
    // the current feed) shows it.
    void SiteIconWritten(const std::string& feedFile, const std::string& iconFile);

    // Event handlers, bound by name.
    void FormCreate(TObject* Sender);
    void FormDestroy(TObject* Sender);
    void TimerTimer(TObject* Sender);
    void AdvHttpRequestComplete(TObject* Sender);
    void TrayIconClick(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void PopupMenuPopup(TObject* Sender);
    void OKBtnClick(TObject* Sender);
    void RefreshBtnClick(TObject* Sender);
    void AboutBtnClick(TObject* Sender);
    void Image2MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void ProxyCheckBoxClick(TObject* Sender);
    void TreeViewClick(TObject* Sender);
    void MemoContextPopup(TObject* Sender, int X, int Y);
    void FeedIconImageClick(TObject* Sender);
    void NewFeedBtnClick(TObject* Sender);
    void DelteFeedBtnClick(TObject* Sender);
    void Klipladen1Click(TObject* Sender);
    void AddIconBtnClick(TObject* Sender);
    void ExportFeedsBtnClick(TObject* Sender);

    // Shows the current feed on the Feed page.
    void RefreshFeedInfo();
    // Rebuilds the feed menu and makes the feed of that name current (after create and import).
    void MakeFeedCurrent(const std::string& name);
    // The window's position as read from the settings file; applied when the window is shown.
    void SetSavedPosition(int left, int top);

private:
    // The settings window's values for the refresh, each read from its control when asked for.
    class TFormRefreshSettings final : public TRefreshSettings {
    public:
        explicit TFormRefreshSettings(const TMainForm& form) : F(form) {}
        int IntervalMinutes() const override { return F.IntervalEdit->Value(); }
        int MaxEntrys() const override { return F.MaxEntryEdit->Value(); }
        int MaxChars() const override { return F.MaxCharEdit->Value(); }
        bool Balloonhint() const override { return F.BalloonCheck->Checked(); }
        int Balloonwrap() const override { return F.BalloonWrap->Value(); }
        bool ProxyEnabled() const override { return F.ProxyCheckBox->Checked(); }
        std::string ProxyHost() const override { return F.ProxyHostEdit->Text(); }
        int ProxyPort() const override { return F.ProxyPortEdit->Value(); }
        std::string ProxyUser() const override { return F.ProxyUserEdit->Text(); }
        std::string ProxyPass() const override { return F.ProxyPassEdit->Text(); }

    private:
        const TMainForm& F;
    };
    TFormRefreshSettings FRefreshSettings{*this};

    void ApplyStoredComponentSettings();
    void ApplySettings(const TSettings& settings);
    TSettings CurrentSettings() const;
    void SaveSettingsAtExit();
    bool FormMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

    static const unsigned kResumeRefreshDelayMs = 5000;
    WPARAM FInstanceKey = 0;
    bool FAnswersOtherStarts = false;
    TResumeRefresh FResumeRefresh;
    bool FResumeTickArmed = false;
    void CreateProgramPage();
    void CreateFeedPage();
    void CreateProxyPage();
    void CreateTextAndLinksPages();
    void CreateStoredPictures();
    TIntEdit* IntRow(TWinControl* page, int y, const char* before, const char* after, int value);
};

extern TMainForm* MainForm;
