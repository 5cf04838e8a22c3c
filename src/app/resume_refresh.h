#pragma once

// When the machine wakes from sleep, the refresh its timer missed comes once. The system tells of
// a wake with PBT_APMRESUMEAUTOMATIC and, when a user is there, also PBT_APMRESUMESUSPEND, which
// can come right after or minutes later (a wake by a timer, the user back later); older systems
// send only the second. So the first resume is taken, and another is one of its pair until the
// next suspend; when no suspend was told before the wake, for ten minutes.
class TResumeRefresh {
public:
    static constexpr unsigned long long kPairMs = 10ull * 60 * 1000;

    void Suspended()
    {
        FTaken = false;
        FSuspendTold = true;
    }
    // True when this resume is to refresh.
    bool Resumed(unsigned long long nowMs)
    {
        if (FTaken && (FTakenAfterSuspend || nowMs - FTakenAt < kPairMs))
            return false;
        FTaken = true;
        FTakenAt = nowMs;
        FTakenAfterSuspend = FSuspendTold;
        FSuspendTold = false;
        return true;
    }

private:
    bool FTaken = false;
    bool FSuspendTold = false;
    bool FTakenAfterSuspend = false;
    unsigned long long FTakenAt = 0;
};
