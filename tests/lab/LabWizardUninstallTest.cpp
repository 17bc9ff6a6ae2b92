// The uninstall wizard of the shipped SETUP.EXE on a lab machine, driven as a user
// drives it: Next on the first page, Finish on the second. At the end the modem, its
// keys and the driver are gone, and so are SETUP.EXE and its helper once the process
// has ended.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "tests/support/LabMachine.h"
#include "tests/support/MachineState.h"

namespace
{
// A folder whose name holds a blank, as a download folder's often does.
const char c_package[] = "C:\\Setup dir\\";
const char c_identifier[] = "VEN_00AB&DEV_003C&SUBSYS_004D005E&REV_01";
const char c_responses[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Unimodem\\DeviceSpecific\\Quovix PCI Data Fax Modem::Quovix Labs::Modem";

bool Exists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool KeyExists(const std::string& path)
{
    HKEY key = NULL;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(key);
    return true;
}

// The wizard sheet of the process: the top-level dialog that holds a page.
HWND FindSheet(DWORD processId, DWORD timeoutMs)
{
    for (DWORD waited = 0; waited < timeoutMs; waited += 50)
    {
        for (HWND window = ::FindWindowExA(NULL, NULL, "#32770", NULL); window != NULL;
             window = ::FindWindowExA(NULL, window, "#32770", NULL))
        {
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            if (owner == processId && ::IsWindowVisible(window)
                && (HWND)::SendMessageA(window, PSM_GETCURRENTPAGEHWND, 0, 0) != NULL)
                return window;
        }
        ::Sleep(50);
    }
    return NULL;
}

std::string CurrentTopText(HWND sheet)
{
    HWND page = (HWND)::SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0);
    char text[256] = "";
    ::GetDlgItemTextA(page, 1000, text, sizeof(text));
    return text;
}

bool WaitForTopText(HWND sheet, const std::string& text)
{
    for (int i = 0; i < 200; i++)
    {
        if (CurrentTopText(sheet) == text)
            return true;
        ::Sleep(50);
    }
    return false;
}

TEST(LabWizardUninstall, RemovesEverythingAndTheProgramItself)
{
    ASSERT_TRUE(LayOutSamplePackage(c_package));
    const std::string setup = std::string(c_package) + "SETUP.EXE";
    ASSERT_EQ(0u, RunProgram("C:\\bench\\LABRUN.EXE \"" + setup + "\" -s -l -h=DE"));
    ASSERT_EQ((DWORD)SERVICE_RUNNING, ReadServiceState("Qvx"));
    ASSERT_TRUE(KeyExists(c_responses));

    HANDLE process = StartProgram("C:\\bench\\LABRUN.EXE \"" + setup + "\" -u -l");
    ASSERT_NE(nullptr, process);
    // LABRUN's child is SETUP.EXE: any dialog of another process of the lab is its.
    HWND sheet = NULL;
    for (int i = 0; i < 200 && sheet == NULL; i++)
    {
        for (HWND window = ::FindWindowExA(NULL, NULL, "#32770", NULL); window != NULL && sheet == NULL;
             window = ::FindWindowExA(NULL, window, "#32770", NULL))
        {
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            if (owner != ::GetCurrentProcessId())
                sheet = FindSheet(owner, 100);
        }
        if (sheet == NULL)
            ::Sleep(50);
    }
    ASSERT_NE(nullptr, sheet);
    EXPECT_TRUE(WaitForTopText(sheet, "The wizard will un-install the modem driver shown below."));
    ::PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
    EXPECT_TRUE(WaitForTopText(sheet, "The modem driver was un-installed successfully:"));
    ::PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_FINISH, 0);

    DWORD exitCode = 0xDEAD;
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(process, 60000));
    ::GetExitCodeProcess(process, &exitCode);
    ::CloseHandle(process);
    EXPECT_EQ(0u, exitCode);

    // The helper deletes the program once its process has ended, and goes itself.
    for (int i = 0; i < 200 && (Exists(setup) || Exists("C:\\windows\\ISDEL.EXE")); i++)
        ::Sleep(50);
    EXPECT_FALSE(Exists(setup));
    EXPECT_FALSE(Exists("C:\\windows\\ISDEL.EXE"));
    std::vector<std::string> log = ReadLogFileLines(std::string(c_package) + "SETUP.TXT");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ("ISDEL deleted " + setup, log.back());

    EXPECT_EQ(0u, ReadServiceState("Qvx"));
    EXPECT_FALSE(KeyExists("SYSTEM\\CurrentControlSet\\Services\\Qvx"));
    EXPECT_FALSE(KeyExists("SYSTEM\\CurrentControlSet\\Enum\\Root\\LEGACY_QVX"));
    EXPECT_FALSE(KeyExists("SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\Qvx"));
    EXPECT_FALSE(KeyExists(std::string("SYSTEM\\CurrentControlSet\\Enum\\Root\\") + c_identifier + "\\0000"));
    EXPECT_FALSE(KeyExists("SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96D-E325-11CE-BFC1-08002BE10318}\\0000"));
    EXPECT_FALSE(KeyExists(c_responses));
}
}
