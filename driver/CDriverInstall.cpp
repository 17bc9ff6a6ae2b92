// A driver's files, registry entries and NT service put onto the system from the setup
// INF, and taken away again through the INF's Uninstall sections, all by the Setup API.
#include "driver/CDriver.h"

#include <setupapi.h>

#include "app/Trace.h"
#include "driver/CloseTheControlPanelWindow.h"
#include "framework/ScopedHandles.h"

namespace
{
// Files, registry entries, INI entries and log configuration: the whole section.
const UINT SECTION_INSTALL_FLAGS = SPINST_LOGCONFIG | SPINST_INIFILES | SPINST_REGISTRY | SPINST_INI2REG | SPINST_FILES;
const DWORD SERVICES_KEY_ACCESS = STANDARD_RIGHTS_REQUIRED | KEY_CREATE_SUB_KEY;
const char SERVICES_KEY[] = "SYSTEM\\CurrentControlSet\\Services";

// Installs section with the default queue callback, whose dialogs owner owns. The
// callback's context lives for this one call. FALSE when the context cannot be made
// or the section install fails.
BOOL InstallSection(HWND owner, HINF inf, LPCSTR section, HKEY relativeKeyRoot, LPCSTR sourceRoot, DWORD copyFlags)
{
    PVOID context = ::SetupInitDefaultQueueCallback(owner);
    if (context == NULL)
        return FALSE;
    BOOL installed = ::SetupInstallFromInfSectionA(owner, inf, section, SECTION_INSTALL_FLAGS, relativeKeyRoot,
        sourceRoot, copyFlags, SetupDefaultQueueCallbackA, context, NULL, NULL);
    ::SetupTermDefaultQueueCallback(context);
    return installed;
}

// The steps of an install that need the open INF: the service's key, the install section
// with its relative (HKR) entries below that key, then the install section's services.
SETUP_STATUS InstallFromOpenInf(CDriver& driver, HWND owner, HINF inf, LPCSTR installSection, LPCSTR sourceDirectory)
{
    CRegKeyHandle servicesKey;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, SERVICES_KEY, 0, SERVICES_KEY_ACCESS, &servicesKey) != ERROR_SUCCESS)
    {
        Trace("CDriver::Install %u (ST_REG_CANT_OPEN_SERVICES_KEY)\n", ST_REG_CANT_OPEN_SERVICES_KEY);
        return ST_REG_CANT_OPEN_SERVICES_KEY;
    }

    // Known since the state was asked for: answered without the INF.
    CString serviceName;
    SETUP_STATUS status = driver.GetDriverServiceName(serviceName);
    if (status != ST_SUCCESS)
        return status;

    CRegKeyHandle serviceKey;
    LONG created = ::RegCreateKeyExA(servicesKey, serviceName, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, NULL,
        &serviceKey, NULL);
    servicesKey.Close();
    if (created != ERROR_SUCCESS)
    {
        Trace("CDriver::Install %u (ST_REG_CANT_CREATE_SERVICE_ROOT_KEY)\n", ST_REG_CANT_CREATE_SERVICE_ROOT_KEY);
        return ST_REG_CANT_CREATE_SERVICE_ROOT_KEY;
    }

    BOOL installed = InstallSection(owner, inf, installSection, serviceKey, sourceDirectory, SP_COPY_NEWER | SP_COPY_NOSKIP);
    serviceKey.Close();
    if (!installed)
    {
        Trace("CDriver::Install %u (ST_INF_CANT_INSTALL_FILES)\n", ST_INF_CANT_INSTALL_FILES);
        return ST_INF_CANT_INSTALL_FILES;
    }

    CString servicesSection;
    servicesSection.Format("%s.%s", installSection, "Services");
    if (!::SetupInstallServicesFromInfSectionA(inf, servicesSection, 0))
    {
        Trace("CDriver::Install %u (ST_INF_CANT_INSTALL_SERVICE)\n", ST_INF_CANT_INSTALL_SERVICE);
        return ST_INF_CANT_INSTALL_SERVICE;
    }
    return ST_SUCCESS;
}

