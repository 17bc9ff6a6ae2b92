// The board's Plug and Play identifier, from the PCI values that its driver keeps.
#pragma once

#include "framework/CString.h"

// VEN_vvvv&DEV_dddd&SUBSYS_ssssvvvv&REV_rr from the five values below the driver's
// parameters key. FALSE when a value cannot be read; identifier then holds the pieces
// built so far.
BOOLEAN GetThePciPlugAndPlayIdString(LPCSTR serviceName, CString& identifier);
