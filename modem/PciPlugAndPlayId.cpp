// The board's Plug and Play identifier, built from the PCI values that the board's
// driver keeps below SYSTEM\CurrentControlSet\Services\<service>\Parameters\<service>0.
#include "modem/PciPlugAndPlayId.h"

#include <cstdio>

#include "app/Trace.h"
#include "framework/ScopedHandles.h"

namespace
{
// The five values in the order they are read, and what each adds to the identifier.
struct PciValue
{
    const char* name;
    DWORD mask;
    const char* prefix;
    int digits;
};

const PciValue c_pciValues[] = {
    { "PciVendorID", 0xFFFF, "VEN_", 4 },
    { "PciDeviceID", 0xFFFF, "&DEV_", 4 },
    { "PciSubsystemID", 0xFFFF, "&SUBSYS_", 4 },
    { "PciSubsystemVendorID", 0xFFFF, "", 4 },
    { "PciRevision", 0xFF, "&REV_", 2 },
};

// One 32-bit value, read into 4 bytes whatever type the registry reports. A value
// longer than 4 bytes fails in the registry itself (ERROR_MORE_DATA). One shorter than
// 4 bytes holds no whole number: it fails like a missing value, with ERROR_INVALID_DATA,
// rather than contributing a number made of whatever bytes it has.
LONG ReadPciValue(HKEY key, LPCSTR name, DWORD& value)
{
    DWORD data = 0;
    DWORD type = 0;
    DWORD size = sizeof(data);
    LONG error = ::RegQueryValueExA(key, name, NULL, &type, (BYTE*)&data, &size);
    if (error == ERROR_SUCCESS && size < sizeof(data))
        error = ERROR_INVALID_DATA;
    if (error == ERROR_SUCCESS)
        value = data;
    return error;
}
}   // namespace

BOOLEAN GetThePciPlugAndPlayIdString(LPCSTR serviceName, CString& identifier)
{
    if (serviceName == NULL)
        serviceName = "";
    BOOLEAN result = FALSE;

    CString keyPath = "SYSTEM\\CurrentControlSet\\Services\\";
    keyPath += serviceName;
    keyPath += "\\Parameters\\";
    keyPath += serviceName;
    keyPath += "0";

    CRegKeyHandle key;
    LONG error = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key);
    if (error != ERROR_SUCCESS)
        Trace("GetThePciPlugAndPlayIdString RegOpenKeyEx returned error %x\n", (unsigned)error);
    else
    {
        bool complete = true;
        for (const PciValue& pci : c_pciValues)
        {
            DWORD value = 0;
            error = ReadPciValue(key, pci.name, value);
            if (error != ERROR_SUCCESS)
            {
                Trace("GetThePciPlugAndPlayIdString RegQueryValueEx returned error %x for %s\n", (unsigned)error, pci.name);
                complete = false;
                break;
            }
            char digits[16];
            snprintf(digits, sizeof(digits), "%0*X", pci.digits, (unsigned)(value & pci.mask));
            if (&pci == &c_pciValues[0])
                identifier = pci.prefix;   // the first value starts the identifier afresh
            else
                identifier += pci.prefix;
            identifier += digits;
        }
        if (complete)
        {
            Trace("GetThePciPlugAndPlayIdString Returning %s\n", (LPCSTR)identifier);
            result = TRUE;
        }
        key.Close();
    }
    Trace("GetThePciPlugAndPlayIdString BOOLEAN bRet = %u\n", (unsigned)result);
    return result;
}
