// The shipped SETUP.EXE on a lab machine: the sample driver package in a folder of its
// own, SETUP.EXE started through the lab's launcher, as an administrator's silent
// install would start it, and the machine's state read back afterwards.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/LabMachine.h"
#include "tests/support/MachineState.h"

namespace
{
const char c_package[] = "C:\\Setup\\";
const char c_identifier[] = "VEN_00AB&DEV_003C&SUBSYS_004D005E&REV_01";

TEST(LabMachine, ASilentInstallOfTheSamplePackage)
{
    ASSERT_TRUE(LayOutSamplePackage(c_package));

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
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA("C:\\windows\\ISDEL.EXE"));
    // The country applet, where the Control Panel and the applet's command line find it.
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA("C:\\windows\\system32\\pmzcpl.cpl"));

    std::vector<std::string> log = ReadLogFileLines("C:\\Setup\\SETUP.TXT");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ("GetDriverServiceName calling SetupOpenInfFile for C:\\Setup\\DRV_QVX.INF", log.front());
    EXPECT_EQ("CInstDriverPage::InstallDrivers returning UINT 0", log.back());
}
}
