#include "gui/page_control.h"

#include <commctrl.h>

#include "rtl/wide.h"

TTabSheet::TTabSheet(TComponent* AOwner, TPageControl* APageControl, const std::string& caption)
    : TWinControl(AOwner, APageControl), FPageControl(APageControl)
{
    FitToPageControl();
    CreateOwnWindow("TTabSheet", WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT, caption);
    APageControl->AddPage(this, caption);
}

RECT TTabSheet::PixelBounds() const
{
    return FPageControl->DisplayRect();
}

// The bounds say in design units what the display rectangle holds; placing the window takes the
// rectangle itself.
void TTabSheet::FitToPageControl()
{
    RECT r = FPageControl->DisplayRect();
    SetBounds(UnscaleValue(r.left), UnscaleValue(r.top), UnscaleValue(r.right - r.left),
              UnscaleValue(r.bottom - r.top));
}

LRESULT TTabSheet::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_ERASEBKGND) {
        RECT r;
        GetClientRect(Handle(), &r);
        FillRect(reinterpret_cast<HDC>(wParam), &r, ColorBrush(Color()));
        return 1;
    }
    return TWinControl::WndProc(msg, wParam, lParam);
}

TPageControl::TPageControl(TComponent* AOwner, TWinControl* AParent, int left, int top, int width, int height)
    : TWinControl(AOwner, AParent)
{
    SetBounds(left, top, width, height);
    // A control parent, so that the dialog manager finds the pages' controls for arrow keys and
    // accelerators; Tab stops on the tab strip too, which the form's own Tab order sees to.
    CreateSystemWindow("SysTabControl32", WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | TCS_MULTILINE,
                       WS_EX_CONTROLPARENT);
}

RECT TPageControl::DisplayRect() const
{
    RECT r;
    GetClientRect(Handle(), &r);
    TabCtrl_AdjustRect(Handle(), FALSE, &r);
    return r;
}

void TPageControl::AddPage(TTabSheet* page, const std::string& caption)
{
    page->FIndex = PageCount();
    FPages.push_back(page);
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    std::wstring text = rtl::Utf8ToWide(caption);
    item.pszText = &text[0];
    SendMessageW(Handle(), TCM_INSERTITEMW, static_cast<WPARAM>(page->FIndex), reinterpret_cast<LPARAM>(&item));
    // New tabs can add a row: every sheet takes the display rectangle anew.
    for (TTabSheet* p : FPages)
        p->FitToPageControl();
    ShowActive();
}

int TPageControl::ActivePageIndex() const
{
    return static_cast<int>(SendMessageW(Handle(), TCM_GETCURSEL, 0, 0));
}

TTabSheet* TPageControl::ActivePage() const
{
    int i = ActivePageIndex();
    return (i >= 0 && i < PageCount()) ? FPages[static_cast<std::size_t>(i)] : nullptr;
}

void TPageControl::SetActivePage(TTabSheet* page)
{
    if (page && page->FPageControl == this)
        SetActivePageIndex(page->FIndex);
}

void TPageControl::SetActivePageIndex(int i)
{
    if (i < 0 || i >= PageCount())
        return;
    SendMessageW(Handle(), TCM_SETCURSEL, static_cast<WPARAM>(i), 0);
    ShowActive();
}

void TPageControl::SelectNextPage(bool goForward)
{
    const int n = PageCount();
    if (n < 2)
        return;
    SetActivePageIndex((ActivePageIndex() + (goForward ? 1 : n - 1)) % n);
    if (OnChange)
        OnChange(this);
}

void TPageControl::ShowActive()
{
    int active = ActivePageIndex();
    for (TTabSheet* p : FPages)
        if (p->PageIndex() != active)
            p->SetVisible(false);
    if (TTabSheet* p = ActivePage()) {
        SetWindowPos(p->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    }
}

bool TPageControl::HandleNotify(NMHDR* hdr, LRESULT& result)
{
    if (hdr->code == TCN_SELCHANGE) {
        ShowActive();
        if (OnChange)
            OnChange(this);
        result = 0;
        return true;
    }
    return false;
}
