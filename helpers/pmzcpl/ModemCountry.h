// The installed modem as the applet finds it, and the country recorded in its class key.
#pragma once

#include <windows.h>

// The NT service of the board's driver, as the setup INF installs it: the applet builds
// the board's identifier from the PCI values that this driver keeps, as the setup did.
extern const char c_boardServiceName[];

// The modem's class key, opened for KEY_ALL_ACCESS: the device that the setup created
// below Enum\Root under the board's identifier, and the driver key that its Driver value
// names below the Modem class. NULL when no modem of the board is installed. The caller
// closes it.
HKEY OpenTheModemClassKey();

// The country recorded in Country\Current of the class key: true, and the number, when
// the value holds at least two bytes and the second is 0 (a country number below 256).
bool ReadRecordedCountry(HKEY classKey, WORD& countryCode);

// Writes Country\Current (REG_BINARY, two bytes, low byte first), making the Country
// subkey when the modem has none. ERROR_SUCCESS or the registry's error.
LONG RecordCountry(HKEY classKey, WORD countryCode);
