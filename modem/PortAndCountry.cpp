// The modem's class key, and the two things recorded in it: the serial port that the
// board's driver announced in the serial-port map (AttachedTo) and the country of use
// (Country\Current).
#include "wizard/CInstDriverPage.h"

#include <cstring>

#include "app/Trace.h"
#include "framework/ScopedHandles.h"

namespace
{
const char c_classRoot[] = "SYSTEM\\CurrentControlSet\\Control\\Class";
const DWORD c_valueSize = 256;

// The value Driver of the device key: the driver key's name below the class root, at
// most 255 characters and its zero. Whatever type the registry reports, the bytes are
// taken as that name. A name that does not end within the 256 bytes does not fit
// (ERROR_MORE_DATA, as the registry reports a longer one); an empty one names no key
// below the class root (ERROR_INVALID_DATA), where opening it would give the class
// root itself.
LONG ReadDriverKeyName(HKEY deviceKey, char (&driver)[c_valueSize])
{
    DWORD type = 0;
    DWORD size = c_valueSize;
    LONG error = ::RegQueryValueExA(deviceKey, "Driver", NULL, &type, (BYTE*)driver, &size);
    if (error != ERROR_SUCCESS)
        return error;
    if (size < c_valueSize)
        driver[size] = '\0';
    else if (memchr(driver, '\0', c_valueSize) == NULL)
        return ERROR_MORE_DATA;
    if (driver[0] == '\0')
        return ERROR_INVALID_DATA;
    return ERROR_SUCCESS;
}

// The driver key below the class root, opened for KEY_ALL_ACCESS; NULL when the class
// root or the driver key cannot be opened. The class root is closed again either way.
HKEY OpenDriverKey(LPCSTR driver)
{
    HKEY driverKey = NULL;
    CRegKeyHandle classRoot;
    LONG error = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, c_classRoot, 0, KEY_READ, &classRoot);
    if (error != ERROR_SUCCESS)
    {
        Trace("FindOurControlClass RegOpenKeyEx returned error %x\n", (unsigned)error);
        Trace("FindOurControlClass for key %s\n", c_classRoot);
        return NULL;
    }
    error = ::RegOpenKeyExA(classRoot, driver, 0, KEY_ALL_ACCESS, &driverKey);
    if (error != ERROR_SUCCESS)
    {
        driverKey = NULL;
        Trace("FindOurControlClass RegOpenKeyEx returned error %x\n", (unsigned)error);
        Trace("FindOurControlClass for key %s\n", driver);
    }
    classRoot.Close();
    return driverKey;
}
}   // namespace

HKEY CInstDriverPage::FindOurControlClass(LPCSTR identifier)
{
    if (identifier == NULL)
        identifier = "";
    HKEY result = NULL;

    CString devicePath = "SYSTEM\\CurrentControlSet\\Enum\\Root\\";
    devicePath += identifier;
    devicePath += "\\0000";

    CRegKeyHandle deviceKey;
    LONG error = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, devicePath, 0, KEY_READ, &deviceKey);
    if (error != ERROR_SUCCESS)
    {
        Trace("FindOurControlClass RegOpenKeyEx returned error %x\n", (unsigned)error);
        Trace("FindOurControlClass for key %s\n", (LPCSTR)devicePath);
    }
    else
    {
        char driver[c_valueSize];
        error = ReadDriverKeyName(deviceKey, driver);
        if (error != ERROR_SUCCESS)
        {
            Trace("FindOurControlClass RegQueryValueEx returned error %x\n", (unsigned)error);
            Trace("FindOurControlClass for key %s\n", "Driver");
        }
        else
            result = OpenDriverKey(driver);
        deviceKey.Close();
    }
    Trace("FindOurControlClass returning key %x\n", (unsigned)(ULONG_PTR)result);
    return result;
}

