#include "tests/support/TraceLog.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>

#include "app/CLogFile.h"

std::string TraceLogPath()
{
    char path[MAX_PATH];
    DWORD length = ::GetModuleFileNameA(NULL, path, sizeof(path));
    std::string result(path, length);
    return result.substr(0, result.find_last_of('\\') + 1) + "SETUP.TXT";
}

void StartTraceLog()
{
    theLogFile.Enable();
    theLogFile.SetFileName("SETUP.TXT");
    ::SetFileAttributesA(TraceLogPath().c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(TraceLogPath().c_str());
}

std::string ReadTraceLogBytes()
{
    std::ifstream file(TraceLogPath(), std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

std::vector<std::string> ReadTraceLogLines()
{
    std::string bytes = ReadTraceLogBytes();
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size())
    {
        size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos)
        {
            ADD_FAILURE() << "log ends without \\r\\n: " << bytes.substr(start);
            lines.push_back(bytes.substr(start));
            break;
        }
        lines.push_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}
