#pragma once
// The program started in-process in a temporary program folder with its own "Newsfeeds", the
// user and the shell played by the scripted responder: the setting of the feed command tests.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/main_form.h"
#include "gui/application.h"
#include "rtl/files.h"
#include "rtl/string_list.h"
#include "test_support.h"

class ProgramFolderTest : public testing::Test {
protected:
    TTempFolder Folder{"qv_feedcmd"};
    TScriptedUi Ui;
    std::unique_ptr<TApplication> App;

    void SetUp() override { rtl::CreateDir(Feeds()); }
    void TearDown() override
    {
        App.reset();
        rtl::SetProgramFileNameOverride("");
    }

    // A path inside the feed folder.
    std::string Feeds(const std::string& relative = "") const { return Folder / ("Newsfeeds\\" + relative); }
    void Dir(const std::string& relative) const { rtl::CreateDir(Feeds(relative)); }
    void Feed(const std::string& relative, const std::string& url) const
    {
        WriteTextFile(Feeds(relative), url + "\r\n");
    }

    // Starts the program as its entry does, with the saved current feed; the window is shown.
    void Start(const std::string& feedName = "")
    {
        WriteTextFile(Folder / "quorvane.ini", "[Settings]\r\nFeedName=" + feedName + "\r\nStart minimized=0\r\n");
        App = StartProgramAt(Folder / "quorvane.exe");
        App->ProcessMessages();
        MainForm->PageControl->SetActivePage(MainForm->FeedSheet);
    }
    // Ends the program as closing the window does; the settings file is written.
    void Stop()
    {
        MainForm->Close();
        App->ProcessMessages();
        App.reset();
    }
    // A click on a button as the user makes it; an error escaping the handler is shown by the
    // application's message box (recorded by the responder).
    static void Click(TWinControl* button) { SendMessageW(button->Handle(), BM_CLICK, 0, 0); }

    TMenuItem* FeedsEntry() const { return MainForm->HeadlineMenu->NewsfeedsEntry(); }
    // The captions of a level of the menu, separated by spaces.
    static std::string Captions(const TMenuItem* level)
    {
        std::string s;
        for (int i = 0; i < level->Count(); ++i)
            s += (i ? " " : "") + level->Items(i)->Caption();
        return s;
    }
    static TMenuItem* Entry(const TMenuItem* level, const std::string& caption)
    {
        for (int i = 0; i < level->Count(); ++i)
            if (level->Items(i)->Caption() == caption)
                return level->Items(i);
        return nullptr;
    }
    // The messages shown so far, one per line.
    std::string MessageTexts() const
    {
        std::string s;
        for (const TMessageCall& m : Ui.Messages)
            s += m.Text + "\n";
        return s;
    }
};
