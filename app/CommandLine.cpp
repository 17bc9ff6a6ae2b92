#include "app/CommandLine.h"

#include <cstring>

#include "app/CountryTable.h"

namespace
{
LPCSTR FindOption(LPCSTR lpszCmdLine, char chOption)
{
    const char szOption[3] = { '-', chOption, '\0' };
    return strstr(lpszCmdLine, szOption);
}
}

bool IsOptionPresent(LPCSTR lpszCmdLine, char chOption)
{
    if (lpszCmdLine == NULL)
        return false;
    return FindOption(lpszCmdLine, (char)(chOption | 0x20)) != NULL
        || FindOption(lpszCmdLine, (char)(chOption & ~0x20)) != NULL;
}

WORD ReadCountryCode(LPCSTR lpszCmdLine)
{
    if (lpszCmdLine == NULL)
        return COUNTRY_CODE_NONE;
    LPCSTR lpszOption = FindOption(lpszCmdLine, 'H');
    if (lpszOption == NULL)
        lpszOption = FindOption(lpszCmdLine, 'h');
    if (lpszOption == NULL)
        return COUNTRY_CODE_NONE;

    LPCSTR lpszEquals = strchr(lpszOption, '=');
    if (lpszEquals == NULL)
        return COUNTRY_CODE_NONE;

    // Exactly two characters, and the end of the command line.
    LPCSTR lpszValue = lpszEquals + 1;
    if (lpszValue[0] == '\0' || lpszValue[1] == '\0' || lpszValue[2] != '\0')
        return COUNTRY_CODE_INVALID;

    char szLetters[3] = { lpszValue[0], lpszValue[1], '\0' };
    _strupr(szLetters);
    return LookUpCountryCode((WORD)(((BYTE)szLetters[0] << 8) | (BYTE)szLetters[1]));
}
