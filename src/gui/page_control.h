#pragma once
#include <string>
#include <vector>

#include "gui/controls.h"

class TPageControl;

// A page of a page control: a container shown while its tab is selected.
class TTabSheet : public TWinControl {
public:
    TTabSheet(TComponent* AOwner, TPageControl* APageControl, const std::string& caption);
    TPageControl* PageControl() const { return FPageControl; }
    int PageIndex() const { return FIndex; }
    // A sheet fills its page control's display rectangle, whatever the tabs measure.
    RECT PixelBounds() const override;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void DpiChanged() override { FitToPageControl(); }

private:
    friend class TPageControl;
    void FitToPageControl();
    TPageControl* FPageControl;
    int FIndex = 0;
};

class TPageControl : public TWinControl {
public:
    TPageControl(TComponent* AOwner, TWinControl* AParent, int left, int top, int width, int height);
    int PageCount() const { return static_cast<int>(FPages.size()); }
    TTabSheet* Pages(int i) const { return FPages.at(static_cast<std::size_t>(i)); }
    TTabSheet* ActivePage() const;
    int ActivePageIndex() const;
    void SetActivePage(TTabSheet* page);
    void SetActivePageIndex(int i);
    // The next (or previous) page, round the end, as if the user had chosen its tab.
    void SelectNextPage(bool goForward);
    // The rectangle inside the page control where sheets are placed, in its client pixels.
    RECT DisplayRect() const;
    TNotifyEvent OnChange;

protected:
    bool HandleNotify(NMHDR* hdr, LRESULT& result) override;

private:
    friend class TTabSheet;
    void AddPage(TTabSheet* page, const std::string& caption);
    void ShowActive();
    std::vector<TTabSheet*> FPages;
};
