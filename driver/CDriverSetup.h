// The drivers of the setup INF's list section, read once at construction and reached
// by list position.
#pragma once

#include "driver/CDriver.h"
#include "framework/CPtrList.h"

class CDriverSetup
{
public:
    CDriverSetup(LPCSTR sourceDirectory, LPCSTR infPath, LPCSTR section);
    ~CDriverSetup();

    // pos becomes null, the place before the first driver; FALSE when the list is empty.
    BOOLEAN GetFirstDriver(POSITION& pos);
    // pos moves to the first driver (from null) or to the next one; FALSE, and pos
    // unchanged, when there is none.
    BOOLEAN GetNextDriver(POSITION& pos);

    void GetName(POSITION pos, CString& name);
    void SetName(POSITION pos, LPCSTR name);
    void GetPnPEnumID(POSITION pos, CString& id);
    void SetPnPEnumID(POSITION pos, LPCSTR id);
    SETUP_STATUS GetDriverServiceName(POSITION pos, CString& serviceName);
    SETUP_STATUS GetInfo(POSITION pos, DRV_STATE* state);
    // Installs the driver and, when that succeeded, starts its service.
    SETUP_STATUS Install(POSITION pos, HWND owner);
    // Stops the driver's service and, when that succeeded, removes the driver.
    SETUP_STATUS Uninstall(POSITION pos, HWND owner);

private:
    void ReadDriverList(LPCSTR section);
    CDriver* DriverAt(POSITION pos) { return (CDriver*)listDriverSetup.GetAt(pos); }

    CDriverSetup(const CDriverSetup&) = delete;
    CDriverSetup& operator=(const CDriverSetup&) = delete;

    CPtrList listDriverSetup;
    CString infpathDriverSetup;
    CString sourcedirDriverSetup;
};
