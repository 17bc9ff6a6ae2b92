#include "app/Trace.h"

#include <cstdarg>
#include <cstdio>

#include "app/CLogFile.h"

void Trace(const char* lpszFormat, ...)
{
    char szLine[256];
    va_list args;
    va_start(args, lpszFormat);
    int nLength = vsnprintf(szLine, sizeof(szLine), lpszFormat, args);
    va_end(args);
    if (nLength < 0)
        return;
    if ((size_t)nLength >= sizeof(szLine))
    {
        szLine[sizeof(szLine) - 2] = '\n';
        szLine[sizeof(szLine) - 1] = '\0';
    }
    theLogFile.WriteLine(szLine);
}
