#pragma once

class TApplication;

// The program's start on an application object that is not yet initialised: its window titled
// "Quorvane", the main form and the about form. The caller runs the message loop after it.
void StartProgram(TApplication& app);
