#include "tests/wizard/InstallDriversDouble.h"

#include "app/Trace.h"
#include "wizard/CInstDriverPage.h"

namespace
{
std::vector<SETUP_STATUS> g_planned;
size_t g_next = 0;
std::vector<InstallDriversCall> g_calls;

BOOL CALLBACK CountVisible(HWND window, LPARAM param)
{
    if (::IsWindowVisible(window))
        ++*(int*)param;
    return TRUE;
}
}

void PlanInstallDrivers(const std::vector<SETUP_STATUS>& statuses)
{
    g_planned = statuses;
    g_next = 0;
    g_calls.clear();
}

const std::vector<InstallDriversCall>& InstallDriversCalls()
{
    return g_calls;
}

SETUP_STATUS CInstDriverPage::InstallDrivers(HWND owner)
{
    InstallDriversCall call = { owner, 0 };
    ::EnumThreadWindows(::GetCurrentThreadId(), CountVisible, (LPARAM)&call.visibleWindows);
    g_calls.push_back(call);
    SETUP_STATUS status = g_next < g_planned.size() ? g_planned[g_next++] : ST_SUCCESS;
    Trace("test double InstallDrivers returning %u\n", status);
    return status;
}
