#pragma once
#include <string>

#include "app/feed_parser.h"
#include "gui/controls.h"

class TMainForm;

// One refresh: download the current feed, turn its document into the tray menu's headlines, and
// tell the user through the tray picture, its tooltip and a balloon whether there is news.
// Every refresh enters through TimerTimer; the download's completion finishes it.
class TRefreshCycle {
public:
    explicit TRefreshCycle(TMainForm& form) : F(form) {}

    void TimerTimer();
    void StartRefresh();
    void AdvHttpRequestComplete();
    void AdvHttpError();
    void ProcessDocument();
    void PopupMenuPopup();
    void TrayIconClick(TMouseButton button);
    // The balloon with the headline and text of the last news, visible for the given time.
    void ShowNewsBalloon(int visibleTime);

    const feed::TBalloonNews& BalloonNews() const { return FBalloon; }
    const std::string& RememberedCaption() const { return FRememberedCaption; }
    // Whether a download started by the last refresh has not ended yet.
    bool Fetching() const { return FFetching; }

private:
    std::string TopLevelCaption(int position) const;
    // Ends a running download; false when none was running.
    bool AbortRunning();

    TMainForm& F;
    feed::TBalloonNews FBalloon;
    std::string FRememberedCaption;
    bool FFetching = false;
    bool FAborting = false;
};

// The timer interval of a refresh interval in minutes: negative ones stop the timer, ones longer
// than the platform's timers can hold are cut to the longest they can.
unsigned TimerInterval(int minutes);
