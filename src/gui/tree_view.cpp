#include "gui/tree_view.h"

#include "rtl/wide.h"

TTreeView::TTreeView(TComponent* AOwner, TWinControl* AParent, int left, int top, int width, int height)
    : TWinControl(AOwner, AParent)
{
    SetBounds(left, top, width, height);
    CreateSystemWindow("SysTreeView32",
                       WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_TRACKSELECT |
                           TVS_SHOWSELALWAYS,
                       WS_EX_CLIENTEDGE);
    SetCursor(IDC_HAND);
    SetColor(clWindow);
}

HTREEITEM TTreeView::AddNode(HTREEITEM parent, const std::string& text)
{
    TVINSERTSTRUCTW ins = {};
    ins.hParent = parent ? parent : TVI_ROOT;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT;
    std::wstring t = rtl::Utf8ToWide(text);
    ins.item.pszText = &t[0];
    return reinterpret_cast<HTREEITEM>(SendMessageW(Handle(), TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins)));
}

static void ExpandAll(HWND tree, HTREEITEM item)
{
    for (; item; item = TreeView_GetNextSibling(tree, item)) {
        TreeView_Expand(tree, item, TVE_EXPAND);
        ExpandAll(tree, TreeView_GetChild(tree, item));
    }
}

void TTreeView::FullExpand()
{
    ExpandAll(Handle(), TreeView_GetRoot(Handle()));
}

void TTreeView::SetIndent(int pixels)
{
    TreeView_SetIndent(Handle(), pixels);
}

int TTreeView::Indent() const
{
    return static_cast<int>(TreeView_GetIndent(Handle()));
}

HTREEITEM TTreeView::Selected() const
{
    return TreeView_GetSelection(Handle());
}

void TTreeView::Select(HTREEITEM item)
{
    TreeView_SelectItem(Handle(), item);
}

bool TTreeView::Expanded(HTREEITEM item) const
{
    return (TreeView_GetItemState(Handle(), item, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

int TTreeView::NodeCount() const
{
    return static_cast<int>(TreeView_GetCount(Handle()));
}

std::string TTreeView::NodeText(HTREEITEM item) const
{
    if (!item)
        return std::string();
    wchar_t buffer[1024] = {};
    TVITEMW it = {};
    it.mask = TVIF_TEXT;
    it.hItem = item;
    it.pszText = buffer;
    it.cchTextMax = 1024;
    SendMessageW(Handle(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
    return rtl::WideToUtf8(buffer);
}

bool TTreeView::HandleNotify(NMHDR* hdr, LRESULT& result)
{
    if (hdr->code == NM_CLICK) {
        // The click arrives before the tree moves its selection; select the node under the mouse
        // first so that the handler sees the node the user clicked.
        TVHITTESTINFO hit = {};
        DWORD pos = GetMessagePos();
        hit.pt.x = static_cast<short>(LOWORD(pos));
        hit.pt.y = static_cast<short>(HIWORD(pos));
        ScreenToClient(Handle(), &hit.pt);
        HTREEITEM item = TreeView_HitTest(Handle(), &hit);
        // A click beside every node (empty space, the indent) is no click on the tree's content.
        if (item && (hit.flags & TVHT_ONITEM)) {
            Select(item);
            Click();
        }
        result = 0;
        return true;
    }
    return false;
}
