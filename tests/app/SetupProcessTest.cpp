// SETUP.EXE as a process: started the way an administrator or a distribution tool
// starts it, with its exit code and its windows seen from outside.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <windows.h>

namespace
{
const char c_probeKey[] = "SYSTEM\\CurrentControlSet\\Enum\\HTREE\\Root\\0";
const char c_runDirectory[] = "C:\\setup run\\";

class SetupProcess : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ::CreateDirectoryA(c_runDirectory, NULL);
        program = std::string(c_runDirectory) + "SETUP.EXE";
        ASSERT_TRUE(::CopyFileA("C:\\bench\\SETUP.EXE", program.c_str(), FALSE)) << ::GetLastError();
        ::DeleteFileA(LogPath().c_str());
    }
    void TearDown() override
    {
        ::DeleteFileA(LogPath().c_str());
        ::DeleteFileA(program.c_str());
        ::RemoveDirectoryA(c_runDirectory);
    }

    std::string LogPath() const { return std::string(c_runDirectory) + "SETUP.TXT"; }

    // Starts the program with the options and returns its process; the caller closes it.
    HANDLE Start(const std::string& options)
    {
        std::string cmdLine = "\"" + program + "\" " + options;
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process = {};
        // Started from elsewhere, as a distribution tool would.
        if (!::CreateProcessA(program.c_str(), &cmdLine[0], NULL, NULL, FALSE, 0, NULL, "C:\\windows", &startup, &process))
        {
            ADD_FAILURE() << "CreateProcess: " << ::GetLastError();
            return NULL;
        }
        ::CloseHandle(process.hThread);
        return process.hProcess;
    }

    DWORD WaitForExit(HANDLE process)
    {
        EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(process, 20000));
        DWORD exitCode = 0xDEAD;
        ::GetExitCodeProcess(process, &exitCode);
        ::CloseHandle(process);
        return exitCode;
    }

    std::string program;
};

struct ShownBox
{
    HWND owner;
    std::string caption;
    std::string text;
    std::vector<std::string> buttons;
};

BOOL CALLBACK CollectButton(HWND child, LPARAM param)
{
    char className[64] = "";
    ::GetClassNameA(child, className, sizeof(className));
    if (lstrcmpiA(className, "Button") == 0 && ::IsWindowVisible(child))
    {
        char text[64] = "";
        ::GetWindowTextA(child, text, sizeof(text));
        ((ShownBox*)param)->buttons.push_back(text);
    }
    return TRUE;
}

// Waits for a message box of the process, reads it and presses its first button.
bool AnswerMessageBox(DWORD processId, ShownBox& box)
{
    for (int i = 0; i < 200; i++)
    {
        HWND found = NULL;
        for (HWND window = ::FindWindowExA(NULL, NULL, "#32770", NULL); window != NULL;
             window = ::FindWindowExA(NULL, window, "#32770", NULL))
        {
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            if (owner == processId && ::IsWindowVisible(window))
                found = window;
        }
        if (found != NULL)
        {
            char text[512] = "";
            box.owner = ::GetWindow(found, GW_OWNER);
            ::GetWindowTextA(found, text, sizeof(text));
            box.caption = text;
            ::GetDlgItemTextA(found, 0xFFFF, text, sizeof(text));
            box.text = text;
            ::EnumChildWindows(found, CollectButton, (LPARAM)&box);
            ::PostMessageA(found, WM_COMMAND, IDOK, 0);
            return true;
        }
        ::Sleep(50);
    }
    return false;
}

// Without a setup INF beside it the program says so, with no owner also when silent,
// and ends with ST_INF_FILE_NOT_FOUND for the caller. Start-up itself logs nothing.
TEST_F(SetupProcess, ASilentRunWithoutItsSetupInfSaysSoAndEndsWith8)
{
    HANDLE process = Start("-s -l");
    ASSERT_NE(nullptr, process);
    ShownBox box = {};
    EXPECT_TRUE(AnswerMessageBox(::GetProcessId(process), box));
    EXPECT_EQ(8u, WaitForExit(process));
    EXPECT_EQ(NULL, box.owner);
    EXPECT_EQ("Installation Error", box.caption);
    EXPECT_EQ("The wizard was unable to continue because it could not locate a valid setup  INF file in its local "
              "directory. The file might be missing, or it might contain entries the wizard cannot understand.",
              box.text);
    EXPECT_EQ(std::vector<std::string>({ "OK" }), box.buttons);

    std::ifstream log(LogPath(), std::ios::binary);
    std::ostringstream bytes;
    bytes << log.rdbuf();
    EXPECT_EQ("CDriverSetup SetupOpenInfFile error at line 0\r\n", bytes.str());
}

// A machine whose device tree's root cannot be opened for WRITE_DAC refuses everybody:
// one box of its own, no owner, OK only, and ERROR_ELEVATION_REQUIRED for the caller.
TEST_F(SetupProcess, RefusesAUserWithoutAccessWithABoxAndExitCode740)
{
    ASSERT_EQ(ERROR_SUCCESS, ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, c_probeKey));
    for (const char* options : { "-s", "" })
    {
        SCOPED_TRACE(options);
        HANDLE process = Start(options);
        ASSERT_NE(nullptr, process);
        ShownBox box = {};
        EXPECT_TRUE(AnswerMessageBox(::GetProcessId(process), box));
        EXPECT_EQ(740u, WaitForExit(process));
        EXPECT_EQ(NULL, box.owner);
        EXPECT_EQ("Installation Error", box.caption);
        EXPECT_EQ("The wizard cannot proceed because it does not have access to the system data files. You must be "
                  "logged in as a system administrator to run this program.",
                  box.text);
        EXPECT_EQ(std::vector<std::string>({ "OK" }), box.buttons);
    }
    HKEY key = NULL;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, c_probeKey, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL));
    const char attached[] = "Root\\LEGACY_BEEP\\0000\0";
    ::RegSetValueExA(key, "AttachedComponents", 0, REG_MULTI_SZ, (const BYTE*)attached, sizeof(attached));
    ::RegCloseKey(key);
}
}
