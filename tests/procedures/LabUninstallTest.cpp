// The shipped SETUP.EXE on a lab machine: the sample package installed silently, then
// removed by a silent uninstall, both started through the lab's launcher as an
// administrator would start them, and what is left of the installation read back.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/modem/ModemTestSupport.h"
#include "tests/support/LabMachine.h"
#include "tests/support/MachineState.h"

namespace
{
const char c_package[] = "C:\\Setup\\";
const char c_identifier[] = "VEN_00AB&DEV_003C&SUBSYS_004D005E&REV_01";
const std::string c_enumRoot = "SYSTEM\\CurrentControlSet\\Enum\\Root\\";

bool FileExists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

Lines AttachedComponents()
{
    return ReadAttachedComponents();
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
    ASSERT_TRUE(LayOutSamplePackage(c_package));

    ASSERT_EQ(0u, RunProgram("C:\\bench\\LABRUN.EXE C:\\Setup\\SETUP.EXE -s -l -h=US"));
    ASSERT_EQ((DWORD)SERVICE_RUNNING, ReadServiceState("Qvx"));
    ASSERT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, c_enumRoot + "LEGACY_QVX\\0000"));
    ASSERT_EQ(Lines({ "Root\\LEGACY_BEEP\\0000", "Root\\LEGACY_QVX\\0000" }), AttachedComponents());
    ASSERT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\Qvx"));
    ASSERT_TRUE(FileExists("C:\\windows\\system32\\pmzcpl.cpl"));
    std::string device = c_enumRoot + c_identifier + "\\0000";
    std::string classKey = "SYSTEM\\CurrentControlSet\\Control\\Class\\" + ReadMachineString(device, "Driver");
    std::string responses = ReadMachineString(classKey, "ResponsesKeyName");
    std::string responsesKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Unimodem\\DeviceSpecific\\" + responses;
    ::DeleteFileA("C:\\Setup\\SETUP.TXT");

    EXPECT_EQ(0u, RunProgram("C:\\bench\\LABRUN.EXE C:\\Setup\\SETUP.EXE -u -s -l"));

    EXPECT_EQ(DriverRemovalLines(), ReadLogFileLines("C:\\Setup\\SETUP.TXT"));
    EXPECT_EQ(0u, ReadServiceState("Qvx"));
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\Qvx"));
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, c_enumRoot + "LEGACY_QVX"));
    EXPECT_EQ(Lines({ "Root\\LEGACY_BEEP\\0000" }), AttachedComponents());
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\Qvx"));
    // The setup INF's uninstall takes the driver's files and the country applet.
    EXPECT_FALSE(FileExists("C:\\windows\\system32\\QVXBOARD.EXE"));
    EXPECT_FALSE(FileExists("C:\\windows\\system32\\pmzcpl.cpl"));
    // The finish step's part stays: the modem device, its class key and responses, and
    // the program itself.
    EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, device));
    EXPECT_EQ("COM3", ReadMachineString(classKey, "AttachedTo"));
    EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, responsesKey)) << responsesKey;
    EXPECT_TRUE(FileExists("C:\\Setup\\SETUP.EXE"));
}
}
