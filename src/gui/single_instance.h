#pragma once
#include <windows.h>

#include <string>

// One running program per file (the settings file it writes at exit): a second start hands over
// to the first, which brings up its window, and ends, so that two programs never overwrite each
// other's file.
//
// The lock is a named mutex named after the file's path (letter case and short names aside),
// held from the start until the process lets it go after writing the file. The hand-over is a
// registered window message, InstanceMessage, sent to the running programs' windows of the class
// given; wParam is the file's key, and only the window of that file answers, kInstanceShown.
class TInstanceLock {
public:
    TInstanceLock(const std::string& fileName, const std::string& windowClass);
    ~TInstanceLock();
    TInstanceLock(const TInstanceLock&) = delete;
    TInstanceLock& operator=(const TInstanceLock&) = delete;

    // True when this process may run: it holds the lock, at once or as soon as the program that
    // held it has ended. False when the running program took the hand-over, or did not answer
    // within timeoutMs (while still starting, say, or ending): this one ends then.
    bool Acquire(DWORD timeoutMs = 20000);

private:
    bool Owned(DWORD waitResult);
    HANDLE FMutex = nullptr;
    bool FOwned = false;
    WPARAM FKey = 0;
    std::string FWindowClass;
};

UINT InstanceMessage();
const LRESULT kInstanceShown = 0x5156;
WPARAM InstanceKeyOf(const std::string& fileName);
