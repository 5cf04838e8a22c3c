#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "gui/controls.h"

// A read-only tree of text nodes: hot tracking, hand cursor, no lines at the root.
class TTreeView : public TWinControl {
public:
    TTreeView(TComponent* AOwner, TWinControl* AParent, int left, int top, int width, int height);
    HTREEITEM AddNode(HTREEITEM parent, const std::string& text);
    void FullExpand();
    void SetIndent(int pixels);
    int Indent() const;
    HTREEITEM Selected() const;
    void Select(HTREEITEM item);
    std::string NodeText(HTREEITEM item) const;
    bool Expanded(HTREEITEM item) const;
    int NodeCount() const;

protected:
    bool HandleNotify(NMHDR* hdr, LRESULT& result) override;
};