// The removal with the INF open: the services first, then (with no Control Panel window
// left open) the files and registry entries. A failed service removal does not stop the
// file removal, and is the one reported when both fail.
SETUP_STATUS UninstallFromOpenInf(HWND owner, HINF inf, LPCSTR installSection)
{
    CString uninstallSection;
    uninstallSection.Format("%s.Uninstall", installSection);
    CString uninstallServicesSection;
    uninstallServicesSection.Format("%s.%s", (LPCSTR)uninstallSection, "Services");

    SETUP_STATUS status = ST_SUCCESS;
    if (!::SetupInstallServicesFromInfSectionA(inf, uninstallServicesSection, 0))
    {
        status = ST_INF_CANT_UNINSTALL_SERVICE;
        Trace("Uninstall %u (ST_INF_CANT_UNINSTALL_SERVICE)\n", status);
    }

    CloseTheControlPanelWindow();

    if (!InstallSection(owner, inf, uninstallSection, NULL, NULL, 0) && status == ST_SUCCESS)
    {
        status = ST_INF_CANT_UNINSTALL_FILES;
        Trace("Uninstall %u (ST_INF_CANT_UNINSTALL_FILES)\n", status);
    }
    return status;
}
}

SETUP_STATUS CDriver::Install(HWND owner)
{
    DRV_STATE state = DRV_S_NONE;
    SETUP_STATUS status = GetInfo(&state);
    if (status == ST_SUCCESS && state == DRV_S_STARTED)
    {
        status = ST_DRV_CANT_INSTALL_ALREADY_INSTALLED;
        Trace("CDriver::Install %u (ST_DRV_CANT_INSTALL_ALREADY_INSTALLED)\n", status);
    }
    else if (status == ST_SUCCESS)
    {
        // A service that exists and does not run is installed over.
        CInfHandle inf(::SetupOpenInfFileA(infpathDriver, NULL, INF_STYLE_WIN4, NULL));
        if (!inf.IsValid())
        {
            if (::GetLastError() == ERROR_FILE_NOT_FOUND)
            {
                status = ST_INF_FILE_NOT_FOUND;
                Trace("CDriver::Install %u (ST_INF_FILE_NOT_FOUND)\n", status);
            }
            else
            {
                status = ST_INF_CANT_OPEN_INF_FILE;
                Trace("CDriver::Install %u (ST_INF_CANT_OPEN_INF_FILE)\n", status);
            }
        }
        else
        {
            status = InstallFromOpenInf(*this, owner, inf, installsectionDriver, sourcedirDriver);
            inf.Close();
        }
    }
    Trace("CDriver::Install exit with uRet %u\n", status);
    return status;
}

SETUP_STATUS CDriver::Uninstall(HWND owner)
{
    DRV_STATE state = DRV_S_NONE;
    SETUP_STATUS status = GetInfo(&state);
    if (status == ST_SUCCESS && state == DRV_S_STARTED)
    {
        status = ST_DRV_CANT_UNINSTALL_SERVICE_RUNNING;
        // This line has never had a closing parenthesis; stored logs show it so.
        Trace("Uninstall %u (ST_DRV_CANT_UNINSTALL_SERVICE_RUNNING\n", status);
    }
    else if (status == ST_SUCCESS)
    {
        UINT errorLine = 0;
        CInfHandle inf(::SetupOpenInfFileA(infpathDriver, NULL, INF_STYLE_WIN4, &errorLine));
        if (!inf.IsValid())
        {
            DWORD error = ::GetLastError();
            Trace("Uninstall SetupOpenInfFile error at line %u\n", errorLine);
            if (error == ERROR_FILE_NOT_FOUND)
            {
                status = ST_INF_FILE_NOT_FOUND;
                Trace("Uninstall %u (ST_INF_FILE_NOT_FOUND)\n", status);
            }
            else
            {
                status = ST_INF_CANT_OPEN_INF_FILE;
                Trace("Uninstall %u (ST_INF_CANT_OPEN_INF_FILE)\n", status);
            }
        }
        else
        {
            status = UninstallFromOpenInf(owner, inf, installsectionDriver);
            inf.Close();
        }
    }
    Trace("Uninstall exit with uRet %u\n", status);
    return status;
}
