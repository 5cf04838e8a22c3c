#pragma once
#include <windows.h>

#include <string>

#include "gui/component.h"

enum TOpenOption : unsigned {
    ofPathMustExist = 1,
    ofFileMustExist = 2,
    ofEnableSizing = 4,
    ofOverwritePrompt = 8
};
using TOpenOptions = unsigned; // a combination of TOpenOption values

// The file-open dialog as a component: set up Filter ("Caption|*.a;*.b|Other|*.c"), Title and
// Options, then Execute. It is shown through the platform seam, so tests answer it.
class TOpenDialog : public TComponent {
public:
    explicit TOpenDialog(TComponent* AOwner) : TComponent(AOwner) {}

    const std::string& Filter() const { return FFilter; }
    void SetFilter(const std::string& v) { FFilter = v; }
    const std::string& Title() const { return FTitle; }
    void SetTitle(const std::string& v) { FTitle = v; }
    const std::string& InitialDir() const { return FInitialDir; }
    void SetInitialDir(const std::string& v) { FInitialDir = v; }
    // The file chosen by the last successful Execute.
    const std::string& FileName() const { return FFileName; }
    void SetFileName(const std::string& v) { FFileName = v; }
    TOpenOptions Options() const { return FOptions; }
    void SetOptions(TOpenOptions v) { FOptions = v; }

    // True when the user chose a file; a cancelled dialog leaves FileName as it was.
    bool Execute();

protected:
    bool Run(bool save, const std::string& defaultExt);

private:
    std::string FFilter;
    std::string FTitle;
    std::string FInitialDir;
    std::string FFileName;
    TOpenOptions FOptions = 0;
};

// The file-save dialog: the same properties, FileName offered as the name to save under, and
// DefaultExt added to a name typed without an extension.
class TSaveDialog : public TOpenDialog {
public:
    explicit TSaveDialog(TComponent* AOwner) : TOpenDialog(AOwner) {}

    const std::string& DefaultExt() const { return FDefaultExt; }
    void SetDefaultExt(const std::string& v) { FDefaultExt = v; }

    bool Execute() { return Run(true, FDefaultExt); }

private:
    std::string FDefaultExt;
};
