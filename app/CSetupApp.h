// The application: start-up is its whole life.
#pragma once

#include "framework/CWinApp.h"

class CSetupApp : public CWinApp
{
public:
    CSetupApp();
    ~CSetupApp() override;

    // Reads the command line, switches the trace log on, refuses a user who may not
    // change the device registry, locates the setup INF and performs the wizard run.
    // Always FALSE: the program ends when the run is over. The exit code is the run's,
    // or ERROR_ELEVATION_REQUIRED when the user was refused.
    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};

extern CSetupApp theApp;
