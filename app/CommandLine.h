// The options of the command line. Each is found by a plain, case-sensitive search of
// the whole text, once in lower and once in upper case; nothing about the command
// line is ever reported.
#pragma once

#include <windows.h>

// TRUE when "-<chLower>" or "-<CHUPPER>" occurs anywhere in lpszCmdLine.
bool IsOptionPresent(LPCSTR lpszCmdLine, char chOption);

// The country code that follows -H (or, when there is no -H, -h) as "=" and two
// letters that end the command line: COUNTRY_CODE_NONE when no "=" follows the
// option, COUNTRY_CODE_INVALID when the value is malformed or not a known country.
WORD ReadCountryCode(LPCSTR lpszCmdLine);
