// One driver of the setup INF's list: its name, its install section, its NT service
// and its Plug and Play enumerator ID.
#pragma once

#include "driver/SetupStatus.h"
#include "framework/CString.h"

class CDriver
{
public:
    CDriver(LPCSTR name, LPCSTR sourceDirectory, LPCSTR infPath, LPCSTR installSection, LPCSTR pnpEnumId);

    void GetName(CString& name);
    void SetName(LPCSTR name);
    void GetPnPEnumID(CString& id);
    void SetPnPEnumID(LPCSTR id);

    // The NT service named by the first AddService line of the install section's
    // Services section; kept after the first success.
    SETUP_STATUS GetDriverServiceName(CString& serviceName);
    SETUP_STATUS open_service(LPCSTR serviceName, DWORD desiredAccess, SC_HANDLE* service);
    SETUP_STATUS GetInfo(DRV_STATE* state);
    SETUP_STATUS Start();
    SETUP_STATUS Stop();

    // Installs the driver's files, registry entries and service from the setup INF;
    // removes them again through its Uninstall sections. owner owns the Setup API's dialogs.
    SETUP_STATUS Install(HWND owner);
    SETUP_STATUS Uninstall(HWND owner);

private:
    SETUP_STATUS ReadServiceNameFromInf();

    CString nameDriver;
    CString installsectionDriver;
    CString servicenameDriver;
    CString infpathDriver;
    CString sourcedirDriver;
    CString pnpenumidDriver;
};
