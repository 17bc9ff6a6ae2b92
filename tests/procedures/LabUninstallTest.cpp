// The shipped SETUP.EXE on a lab machine: the sample package installed silently, then
// removed by a silent uninstall, both started through the lab's launcher as an
// administrator would start them, and what is left of the installation read back.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/modem/ModemTestSupport.h"
#include "tests/support/MachineState.h"
#include "tests/support/TextFile.h"

namespace
{
const char c_package[] = "C:\\Setup\\";
const char c_identifier[] = "VEN_00AB&DEV_003C&SUBSYS_004D005E&REV_01";
const std::string c_enumRoot = "SYSTEM\\CurrentControlSet\\Enum\\Root\\";

std::string SourcePackagePath(const char* name)
{
    std::string path = std::string("Z:") + LAB_PACKAGE_DIR + "/" + name;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

// The program's exit code; 0xDEAD when it has not ended within a minute (a message box
// or a restart prompt waiting for an answer, say).
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
    else
        ::TerminateProcess(process.hProcess, exitCode);
    ::CloseHandle(process.hProcess);
    return exitCode;
}

Lines LogLines(const std::string& path)
{
    Lines lines;
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

bool FileExists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The strings of the device tree's AttachedComponents.
Lines AttachedComponents()
{
    RegistryValue value =
        ReadRegistryValue(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Enum\\HTREE\\Root\\0", "AttachedComponents");
    Lines strings;
    for (size_t start = 0, end; start < value.bytes.size() && value.bytes[start] != '\0'; start = end + 1)
    {
        end = value.bytes.find('\0', start);
        if (end == std::string::npos)
            end = value.bytes.size();
        strings.push_back(value.bytes.substr(start, end - start));
    }
    return strings;
}

// The lines of the clean-up of a service named Qvx that finds all three traces.
Lines DriverRemovalLines()
{
    return {
        "GetDriverServiceName calling SetupOpenInfFile for C:\\Setup\\DRV_QVX.INF",
        "GetDriverServiceName looking for QvxInstall.Services",
        "GetDriverServiceName got Qvx",
        "GetDriverServiceName exit with uRet 0",
        std::string("GetThePciPlugAndPlayIdString Returning ") + c_identifier,
        "GetThePciPlugAndPlayIdString BOOLEAN bRet = 1",
        std::string("SetPnPEnumID exit with ") + c_identifier,
        "GetDriverServiceName got Qvx",
        "GetDriverServiceName exit with uRet 0",
        "open_service exit with uRet 0",
        "GetInfo state 2 (DRV_S_STARTED)",
        "GetInfo exit with uRet 0",
        "GetDriverServiceName got Qvx",
        "GetDriverServiceName exit with uRet 0",
        "open_service exit with uRet 0",
        "Stop exit with uRet 0",
        "GetDriverServiceName got Qvx",
        "GetDriverServiceName exit with uRet 0",
        "open_service exit with uRet 0",
        "GetInfo state 1 (DRV_S_INSTALLED)",
        "GetInfo exit with uRet 0",
        "Uninstall exit with uRet 0",
        "RemoveEnumRootDriverKey Asking Permission to open SYSTEM\\CurrentControlSet\\Enum\\Root\\",
        "AllowAccessToKey opening SYSTEM\\CurrentControlSet\\Enum\\Root\\ for WRITE_DAC access",
        "RemoveEnumRootDriverKey Opening SYSTEM\\CurrentControlSet\\Enum\\Root\\",
        "RemoveEnumRootDriverKey removing LEGACY_QVX and all subkeys",
        "KillThisKeyAndAllItsSubkeys requesting access to LEGACY_QVX",
        "AllowAccessToKey opening LEGACY_QVX for WRITE_DAC access",
        "KillThisKeyAndAllItsSubkeys opening LEGACY_QVX",
        "KillThisKeyAndAllItsSubkeys RegEnumKeyEx found 0000",
        "KillThisKeyAndAllItsSubkeys requesting access to 0000",
        "AllowAccessToKey opening 0000 for WRITE_DAC access",
        "KillThisKeyAndAllItsSubkeys opening 0000",
        "KillThisKeyAndAllItsSubkeys deleting 0000",
        "KillThisKeyAndAllItsSubkeys returned BOOLEAN 1",
        "KillThisKeyAndAllItsSubkeys deleting LEGACY_QVX",
        "KillThisKeyAndAllItsSubkeys returned BOOLEAN 1",
        "RemoveEnumRootDriverKey bRet 1",
        "RemoveEnumHtreeDriverString Asking Permission to open SYSTEM\\CurrentControlSet\\Enum\\HTREE\\Root\\0",
        "AllowAccessToKey opening SYSTEM\\CurrentControlSet\\Enum\\HTREE\\Root\\0 for WRITE_DAC access",
        "RemoveEnumHtreeDriverString Opening SYSTEM\\CurrentControlSet\\Enum\\HTREE\\Root\\0",
        "RemoveEnumHtreeDriverString Sizing AttachedComponents",
        "RemoveEnumHtreeDriverString Size is 44 bytes",
        "RemoveEnumHtreeDriverString Reading AttachedComponents",
        "RemoveEnumHtreeDriverString Writing AttachedComponents",
        "RemoveEnumHtreeDriverString returning BOOLEAN 1",
        "RemoveEventLogDriverKey Asking Permission to open SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\",
        "AllowAccessToKey opening SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\ for WRITE_DAC access",
        "RemoveEventLogDriverKey Opening SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\",
        "RemoveEventLogDriverKey removing Qvx and all subkeys",
        "KillThisKeyAndAllItsSubkeys requesting access to Qvx",
        "AllowAccessToKey opening Qvx for WRITE_DAC access",
        "KillThisKeyAndAllItsSubkeys opening Qvx",
        "KillThisKeyAndAllItsSubkeys deleting Qvx",
        "KillThisKeyAndAllItsSubkeys returned BOOLEAN 1",
        "RemoveEventLogDriverKey bRet 1",
        "CUninstIntroPage::UninstallDrivers returning UINT 0",
    };
}

TEST(LabMachine, ASilentUninstallRemovesTheDriverAndLeavesTheModem)
{
    ::CreateDirectoryA("C:\\Setup", NULL);
    for (const char* name : { "DRV_QVX.INF", "QVXMODEM.INF" })
        ASSERT_TRUE(::CopyFileA(SourcePackagePath(name).c_str(), (std::string(c_package) + name).c_str(), FALSE))
            << SourcePackagePath(name) << ": " << ::GetLastError();
    ASSERT_TRUE(::CopyFileA("C:\\bench\\SETUP.EXE", "C:\\Setup\\SETUP.EXE", FALSE));
    ASSERT_TRUE(::CopyFileA("C:\\bench\\LABSVC.EXE", "C:\\Setup\\QVXBOARD.EXE", FALSE));

    ASSERT_EQ(0u, RunProgram("C:\\bench\\LABRUN.EXE C:\\Setup\\SETUP.EXE -s -l -h=US"));
    ASSERT_EQ((DWORD)SERVICE_RUNNING, ReadServiceState("Qvx"));
    ASSERT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, c_enumRoot + "LEGACY_QVX\\0000"));
    ASSERT_EQ(Lines({ "Root\\LEGACY_BEEP\\0000", "Root\\LEGACY_QVX\\0000" }), AttachedComponents());
    ASSERT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\Qvx"));
    std::string device = c_enumRoot + c_identifier + "\\0000";
    std::string classKey = "SYSTEM\\CurrentControlSet\\Control\\Class\\" + ReadMachineString(device, "Driver");
    std::string responses = ReadMachineString(classKey, "ResponsesKeyName");
    std::string responsesKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Unimodem\\DeviceSpecific\\" + responses;
    ::DeleteFileA("C:\\Setup\\SETUP.TXT");

    EXPECT_EQ(0u, RunProgram("C:\\bench\\LABRUN.EXE C:\\Setup\\SETUP.EXE -u -s -l"));

    EXPECT_EQ(DriverRemovalLines(), LogLines("C:\\Setup\\SETUP.TXT"));
    EXPECT_EQ(0u, ReadServiceState("Qvx"));
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\Qvx"));
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, c_enumRoot + "LEGACY_QVX"));
    EXPECT_EQ(Lines({ "Root\\LEGACY_BEEP\\0000" }), AttachedComponents());
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\Qvx"));
    // The finish step's part stays: the modem device, its class key and responses, and
    // the program itself.
    EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, device));
    EXPECT_EQ("COM3", ReadMachineString(classKey, "AttachedTo"));
    EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, responsesKey)) << responsesKey;
    EXPECT_TRUE(FileExists("C:\\Setup\\SETUP.EXE"));
}
}
