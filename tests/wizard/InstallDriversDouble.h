// The installation as the wizard tests see it: CInstDriverPage::InstallDrivers is
// defined by the test program (the procedures library is not linked in), returns the
// statuses a test asks for and records how it was called.
#pragma once

#include <windows.h>

#include <vector>

#include "driver/SetupStatus.h"

struct InstallDriversCall
{
    HWND owner;
    // Top-level windows of the calling thread that were visible during the call.
    int visibleWindows;
};

// The statuses of the next calls, in order; a call beyond them returns 0.
void PlanInstallDrivers(const std::vector<SETUP_STATUS>& statuses);
const std::vector<InstallDriversCall>& InstallDriversCalls();
