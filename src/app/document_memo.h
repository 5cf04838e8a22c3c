#pragma once
#include <memory>
#include <string>

#include "gui/std_controls.h"

// The Text page's field. A feed document can run to megabytes, and an edit field takes long to
// take that much text (hundreds of milliseconds), so a downloaded document is handed over only
// when the field is seen: at once while it is on screen, otherwise when it is next painted.
// Whoever reads the field's text before then gets the document all the same, and any other
// text written into the field replaces the waiting document, as it would have replaced the shown one.
class TDocumentMemo : public TMemo {
public:
    using TMemo::TMemo;
    void ShowDocument(std::shared_ptr<const std::string> document);

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void TakeWaitingDocument();
    std::shared_ptr<const std::string> FWaiting;
    bool FTaking = false;
};
