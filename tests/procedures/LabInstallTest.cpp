// The shipped SETUP.EXE on a lab machine: the sample driver package in a folder of its
// own, SETUP.EXE started through the lab's launcher, as an administrator's silent
// install would start it, and the machine's state read back afterwards.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/MachineState.h"
#include "tests/support/TextFile.h"

namespace
{
const char c_package[] = "C:\\Setup\\";
const char c_identifier[] = "VEN_00AB&DEV_003C&SUBSYS_004D005E&REV_01";

std::string SourcePackagePath(const char* name)
{
    std::string path = std::string("Z:") + LAB_PACKAGE_DIR + "/" + name;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

DWORD RunProgram(const std::string& cmdLine)
{
    std::string line = cmdLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessA(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, "C:\\", &startup, &process))
        return ::GetLastError() | 0x80000000;
    ::CloseHandle(process.hThread);
    DWORD exitCode = 0xDEAD;
    if (::WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(process.hProcess, &exitCode);
    ::CloseHandle(process.hProcess);
    return exitCode;
}

std::vector<std::string> LogLines(const std::string& path)
{
    std::vector<std::string> lines;
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
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

TEST(LabMachine, ASilentInstallOfTheSamplePackage)
{
    ::CreateDirectoryA("C:\\Setup", NULL);
    for (const char* name : { "DRV_QVX.INF", "QVXMODEM.INF" })
        ASSERT_TRUE(::CopyFileA(SourcePackagePath(name).c_str(), (std::string(c_package) + name).c_str(), FALSE))
            << SourcePackagePath(name) << ": " << ::GetLastError();
    ASSERT_TRUE(::CopyFileA("C:\\bench\\SETUP.EXE", "C:\\Setup\\SETUP.EXE", FALSE));
    ASSERT_TRUE(::CopyFileA("C:\\bench\\LABSVC.EXE", "C:\\Setup\\QVXBOARD.EXE", FALSE));

    EXPECT_EQ(0u, RunProgram("C:\\bench\\LABRUN.EXE C:\\Setup\\SETUP.EXE -s -l -h=US"));

    EXPECT_EQ((DWORD)SERVICE_RUNNING, ReadServiceState("Qvx"));
    std::string device = std::string("SYSTEM\\CurrentControlSet\\Enum\\Root\\") + c_identifier + "\\0000";
    EXPECT_EQ("Quovix PCI Data Fax Modem", ReadMachineString(device, "DeviceDesc"));
    std::string driver = ReadMachineString(device, "Driver");
    ASSERT_EQ("{4D36E96D-E325-11CE-BFC1-08002BE10318}\\0000", driver);
    std::string classKey = "SYSTEM\\CurrentControlSet\\Control\\Class\\" + driver;
    EXPECT_EQ("COM3", ReadMachineString(classKey, "AttachedTo"));
    EXPECT_EQ(std::vector<BYTE>({ 0xB5, 0x00 }), ReadMachineBytes(classKey + "\\Country", "Current"));
    EXPECT_EQ("COM3", ReadMachineString("HARDWARE\\DEVICEMAP\\SERIALCOMM", "\\Device\\Qvx0"));

    std::vector<std::string> log = LogLines("C:\\Setup\\SETUP.TXT");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ("GetDriverServiceName calling SetupOpenInfFile for C:\\Setup\\DRV_QVX.INF", log.front());
    EXPECT_EQ("CInstDriverPage::InstallDrivers returning UINT 0", log.back());
}
}
