// The modem's class device: InstallClassDevice and UnInstallClassDevice.
#include "modem/ClassDevice.h"

#include <setupapi.h>

#include <cwchar>

#include "app/Trace.h"

// The records have the device installer's 32-bit layout in the 32-bit build.
#ifndef _WIN64
static_assert(sizeof(SP_DEVINFO_DATA) == 28, "device-information record");
static_assert(sizeof(SP_DRVINFO_DATA_V1_W) == 1548, "driver-information record without date and version");
static_assert(sizeof(SP_DEVINSTALL_PARAMS_W) == 556, "install-parameters record");
#endif

namespace
{
const DWORD CREATE_DEVICE_FLAGS = DICD_GENERATE_ID | DICD_INHERIT_CLASSDRVS;
const DWORD ALL_HARDWARE_PROFILES = 0xFFFFFFFF;
const DWORD INSTANCE_ID_CHARS = 260;

// A UTF-16 argument as the 8-bit text of a log line, in the ANSI code page. Bounded:
// what does not fit in a line's buffer is cut off.
class CAnsiText
{
public:
    explicit CAnsiText(LPCWSTR text)
    {
        m_text[0] = '\0';
        if (text == NULL)
            return;
        // Each UTF-16 unit needs one byte at least; a double-byte code page may need
        // more, and then the text is shortened until it fits.
        int length = (int)wcsnlen(text, sizeof(m_text) - 1);
        int written = 0;
        while (length > 0
               && (written = ::WideCharToMultiByte(CP_ACP, 0, text, length, m_text, sizeof(m_text) - 1, NULL, NULL)) == 0)
            length--;
        m_text[written] = '\0';
    }
    operator LPCSTR() const { return m_text; }

private:
    char m_text[256];
};

// The device installer is never handed a null string.
LPCWSTR NotNull(LPCWSTR text)
{
    return text != NULL ? text : L"";
}

// A zero-filled record of the device installer, its size in its first field; NULL
// when it cannot be allocated.
template <typename Record>
Record* AllocateRecord()
{
    Record* record = (Record*)::GlobalAlloc(GMEM_ZEROINIT, sizeof(Record));
    if (record != NULL)
        record->cbSize = sizeof(Record);
    return record;
}

// The GUID of the one setup class of that name. When there is none, or the lookup
// fails, returns false with the result that the routine returns.
bool LookUpClassGuid(LPCSTR routine, LPCWSTR className, GUID& classGuid, BOOLEAN& result)
{
    DWORD requiredSize = 0;
    if (!::SetupDiClassGuidsFromNameW(className, &classGuid, 1, &requiredSize))
    {
        DWORD error = ::GetLastError();
        Trace("%s SetupDiClassGuidsFromName failed for %s%u\n", routine, (LPCSTR)CAnsiText(className), (UINT)error);
        result = FALSE;
        return false;
    }
    if (requiredSize != 1)
    {
        Trace("%s SetupDiClassGuidsFromName RequiredSize %u (should be 1)\n", routine, (UINT)requiredSize);
        result = TRUE;
        return false;
    }
    return true;
}

// Enumerates the element's class drivers into driver until one is taken.
bool TakeClassDriver(HDEVINFO set, PSP_DEVINFO_DATA device, LPCWSTR description, bool matchDescription,
                     PSP_DRVINFO_DATA_V1_W driver)
{
    for (DWORD index = 0; ::SetupDiEnumDriverInfoW(set, device, SPDIT_CLASSDRIVER, index, (PSP_DRVINFO_DATA_W)driver);
         index++)
    {
        if (!matchDescription)
            return true;
        driver->Description[LINE_LEN - 1] = L'\0';
        if (wcscmp(driver->Description, description) == 0)
            return true;
    }
    return false;
}

// Adds DI_QUIETINSTALL to the element's install parameters.
bool SetQuietInstall(HDEVINFO set, PSP_DEVINFO_DATA device, LPCSTR description)
{
    PSP_DEVINSTALL_PARAMS_W params = AllocateRecord<SP_DEVINSTALL_PARAMS_W>();
    if (params == NULL)
    {
        Trace("InstallClassDevice cannot allocate %u bytes (PSP_DEVINSTALL_PARAMS)\n", (UINT)sizeof(SP_DEVINSTALL_PARAMS_W));
        return false;
    }
    bool done = false;
    if (!::SetupDiGetDeviceInstallParamsW(set, device, params))
        Trace("InstallClassDevice SetupDiGetDeviceInstallParams failed for %s\n", description);
    else
    {
        params->Flags |= DI_QUIETINSTALL;
        if (!::SetupDiSetDeviceInstallParamsW(set, device, params))
            Trace("InstallClassDevice SetupDiSetDeviceInstallParams failed for %s\n", description);
        else
            done = true;
    }
    ::GlobalFree(params);
    return done;
}

// Registers the element with the driver taken and lets the class installer install it.
BOOLEAN InstallWithDriver(HDEVINFO set, PSP_DEVINFO_DATA device, PSP_DRVINFO_DATA_V1_W driver, LPCWSTR description)
{
    CAnsiText text(description);
    if (!SetQuietInstall(set, device, text))
        return FALSE;
    if (!::SetupDiSetSelectedDevice(set, device))
    {
        Trace("InstallClassDevice SetupDiSetSelectedDevice failed for %s\n", (LPCSTR)text);
        return FALSE;
    }
    if (!::SetupDiSetSelectedDriverW(set, device, (PSP_DRVINFO_DATA_W)driver))
    {
        Trace("InstallClassDevice SetupDiSetSelectedDriver failed for %s\n", (LPCSTR)text);
        return FALSE;
    }
    if (!::SetupDiRegisterDeviceInfo(set, device, 0, NULL, NULL, NULL))
    {
        Trace("InstallClassDevice SetupDiRegisterDeviceInfo failed for %s\n", (LPCSTR)text);
        return FALSE;
    }
    if (!::SetupDiCallClassInstaller(DIF_INSTALLDEVICE, set, device))
    {
        Trace("InstallClassDevice SetupDiCallClassInstaller failed for %s\n", (LPCSTR)text);
        return FALSE;
    }
    return TRUE;
}

// Creates the element in a set of its own and installs it; the set goes away again.
BOOLEAN InstallIntoClass(LPCWSTR className, LPCWSTR deviceName, LPCWSTR description, bool matchDescription,
                         PSP_DEVINFO_DATA device, PSP_DRVINFO_DATA_V1_W driver)
{
    GUID classGuid;
    BOOLEAN result = FALSE;
    if (!LookUpClassGuid("InstallClassDevice", className, classGuid, result))
        return result;

    HDEVINFO set = ::SetupDiCreateDeviceInfoList(&classGuid, NULL);
    if (set == INVALID_HANDLE_VALUE)
    {
        Trace("InstallClassDevice SetupDiCreateDeviceInfoList %u\n", 0);
        return FALSE;
    }
    if (!::SetupDiCreateDeviceInfoW(set, deviceName, &classGuid, description, NULL, CREATE_DEVICE_FLAGS, device))
        Trace("InstallClassDevice SetupDiCreateDeviceInfo failed for %s\n", (LPCSTR)CAnsiText(deviceName));
    else if (!::SetupDiBuildDriverInfoList(set, device, SPDIT_CLASSDRIVER))
        Trace("InstallClassDevice SetupDiBuildDriverInfoList failed for %s\n", (LPCSTR)CAnsiText(deviceName));
    else if (TakeClassDriver(set, device, description, matchDescription, driver))
        result = InstallWithDriver(set, device, driver, description);
    ::SetupDiDestroyDriverInfoList(set, device, SPDIT_CLASSDRIVER);
    ::SetupDiDestroyDeviceInfoList(set);
    return result;
}

// The first device of the set whose instance identifier contains identifierPart. A
// null part is contained in none.
bool FindDevice(HDEVINFO set, LPCWSTR identifierPart, PSP_DEVINFO_DATA device)
{
    WCHAR instanceId[INSTANCE_ID_CHARS];
    for (DWORD index = 0;; index++)
    {
        if (!::SetupDiEnumDeviceInfo(set, index, device))
            return false;
        DWORD requiredSize = 0;
        if (!::SetupDiGetDeviceInstanceIdW(set, device, instanceId, INSTANCE_ID_CHARS, &requiredSize))
            return false;
        instanceId[INSTANCE_ID_CHARS - 1] = L'\0';
        if (identifierPart != NULL && wcsstr(instanceId, identifierPart) != NULL)
            return true;
    }
}

// Lets the class installer remove the device found and deletes its registry keys.
BOOLEAN RemoveDevice(HDEVINFO set, PSP_DEVINFO_DATA device, LPCWSTR identifierPart)
{
    CAnsiText text(identifierPart);
    Trace("UnInstallClassDevice SetupDiGetClassDevs found %s\n", (LPCSTR)text);
    if (!::SetupDiSetSelectedDevice(set, device))
    {
        Trace("UnInstallClassDevice SetupDiSetSelectedDevice failed for %s\n", (LPCSTR)text);
        return FALSE;
    }
    if (!::SetupDiRegisterDeviceInfo(set, device, 0, NULL, NULL, NULL))
    {
        Trace("UnInstallClassDevice SetupDiRegisterDeviceInfo failed for %s\n", (LPCSTR)text);
        return FALSE;
    }
    if (!::SetupDiCallClassInstaller(DIF_REMOVE, set, device))
    {
        Trace("UnInstallClassDevice SetupDiCallClassInstaller failed for %s\n", (LPCSTR)text);
        return FALSE;
    }
    if (!::SetupDiDeleteDevRegKey(set, device, DICS_FLAG_GLOBAL, ALL_HARDWARE_PROFILES, DIREG_BOTH))
    {
        Trace("UnInstallClassDevice SetupDiDeleteDevRegKey failed for %s\n", (LPCSTR)text);
        return FALSE;
    }
    return TRUE;
}

// Finds the device among the class's present devices and removes it.
BOOLEAN RemoveFromClass(LPCWSTR className, LPCWSTR identifierPart, PSP_DEVINFO_DATA device)
{
    GUID classGuid;
    BOOLEAN result = FALSE;
    if (!LookUpClassGuid("UnInstallClassDevice", className, classGuid, result))
        return result;

    HDEVINFO set = ::SetupDiGetClassDevsW(&classGuid, NULL, NULL, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE)
    {
        Trace("UnInstallClassDevice SetupDiGetClassDevs failed for %s\n", (LPCSTR)CAnsiText(className));
        return FALSE;
    }
    result = TRUE;
    if (FindDevice(set, identifierPart, device))
        result = RemoveDevice(set, device, identifierPart);
    ::SetupDiDestroyDriverInfoList(set, device, SPDIT_CLASSDRIVER);
    ::SetupDiDestroyDeviceInfoList(set);
    return result;
}
}

