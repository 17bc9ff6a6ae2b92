#include "tests/support/LabMachine.h"

#include <gtest/gtest.h>

namespace
{
// The package's INF files as they lie in the source tree (Z: is the Unix root).
std::string SourcePackagePath(const char* name)
{
    std::string path = std::string("Z:") + LAB_PACKAGE_DIR + "/" + name;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

bool CopyInto(const std::string& from, const std::string& to)
{
    if (::CopyFileA(from.c_str(), to.c_str(), FALSE))
        return true;
    ADD_FAILURE() << "cannot copy " << from << " to " << to << ": " << ::GetLastError();
    return false;
}
}

bool LayOutSamplePackage(const std::string& directory)
{
    ::CreateDirectoryA(directory.c_str(), NULL);
    return CopyInto(SourcePackagePath("DRV_QVX.INF"), directory + "DRV_QVX.INF")
        && CopyInto(SourcePackagePath("QVXMODEM.INF"), directory + "QVXMODEM.INF")
        && CopyInto("C:\\bench\\SETUP.EXE", directory + "SETUP.EXE")
        && CopyInto("C:\\bench\\LABSVC.EXE", directory + "QVXBOARD.EXE")
        && CopyInto("C:\\bench\\ISDEL.EXE", directory + "ISDEL.EXE")
        && CopyInto("C:\\bench\\pmzcpl.cpl", directory + "pmzcpl.cpl");
}

HANDLE StartProgram(const std::string& cmdLine)
{
    std::string line = cmdLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessA(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, "C:\\", &startup, &process))
        return NULL;
    ::CloseHandle(process.hThread);
    return process.hProcess;
}

DWORD RunProgram(const std::string& cmdLine, DWORD timeoutMs)
{
    HANDLE process = StartProgram(cmdLine);
    if (process == NULL)
        return ::GetLastError() | 0x80000000;
    DWORD exitCode = 0xDEAD;
    if (::WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(process, &exitCode);
    else
        ::TerminateProcess(process, exitCode);   // a box or a prompt waiting for an answer, say
    ::CloseHandle(process);
    return exitCode;
}

std::vector<std::string> ReadLogFileLines(const std::string& path)
{
    std::vector<std::string> lines;
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0,
                                NULL);
    if (file == INVALID_HANDLE_VALUE)
        return lines;
    std::string bytes(1 << 20, '\0');
    DWORD read = 0;
    ::ReadFile(file, &bytes[0], (DWORD)bytes.size(), &read, NULL);
    ::CloseHandle(file);
    bytes.resize(read);
    size_t start = 0;
    for (size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(bytes.substr(start, end - start));
    return lines;
}
