#include "app/document_memo.h"

void TDocumentMemo::ShowDocument(std::string document)
{
    FWaiting = std::move(document);
    FHasWaiting = true;
    if (IsWindowVisible(Handle()))
        TakeWaitingDocument();
}

void TDocumentMemo::TakeWaitingDocument()
{
    if (!FHasWaiting)
        return;
    std::string text;
    text.swap(FWaiting);
    FHasWaiting = false;
    FTaking = true;
    SetText(text);
    FTaking = false;
}

LRESULT TDocumentMemo::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_SETTEXT:
        if (!FTaking) {
            FHasWaiting = false;
            std::string().swap(FWaiting);
        }
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