BOOLEAN InstallClassDevice(LPCWSTR className, LPCWSTR deviceName, LPCWSTR description, bool matchDescription)
{
    BOOLEAN result = FALSE;
    PSP_DEVINFO_DATA device = AllocateRecord<SP_DEVINFO_DATA>();
    if (device == NULL)
        Trace("InstallClassDevice cannot allocate %u bytes (PSP_DEVINFO_DATA)\n", (UINT)sizeof(SP_DEVINFO_DATA));
    else
    {
        PSP_DRVINFO_DATA_V1_W driver = AllocateRecord<SP_DRVINFO_DATA_V1_W>();
        if (driver == NULL)
            Trace("InstallClassDevice cannot allocate %u bytes (PSP_DRVINFO_DATA)\n", (UINT)sizeof(SP_DRVINFO_DATA_V1_W));
        else
        {
            result = InstallIntoClass(NotNull(className), NotNull(deviceName), NotNull(description), matchDescription,
                                      device, driver);
            ::GlobalFree(driver);
        }
        ::GlobalFree(device);
    }
    Trace("InstallClassDevice exit with BOOLEAN %u\n", result);
    return result;
}

BOOLEAN UnInstallClassDevice(LPCWSTR className, LPCWSTR identifierPart)
{
    BOOLEAN result = FALSE;
    PSP_DEVINFO_DATA device = AllocateRecord<SP_DEVINFO_DATA>();
    if (device == NULL)
        Trace("UnInstallClassDevice cannot allocate %u bytes (PSP_DEVINFO_DATA)\n", (UINT)sizeof(SP_DEVINFO_DATA));
    else
    {
        // Allocated as the device installer's callers do, though removal never fills it.
        PSP_DRVINFO_DATA_V1_W driver = AllocateRecord<SP_DRVINFO_DATA_V1_W>();
        if (driver == NULL)
            Trace("UnInstallClassDevice cannot allocate %u bytes (PSP_DRVINFO_DATA)\n", (UINT)sizeof(SP_DRVINFO_DATA_V1_W));
        else
        {
            result = RemoveFromClass(NotNull(className), identifierPart, device);
            ::GlobalFree(driver);
        }
        ::GlobalFree(device);
    }
    Trace("UnInstallClassDevice exit with %u\n", result);
    return result;
}
