#include "helpers/isdel/IsDelCommandLine.h"

#include <cstring>
#include <string_view>

namespace
{
const size_t c_maxProcessNumberDigits = 8;
const size_t c_maxProgramPathLength = MAX_PATH - 1;
const char c_logOffFlag[] = " -L";

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

unsigned HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return (unsigned)(c - '0');
    if (c >= 'a' && c <= 'f')
        return (unsigned)(c - 'a' + 10);
    return (unsigned)(c - 'A' + 10);
}

// 1 to 8 hexadecimal digits, the whole field, not 0.
bool ReadProcessNumber(std::string_view field, DWORD& processId)
{
    if (field.empty() || field.size() > c_maxProcessNumberDigits)
        return false;
    DWORD value = 0;
    for (char c : field)
    {
        if (!IsHexDigit(c))
            return false;
        value = (value << 4) | HexDigitValue(c);
    }
    if (value == 0)
        return false;
    processId = value;
    return true;
}

bool IsFullFilePath(std::string_view path)
{
    if (path.empty() || path.size() > c_maxProgramPathLength || path.back() == '\\')
        return false;
    bool drive = path.size() > 3 && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'))
                 && path[1] == ':' && path[2] == '\\';
    bool unc = path.size() > 2 && path[0] == '\\' && path[1] == '\\';
    return drive || unc;
}

// "X X" with X a full file path: X.
bool SplitIntoTwoEqualHalves(std::string_view paths, std::string& path)
{
    if (paths.size() < 3 || paths.size() % 2 == 0)
        return false;
    size_t half = paths.size() / 2;
    std::string_view first = paths.substr(0, half);
    if (paths[half] != ' ' || first != paths.substr(half + 1) || !IsFullFilePath(first))
        return false;
    path.assign(first.data(), first.size());
    return true;
}

// What follows the own path and its blank: "<process number> <paths>".
bool ParseArguments(std::string_view arguments, IsDelRequest& request)
{
    size_t blank = arguments.find(' ');
    if (blank == std::string_view::npos)
        return false;
    IsDelRequest parsed;
    if (!ReadProcessNumber(arguments.substr(0, blank), parsed.processId))
        return false;

    std::string_view paths = arguments.substr(blank + 1);
    const std::string_view flag(c_logOffFlag);
    if (paths.size() > flag.size() && paths.substr(paths.size() - flag.size()) == flag
        && SplitIntoTwoEqualHalves(paths.substr(0, paths.size() - flag.size()), parsed.programPath))
        parsed.logOff = true;
    else if (!SplitIntoTwoEqualHalves(paths, parsed.programPath))
        return false;

    request = parsed;
    return true;
}

bool StartsWithOwnPath(std::string_view line, const char* ownModulePath)
{
    size_t length = ownModulePath != NULL ? strlen(ownModulePath) : 0;
    return length > 0 && line.size() > length && line[length] == ' '
           && ::CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, line.data(), (int)length, ownModulePath,
                               (int)length) == CSTR_EQUAL;
}
}

bool ParseIsDelCommandLine(const char* commandLine, const char* ownModulePath, IsDelRequest& request)
{
    if (commandLine == NULL)
        return false;
    std::string_view line(commandLine);

    if (!line.empty() && line[0] == '"')
    {
        size_t closing = line.find('"', 1);
        if (closing == std::string_view::npos || closing + 1 >= line.size() || line[closing + 1] != ' ')
            return false;
        return ParseArguments(line.substr(closing + 2), request);
    }
    if (StartsWithOwnPath(line, ownModulePath))
        return ParseArguments(line.substr(strlen(ownModulePath) + 1), request);

    // Started under another name (relative, short form): the first blank that the rest
    // of the line makes sense after.
    for (size_t blank = line.find(' '); blank != std::string_view::npos; blank = line.find(' ', blank + 1))
    {
        if (ParseArguments(line.substr(blank + 1), request))
            return true;
    }
    return false;
}
