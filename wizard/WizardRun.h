// The wizard run: what start-up hands over once it has worked out the settings.
#pragma once

#include "framework/CString.h"

struct SETUP_SETTINGS
{
    // Handed to the wizard sheet's constructor, in this order.
    bool installFlag;
    HINSTANCE hInstance;
    UINT titleId;
    bool silentFlag;
    bool countryFlag;
    WORD countryCode;
    bool logFlag;
    bool dryRunFlag;
    // Handed to the sheet when it builds its driver list and pages.
    CString setupDirectory;
    CString setupInfPath;
    CString driverSection;
};

// Runs the wizard, or the procedure of the mode in silent mode, and returns the
// process exit code: the status of the last procedure that ran, 0 when none ran,
// ST_INF_FILE_NOT_FOUND (8) when the setup INF lists no driver.
int PerformWizardRun(const SETUP_SETTINGS& settings);
