// The two-letter country codes that the -h option accepts, and their country numbers.
#pragma once

#include <windows.h>

const WORD COUNTRY_CODE_NONE = 256;        // -h without a value
const WORD COUNTRY_CODE_INVALID = 0xFFFF;  // a value that is not a known country

// The country number of an upper-case pair, the first letter in the high byte and the
// second in the low byte; COUNTRY_CODE_INVALID when the pair is not in the table.
WORD LookUpCountryCode(WORD wLetterPair);

struct COUNTRY_ENTRY
{
    char szLetters[3];
    WORD wCountryCode;
};

// The whole table, in alphabetical order of the letters.
const COUNTRY_ENTRY* GetCountryTable(int* pnEntries);
