#include "app/document_memo.h"

void TDocumentMemo::ShowDocument(std::shared_ptr<const std::string> document)
{
    FWaiting = std::move(document);
    if (IsWindowVisible(Handle()))
        TakeWaitingDocument();
}

void TDocumentMemo::TakeWaitingDocument()
{
    if (!FWaiting)
        return;
    std::shared_ptr<const std::string> text = std::move(FWaiting);
    FWaiting.reset();
    FTaking = true;
    SetText(*text);
    FTaking = false;
}

LRESULT TDocumentMemo::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_SETTEXT:
        if (!FTaking)
            FWaiting.reset();
        break;
    case WM_PAINT:
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
    case EM_GETLINECOUNT:
    case EM_GETLINE:
    case EM_LINELENGTH:
    case EM_LINEINDEX:
    case EM_GETHANDLE:
        TakeWaitingDocument();
        break;
    default:
        break;
    }
    return TMemo::WndProc(msg, wParam, lParam);
}
