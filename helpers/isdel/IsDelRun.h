// The helper's work: let the setup program go on, wait until its process has ended,
// delete its file, and remove its directory when that file was the last thing in it.
#pragma once

#include "helpers/isdel/IsDelCommandLine.h"

#include <windows.h>

struct IsDelLimits
{
    // Then give up and delete nothing. Once the event is set the setup program still asks
    // the user about a restart, so the wait leaves the user time to answer.
    DWORD waitForProcessMs = 10 * 60 * 1000;
    DWORD deleteRetryMs = 10 * 1000;         // how long a locked file is tried again
    DWORD deleteRetryStepMs = 100;
};

// The helper's exit code: 0 when the program file was deleted; WAIT_TIMEOUT when the
// process was still running at the end of the wait; otherwise the error that stopped it.
DWORD RunIsDel(const IsDelRequest& request, const IsDelLimits& limits);
