// The installation as one ordered sequence: the driver and its service, the board's
// identifier and modem name, the modem device, its port and its country, and the
// maker's country applet when the country is not settled.
#include "wizard/CInstDriverPage.h"

#include "app/Trace.h"
#include "modem/ClassDevice.h"
#include "modem/PciPlugAndPlayId.h"
#include "wizard/CWizPropSheet.h"

namespace
{
const char c_szAppletCommandLine[] = "rundll32.exe shell32.dll,Control_RunDLL pmzcpl.cpl";

// The applet runs on its own; nobody waits for it. rundll32.exe is taken from the
// system directory by its full path, never from a directory that the search would
// try first, such as the one that SETUP.EXE was started from.
void StartTheCountryApplet()
{
    char szApplication[MAX_PATH];
    UINT nLength = ::GetSystemDirectoryA(szApplication, MAX_PATH);
    const char szRundll[] = "\\rundll32.exe";
    if (nLength == 0 || nLength + sizeof(szRundll) > sizeof(szApplication))
        return;
    ::lstrcpyA(szApplication + nLength, szRundll);

    char szCommandLine[sizeof(c_szAppletCommandLine)];
    ::lstrcpyA(szCommandLine, c_szAppletCommandLine);   // CreateProcessA may write to it
    STARTUPINFOA startup;
    ZeroMemory(&startup, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process;
    if (::CreateProcessA(szApplication, szCommandLine, NULL, NULL, FALSE,
                         CREATE_DEFAULT_ERROR_MODE | NORMAL_PRIORITY_CLASS, NULL, NULL, &startup, &process))
    {
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
}

// The steps of InstallDrivers; each failure returns its status at once.
SETUP_STATUS InstallTheFirstDriver(CInstDriverPage& page, HWND owner)
{
    CDriverSetup* driversetup = page.driversetupInstDriver;
    if (driversetup == NULL)
    {
        Trace("CInstDriverPage::InstallDrivers driversetupInstDriver NULL (%X)\n", 0u);
        return ST_SUCCESS;
    }
    if (page.propsheetInstDriver == NULL)
    {
        Trace("CInstDriverPage::InstallDrivers propsheetInstDriver NULL (%X)\n", 0u);
        return ST_SUCCESS;
    }

    POSITION pos;
    if (!driversetup->GetFirstDriver(pos) || !driversetup->GetNextDriver(pos))
        return ST_SUCCESS;

    SETUP_STATUS status = driversetup->Install(pos, owner);
    if (status != ST_SUCCESS)
        return status;

    CString serviceName;
    status = driversetup->GetDriverServiceName(pos, serviceName);
    if (status != ST_SUCCESS)
        return status;

    // The board's own identifier and modem name, where the driver gives its PCI values;
    // otherwise those of the driver's line in the setup INF.
    CString identifier;
    CString name;
    if (GetThePciPlugAndPlayIdString(serviceName, identifier))
    {
        driversetup->SetPnPEnumID(pos, identifier);
        if (!CInstDriverPage::GetTheInfFileDescription(identifier, name))
            return ST_MODEM_INF_NOT_FOUND;
        driversetup->SetName(pos, name);
    }
    driversetup->GetPnPEnumID(pos, identifier);
    driversetup->GetName(pos, name);

    WCHAR wszIdentifier[256];
    WCHAR wszName[256];
    ZeroMemory(wszIdentifier, sizeof(wszIdentifier));
    ZeroMemory(wszName, sizeof(wszName));
    // Each string is converted with its own length as both counts, so that the buffer's
    // last unit always stays zero: a string of 256 characters or more is not converted.
    int nIdentifierUnits = 0;
    int nNameUnits = 0;
    if (identifier.GetLength() < 256)
        nIdentifierUnits = ::MultiByteToWideChar(CP_ACP, 0, identifier, identifier.GetLength(), wszIdentifier,
                                                 identifier.GetLength());
    if (name.GetLength() < 256)
        nNameUnits = ::MultiByteToWideChar(CP_ACP, 0, name, name.GetLength(), wszName, name.GetLength());
    if (nIdentifierUnits == 0 || nNameUnits == 0)
    {
        Trace("CInstDriverPage::InstallDrivers cannot convert modem name %d\n", 0);
        return ST_SUCCESS;
    }

    if (!InstallClassDevice(L"Modem", wszIdentifier, wszName, true))
        return ST_MODEM_CANT_INSTALL_CLASS_DEVICE;

    HKEY classKey = CInstDriverPage::FindOurControlClass(identifier);
    if (classKey == NULL)
        return ST_MODEM_CANT_FIND_CONTROL_CLASS;

    CString port;
    if (!CInstDriverPage::FetchAttachedTo(serviceName, port))
    {
        ::RegCloseKey(classKey);
        return ST_MODEM_CANT_FETCH_ATTACHED_TO;
    }
    if (!CInstDriverPage::AddAttachedToStringToRegistry(classKey, port))
    {
        ::RegCloseKey(classKey);
        return ST_MODEM_CANT_ADD_ATTACHED_TO;
    }
    BOOLEAN countrySettled = CInstDriverPage::AddCurrentCountryStringToRegistry(classKey, page.countryflagInstDriver,
                                                                                page.countrycodeInstDriver);
    ::RegCloseKey(classKey);

    if (!page.propsheetInstDriver->silentPropSheet && !countrySettled)
        StartTheCountryApplet();
    return ST_SUCCESS;
}
}

SETUP_STATUS CInstDriverPage::InstallDrivers(HWND owner)
{
    SETUP_STATUS status = InstallTheFirstDriver(*this, owner);
    Trace("CInstDriverPage::InstallDrivers returning UINT %u\n", status);
    return status;
}

