#include "helpers/isdel/IsDelLog.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace
{
const char c_logFileName[] = "SETUP.TXT";
// The setup program opens the file without sharing for each of its own lines: a line of
// ours that meets one of them waits a little for it.
const int c_openAttempts = 20;
const DWORD c_openRetryMs = 25;
}

CIsDelLog::CIsDelLog(const std::string& programPath, bool enabled)
    : enabledIsDelLog(enabled)
{
    size_t separator = programPath.find_last_of('\\');
    if (separator != std::string::npos)
        pathIsDelLog = programPath.substr(0, separator + 1) + c_logFileName;
}

void CIsDelLog::Line(const char* format, ...)
{
    if (!enabledIsDelLog || pathIsDelLog.empty())
        return;

    va_list arguments;
    va_start(arguments, format);
    va_list measuring;
    va_copy(measuring, arguments);
    int length = vsnprintf(NULL, 0, format, measuring);
    va_end(measuring);
    std::vector<char> text(length > 0 ? (size_t)length + 1 : 1, '\0');
    if (length > 0)
        vsnprintf(text.data(), text.size(), format, arguments);
    va_end(arguments);

    std::string bytes;
    for (const char* c = text.data(); *c != '\0'; c++)
    {
        if (*c == '\n')
            bytes += '\r';
        bytes += *c;
    }
    Append(bytes);
}

void CIsDelLog::Append(const std::string& bytes)
{
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < c_openAttempts; attempt++)
    {
        file = ::CreateFileA(pathIsDelLog.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, NULL);
        if (file != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_SHARING_VIOLATION)
            break;
        ::Sleep(c_openRetryMs);
    }
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL);
    ::CloseHandle(file);
}
