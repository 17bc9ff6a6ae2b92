// The installed modem and its country, found and written through the setup program's
// own modem routines.
#include "helpers/pmzcpl/ModemCountry.h"

#include "framework/CString.h"
#include "framework/ScopedHandles.h"
#include "modem/PciPlugAndPlayId.h"
#include "wizard/CInstDriverPage.h"

const char c_boardServiceName[] = "Qvx";

HKEY OpenTheModemClassKey()
{
    CString identifier;
    if (!GetThePciPlugAndPlayIdString(c_boardServiceName, identifier))
        return NULL;
    return CInstDriverPage::FindOurControlClass(identifier);
}

bool ReadRecordedCountry(HKEY classKey, WORD& countryCode)
{
    CRegKeyHandle country;
    if (::RegOpenKeyExA(classKey, "Country", 0, KEY_QUERY_VALUE, &country) != ERROR_SUCCESS)
        return false;
    BYTE current[256];
    DWORD type = 0;
    DWORD size = sizeof(current);
    LONG error = ::RegQueryValueExA(country, "Current", NULL, &type, current, &size);
    country.Close();
    if (error != ERROR_SUCCESS || size < 2 || current[1] != 0)
        return false;
    countryCode = current[0];
    return true;
}

LONG RecordCountry(HKEY classKey, WORD countryCode)
{
    CRegKeyHandle country;
    LONG error = ::RegCreateKeyExA(classKey, "Country", 0, NULL, 0, KEY_SET_VALUE, NULL, &country, NULL);
    if (error != ERROR_SUCCESS)
        return error;
    const BYTE code[2] = { (BYTE)(countryCode & 0xFF), (BYTE)(countryCode >> 8) };
    error = ::RegSetValueExA(country, "Current", 0, REG_BINARY, code, sizeof(code));
    country.Close();
    return error;
}
