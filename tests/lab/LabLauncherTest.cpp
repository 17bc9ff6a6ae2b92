// LABRUN.EXE: a program that it runs has the lab's device-installer stand-in in it,
// and its exit code comes back. LABPROBE.EXE, the program run, writes the class
// drivers that the device installer offers it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <windows.h>

#include "tests/support/LabDevInst.h"
#include "tests/support/TextFile.h"

namespace
{
typedef std::vector<std::string> Lines;

const char c_bench[] = "C:\\bench\\";
const char c_output[] = "C:\\bench\\probe output.txt";
const char c_noStandIn[] = "C:\\no stand-in\\";

std::string InfPath()
{
    char windows[MAX_PATH];
    UINT length = ::GetWindowsDirectoryA(windows, MAX_PATH);
    return std::string(windows, length) + "\\inf\\LABMODEM.INF";
}

const char c_modemInf[] =
    "[Version]\r\nSignature=\"$Windows NT$\"\r\nClass=Modem\r\nProvider=Lab\r\n\r\n"
    "[Models]\r\nLab PCI Modem = LabModem\r\nOther Modem = Other\r\n\r\n"
    "[LabModem]\r\n[Other]\r\n";

// The lines of a text file written in text mode; empty when there is none.
Lines ReadLines(const char* path)
{
    Lines lines;
    HANDLE file = ::CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return lines;
    char buffer[4096];
    DWORD read = 0;
    ::ReadFile(file, buffer, sizeof(buffer), &read, NULL);
    ::CloseHandle(file);
    std::string text(buffer, read);
    for (size_t start = 0; start < text.size();)
    {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// Runs the command line from C:\bench and returns its exit code.
DWORD RunFromBench(const std::string& commandLine)
{
    std::string line = commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessA(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, c_bench, &startup, &process))
    {
        ADD_FAILURE() << commandLine << ": error " << ::GetLastError();
        return 0xDEAD;
    }
    ::CloseHandle(process.hThread);
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(process.hProcess, 20000)) << commandLine;
    DWORD exitCode = 0xDEAD;
    ::GetExitCodeProcess(process.hProcess, &exitCode);
    ::CloseHandle(process.hProcess);
    return exitCode;
}

class LabLauncher : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CopyLabDevInstTo(c_bench));
        WriteTextFile(InfPath(), c_modemInf);
        RemovePath(c_output);
    }
    void TearDown() override
    {
        RemovePath(c_output);
        RemovePath(InfPath());
        RemovePath(std::string(c_bench) + "LABDEVINST.DLL");
        RemovePath(std::string(c_noStandIn) + "LABRUN.EXE");
        RemovePath(c_noStandIn);
    }
};

// What the stand-in is for: Wine offers no class drivers (ERROR_CALL_NOT_IMPLEMENTED).
TEST_F(LabLauncher, WithoutTheStandInWineOffersNoClassDrivers)
{
    EXPECT_EQ(42u, RunFromBench("C:\\bench\\LABPROBE.EXE \"C:\\bench\\probe output.txt\" 42"));
    EXPECT_EQ(Lines({ "SetupDiBuildDriverInfoList failed 120" }), ReadLines(c_output));
}

TEST_F(LabLauncher, TheProgramRunsWithTheStandInAndItsExitCodeComesBack)
{
    EXPECT_EQ(42u, RunFromBench("C:\\bench\\LABRUN.EXE C:\\bench\\LABPROBE.EXE \"C:\\bench\\probe output.txt\" 42"));
    EXPECT_EQ(Lines({ "Lab PCI Modem", "Other Modem" }), ReadLines(c_output));

    // Found as CreateProcess finds programs: first beside the launcher.
    EXPECT_EQ(0u, RunFromBench("\"C:\\bench\\LABRUN.EXE\" LABPROBE.EXE \"C:\\bench\\probe output.txt\" 0"));
    EXPECT_EQ(Lines({ "Lab PCI Modem", "Other Modem" }), ReadLines(c_output));
}

TEST_F(LabLauncher, ALauncherThatCannotRunTheProgramSaysWhyInItsExitCode)
{
    ::CreateDirectoryA(c_noStandIn, NULL);
    ASSERT_TRUE(::CopyFileA("C:\\bench\\LABRUN.EXE", (std::string(c_noStandIn) + "LABRUN.EXE").c_str(), FALSE));
    struct
    {
        const char* what;
        std::string commandLine;
        DWORD exitCode;
    } cases[] = {
        { "no program", "C:\\bench\\LABRUN.EXE", ERROR_BAD_ARGUMENTS },
        { "a program that is not there", "C:\\bench\\LABRUN.EXE C:\\bench\\NOSUCH.EXE", ERROR_FILE_NOT_FOUND },
        { "no stand-in beside the launcher",
          "\"" + std::string(c_noStandIn) + "LABRUN.EXE\" C:\\bench\\LABPROBE.EXE \"C:\\bench\\probe output.txt\" 0",
          ERROR_MOD_NOT_FOUND },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.exitCode, RunFromBench(c.commandLine));
    }
    EXPECT_EQ(Lines(), ReadLines(c_output));   // the probe never ran
}
}
