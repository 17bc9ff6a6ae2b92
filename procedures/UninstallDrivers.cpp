// The driver removal of an uninstall as one ordered sequence: the board's identifier
// kept for the finish-time removal, the first driver's service and files removed, and
// the registry traces that the driver leaves cleared.
#include "wizard/CUninstIntroPage.h"

#include "app/Trace.h"
#include "modem/PciPlugAndPlayId.h"
#include "wizard/CWizPropSheet.h"

namespace
{
// The steps of UninstallDrivers; each failure returns its status at once.
SETUP_STATUS UninstallTheFirstDriver(CUninstIntroPage& page, HWND owner)
{
    CDriverSetup* driversetup = page.driversetupUninstIntro;
    if (driversetup == NULL)
    {
        Trace("CUninstIntroPage::UninstallDrivers driversetupUninstIntro NULL (%X)\n", 0u);
        return ST_SUCCESS;
    }

    POSITION pos;
    if (!driversetup->GetFirstDriver(pos) || !driversetup->GetNextDriver(pos))
        return ST_SUCCESS;

    CString serviceName;
    SETUP_STATUS status = driversetup->GetDriverServiceName(pos, serviceName);
    if (status != ST_SUCCESS)
        return status;

    // The identifier is read from below the service's key, so before the service goes;
    // the finish-time removal finds the modem device by it.
    CString identifier;
    if (GetThePciPlugAndPlayIdString(serviceName, identifier))
        driversetup->SetPnPEnumID(pos, identifier);

    status = driversetup->Uninstall(pos, owner);
    if (status != ST_SUCCESS)
    {
        if (page.propsheetUninstIntro == NULL)
            Trace("CUninstIntroPage::UninstallDrivers propsheetUninstIntro NULL (%X)\n", 0u);
        else
            page.propsheetUninstIntro->MsgBox(status, MB_OK);
        return status;
    }

    // Best effort: each routine logs its own result, none changes the status.
    CUninstIntroPage::RemoveEnumRootDriverKey(serviceName);
    CUninstIntroPage::RemoveEnumHtreeDriverString(serviceName);
    CUninstIntroPage::RemoveEventLogDriverKey(serviceName);
    return ST_SUCCESS;
}
}

SETUP_STATUS CUninstIntroPage::UninstallDrivers(HWND owner)
{
    SETUP_STATUS status = UninstallTheFirstDriver(*this, owner);
    Trace("CUninstIntroPage::UninstallDrivers returning UINT %u\n", status);
    return status;
}
