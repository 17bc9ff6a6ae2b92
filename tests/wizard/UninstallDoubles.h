// The removal steps as the uninstall wizard tests see them: the driver removal
// (CUninstIntroPage::UninstallDrivers), the responses key routines and the modem
// device removal are defined by the test program (the procedures library is not
// linked in, and the modem library's own definitions are not pulled in). Each returns
// what a test plans, logs one line and records how it was called.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "driver/SetupStatus.h"

struct UninstallPlan
{
    std::vector<SETUP_STATUS> removals;   // the statuses of the next removals; 0 beyond them
    bool responsesFound = true;           // what FetchOurModemResponses returns
    BOOLEAN deviceRemoved = TRUE;         // what UnInstallClassDevice returns
};

void PlanUninstall(const UninstallPlan& plan);
// The owners that the driver removals were given, in order.
const std::vector<HWND>& UninstallDriversOwners();
// The calls of the finish-time doubles, in order, as "Name(arguments)".
const std::vector<std::string>& FinishCalls();
