#include "tests/wizard/UninstallDoubles.h"

#include "app/Trace.h"
#include "modem/ClassDevice.h"
#include "wizard/CUninstIntroPage.h"
#include "wizard/CUninstReportOKPage.h"

namespace
{
UninstallPlan g_plan;
size_t g_next = 0;
std::vector<HWND> g_owners;
std::vector<std::string> g_finishCalls;

std::string Narrow(LPCWSTR text)
{
    char narrow[512] = "";
    if (text != NULL)
        ::WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof(narrow), NULL, NULL);
    return narrow;
}
}

void PlanUninstall(const UninstallPlan& plan)
{
    g_plan = plan;
    g_next = 0;
    g_owners.clear();
    g_finishCalls.clear();
}

const std::vector<HWND>& UninstallDriversOwners()
{
    return g_owners;
}

const std::vector<std::string>& FinishCalls()
{
    return g_finishCalls;
}

SETUP_STATUS CUninstIntroPage::UninstallDrivers(HWND owner)
{
    g_owners.push_back(owner);
    SETUP_STATUS status = g_next < g_plan.removals.size() ? g_plan.removals[g_next++] : ST_SUCCESS;
    Trace("test double UninstallDrivers returning %u\n", status);
    return status;
}

BOOLEAN CUninstReportOKPage::FetchOurModemResponses(CString& responsesKeyName, LPCSTR pnpEnumId)
{
    g_finishCalls.push_back(std::string("FetchOurModemResponses(") + pnpEnumId + ")");
    if (g_plan.responsesFound)
        responsesKeyName = "Responses0000";
    Trace("test double FetchOurModemResponses returning %u\n", g_plan.responsesFound ? 1u : 0u);
    return g_plan.responsesFound ? TRUE : FALSE;
}

BOOLEAN CUninstReportOKPage::RemoveUnimodemResponses(LPCSTR responsesKeyName)
{
    g_finishCalls.push_back(std::string("RemoveUnimodemResponses(") + responsesKeyName + ")");
    Trace("test double RemoveUnimodemResponses returning %u\n", 1u);
    return TRUE;
}

BOOLEAN UnInstallClassDevice(LPCWSTR className, LPCWSTR identifierPart)
{
    g_finishCalls.push_back("UnInstallClassDevice(" + Narrow(className) + ", " + Narrow(identifierPart) + ")");
    Trace("test double UnInstallClassDevice returning %u\n", (UINT)g_plan.deviceRemoved);
    return g_plan.deviceRemoved;
}