BOOLEAN CInstDriverPage::FetchAttachedTo(LPCSTR serviceName, CString& port)
{
    if (serviceName == NULL)
        serviceName = "";
    BOOLEAN result = FALSE;

    CRegKeyHandle serialComm;
    LONG error = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &serialComm);
    if (error != ERROR_SUCCESS)
        Trace("FetchAttachedTo RegOpenKeyEx returned error %x\n", (unsigned)error);
    else
    {
        // The first value that cannot be read, a name or data of more than 256 bytes
        // included, ends the search as the end of the list does.
        for (DWORD index = 0; !result; index++)
        {
            char name[c_valueSize];
            char data[c_valueSize + 1];   // room for a zero behind data that has none
            DWORD nameSize = c_valueSize;
            DWORD dataSize = c_valueSize;
            DWORD type = 0;
            if (::RegEnumValueA(serialComm, index, name, &nameSize, NULL, &type, (BYTE*)data, &dataSize) != ERROR_SUCCESS)
                break;
            data[dataSize < c_valueSize ? dataSize : c_valueSize] = '\0';
            if (strstr(name, serviceName) != NULL)
            {
                port = data;
                Trace("FetchAttachedTo RegOpenKeyEx found %s\n", (LPCSTR)port);
                result = TRUE;
            }
        }
        serialComm.Close();
    }
    Trace("FetchAttachedTo BOOLEAN bRet = %u\n", (unsigned)result);
    return result;
}

BOOLEAN CInstDriverPage::AddAttachedToStringToRegistry(HKEY key, LPCSTR port)
{
    if (port == NULL)
        port = "";
    BOOLEAN result = FALSE;
    LONG error = ::RegSetValueExA(key, "AttachedTo", 0, REG_SZ, (const BYTE*)port, (DWORD)strlen(port) + 1);
    if (error != ERROR_SUCCESS)
        Trace("AddAttachedToStringToRegistry RegSetValueEx returned error %x\n", (unsigned)error);
    else
    {
        Trace("AddAttachedToStringToRegistry added AttachedTo = %s\n", port);
        result = TRUE;
    }
    Trace("AddAttachedToStringToRegistry BOOLEAN bRet = %u\n", (unsigned)result);
    return result;
}

BOOLEAN CInstDriverPage::AddCurrentCountryStringToRegistry(HKEY key, bool countryFlag, WORD countryCode)
{
    BOOLEAN result = FALSE;

    CRegKeyHandle country;
    LONG error = ::RegOpenKeyExA(key, "Country", 0, KEY_ALL_ACCESS, &country);
    if (error != ERROR_SUCCESS)
        Trace("AddCurrentCountryStringToRegistry RegOpenKeyEx returned error %x\n", (unsigned)error);
    else
    {
        if (countryFlag)
        {
            const BYTE code[2] = { (BYTE)(countryCode & 0xFF), (BYTE)(countryCode >> 8) };
            error = ::RegSetValueExA(country, "Current", 0, REG_BINARY, code, sizeof(code));
            if (error != ERROR_SUCCESS)
                Trace("AddCurrentCountryStringToRegistry RegSetValueEx returned error %x\n", (unsigned)error);
            else
                Trace("AddCurrentCountryStringToRegistry  added country %x\n", (unsigned)countryCode);
        }

        // A value of fewer than 2 bytes has no second byte to test: it is read as
        // invalid data, and the country counts as not recorded.
        BYTE current[c_valueSize];
        DWORD type = 0;
        DWORD size = sizeof(current);
        error = ::RegQueryValueExA(country, "Current", NULL, &type, current, &size);
        if (error == ERROR_SUCCESS && size < 2)
            error = ERROR_INVALID_DATA;
        if (error != ERROR_SUCCESS)
            Trace("AddCurrentCountryStringToRegistry RegQueryValueEx returned error %x\n", (unsigned)error);
        else
        {
            result = current[1] == 0;
            Trace("AddCurrentCountryStringToRegistry current country = %u\n", (unsigned)current[0]);
        }
        country.Close();
    }
    Trace("AddCurrentCountryStringToRegistry BOOLEAN bRet = %u\n", (unsigned)result);
    return result;
}
