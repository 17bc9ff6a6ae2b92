// Start-up: the settings that the command line, the privilege probe and the program's
// location give, as handed to the wizard run.
#include <gtest/gtest.h>

#include <string>

#include "app/CLogFile.h"
#include "app/CSetupApp.h"
#include "app/CountryTable.h"
#include "resources/resource.h"
#include "tests/support/ImportSwap.h"
#include "tests/support/MachineState.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/TraceLog.h"
#include "wizard/WizardRun.h"

// The wizard run of this test program: it records what start-up handed over.
namespace
{
int g_wizardRuns = 0;
SETUP_SETTINGS g_handedSettings;
int g_wizardExitCode = 0;
}

int PerformWizardRun(const SETUP_SETTINGS& settings)
{
    g_wizardRuns++;
    g_handedSettings = settings;
    return g_wizardExitCode;
}

namespace
{
std::string ProgramDirectory()
{
    char path[MAX_PATH];
    DWORD length = ::GetModuleFileNameA(NULL, path, sizeof(path));
    std::string result(path, length);
    return result.substr(0, result.find_last_of('\\') + 1);
}

class Startup : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_wizardRuns = 0;
        g_handedSettings = SETUP_SETTINGS();
        g_wizardExitCode = 0;
        theLogFile.enabledLogFile = false;
        theLogFile.pathLogFile.Empty();
        ::DeleteFileA(TraceLogPath().c_str());
    }

    // Runs start-up on cmdLine; TRUE would be a failure of its own.
    void Run(const std::string& cmdLine)
    {
        m_cmdLine = cmdLine;
        theApp.m_lpCmdLine = &m_cmdLine[0];
        theApp.m_nExitCode = -1;
        EXPECT_FALSE(theApp.InitInstance());
    }

    std::string m_cmdLine;
};

struct CommandLineCase
{
    const char* cmdLine;
    bool install;
    bool silent;
    bool country;
    WORD countryCode;
    bool log;
    bool dryRun;
};

const WORD NONE = COUNTRY_CODE_NONE;
const WORD INVALID = COUNTRY_CODE_INVALID;

const CommandLineCase c_commandLines[] = {
    // cmdLine                 install silent country code     log    dryRun
    { "",                      true,  false, false, NONE,      false, false },
    { "-U -l",                 false, false, false, NONE,      true,  false },
    { "-u -S",                 false, true,  false, NONE,      false, false },
    { "-h=de",                 true,  false, true,  4,         false, false },
    { "-H=us",                 true,  false, true,  181,       false, false },
    { "-h=JP",                 true,  false, true,  0,         false, false },
    { "-h=tw",                 true,  false, true,  254,       false, false },
    { "-h=DEU",                true,  false, true,  INVALID,   false, false },
    { "-h=D",                  true,  false, true,  INVALID,   false, false },
    { "-h=DE -l",              true,  false, true,  INVALID,   true,  false },
    { "-h=QQ",                 true,  false, true,  INVALID,   false, false },
    { "-h",                    true,  false, true,  NONE,      false, false },
    { "-h=",                   true,  false, true,  INVALID,   false, false },
    { "-s -h=",                true,  true,  true,  INVALID,   false, false },
    { "-h -d=FR",              true,  false, true,  61,        false, true  },
    { "-H=GB -h=FR",           true,  false, true,  INVALID,   false, false },
    { "-h=FR -H",              true,  false, true,  NONE,      false, false },
    { "-ls",                   true,  false, false, NONE,      true,  false },
    { "a-l -lx",               true,  false, false, NONE,      true,  false },
    { "/u /s /l /h=DE",        true,  false, false, NONE,      false, false },
    { "-D -d -s -S",           true,  true,  false, NONE,      false, true  },
    { "-h=\xe9\xe8",           true,  false, true,  INVALID,   false, false },
    { "\xff-u\x80 -h=\xe4" "a", false, false, true, INVALID,   false, false },
};

TEST_F(Startup, CommandLinesGiveTheirSettings)
{
    for (const CommandLineCase& c : c_commandLines)
    {
        SCOPED_TRACE(std::string("command line \"") + c.cmdLine + "\"");
        SetUp();
        Run(c.cmdLine);
        ASSERT_EQ(1, g_wizardRuns);
        const SETUP_SETTINGS& s = g_handedSettings;
        EXPECT_EQ(c.install, s.installFlag);
        EXPECT_EQ(c.install ? IDS_IN_WIZ_TITLE : IDS_UN_WIZ_TITLE, s.titleId);
        EXPECT_EQ(c.silent, s.silentFlag);
        EXPECT_EQ(c.country, s.countryFlag);
        EXPECT_EQ(c.countryCode, s.countryCode);
        EXPECT_EQ(c.log, s.logFlag);
        EXPECT_EQ(c.log, theLogFile.enabledLogFile);
        EXPECT_EQ(c.dryRun, s.dryRunFlag);
        EXPECT_EQ(::GetModuleHandleA(NULL), s.hInstance);
        EXPECT_EQ(0, theApp.m_nExitCode);
    }
}

TEST_F(Startup, EveryCountryOfTheTableIsFound)
{
    int entries = 0;
    const COUNTRY_ENTRY* table = GetCountryTable(&entries);
    ASSERT_EQ(184, entries);
    for (int i = 0; i < entries; i++)
    {
        std::string lower = table[i].szLetters;
        lower[0] = (char)(lower[0] | 0x20);
        Run("-h=" + lower);
        EXPECT_EQ(table[i].wCountryCode, g_handedSettings.countryCode) << table[i].szLetters;
    }
}

TEST_F(Startup, CommandLinesOfAnyLengthAndContentAreSafe)
{
    std::string huge(32 * 1024, 'x');
    for (size_t i = 0; i < huge.size(); i += 7)
        huge[i] = (char)(0x80 + i % 0x80);
    Run(huge);
    EXPECT_TRUE(g_handedSettings.installFlag);
    EXPECT_FALSE(g_handedSettings.countryFlag);

    Run(huge + " -u -h=");
    EXPECT_FALSE(g_handedSettings.installFlag);
    EXPECT_EQ(COUNTRY_CODE_INVALID, g_handedSettings.countryCode);

    Run(std::string(32 * 1024, '-') + "h=ch");
    EXPECT_EQ(166, g_handedSettings.countryCode);

    Run(std::string(32 * 1024, '=') + "-h");
    EXPECT_EQ(COUNTRY_CODE_NONE, g_handedSettings.countryCode);
}

TEST_F(Startup, LocatesTheSetupInfBesideTheProgram)
{
    Run("-s");
    EXPECT_EQ(ProgramDirectory(), std::string(g_handedSettings.setupDirectory));
    EXPECT_EQ(ProgramDirectory() + "DRV_QVX.INF", std::string(g_handedSettings.setupInfPath));
    EXPECT_STREQ("Models", g_handedSettings.driverSection);
}

TEST_F(Startup, TheExitCodeIsTheWizardRuns)
{
    g_wizardExitCode = 8;
    Run("-s");
    EXPECT_EQ(8, theApp.m_nExitCode);
    EXPECT_EQ(8, theApp.ExitInstance());
}

TEST_F(Startup, WritesNoLogLineOfItsOwn)
{
    Run("-l");
    EXPECT_TRUE(theLogFile.enabledLogFile);
    EXPECT_EQ(TraceLogPath(), std::string(theLogFile.pathLogFile));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(TraceLogPath().c_str()));
}

// A program path that the path calls cannot take whole leaves both paths empty, so that
// no setup INF is found, rather than a cut path naming some other file. The ANSI path
// calls take up to 259 characters; the 512-character buffers hold every path they give.
TEST_F(Startup, ProgramPathsTooLongForThePathCallsLeaveNoSetupInf)
{
    struct
    {
        size_t pathLength;
        bool fits;
    } cases[] = { { 40, true }, { 259, true }, { 260, false }, { 300, false }, { 511, false }, { 512, false },
                  { 600, false }, { 2000, false } };
    ImportSwap<decltype(&GetModuleFileNameA)> swap("kernel32.dll", "GetModuleFileNameA", FakeGetModuleFileNameA);
    ASSERT_TRUE(swap.IsActive());
    for (const auto& c : cases)
    {
        // C:\ddd...\SETUP.EXE, pathLength characters in all.
        std::string directory = "C:\\" + std::string(c.pathLength - 13, 'd') + "\\";
        std::string modulePath = directory + "SETUP.EXE";
        ASSERT_EQ(c.pathLength, modulePath.size());
        SetFakeModulePath(modulePath);
        SCOPED_TRACE("program path of " + std::to_string(modulePath.size()) + " characters");
        Run("-s");
        ASSERT_EQ(1, g_wizardRuns);
        g_wizardRuns = 0;
        if (c.fits)
        {
            EXPECT_EQ(directory, std::string(g_handedSettings.setupDirectory));
            EXPECT_EQ(directory + "DRV_QVX.INF", std::string(g_handedSettings.setupInfPath));
        }
        else
        {
            EXPECT_STREQ("", g_handedSettings.setupDirectory);
            EXPECT_STREQ("", g_handedSettings.setupInfPath);
        }
        EXPECT_STREQ("Models", g_handedSettings.driverSection);
    }
}

// The privilege probe.
int g_probeOpens = 0;
int g_keyCloses = 0;
HKEY g_probeKey = NULL;
decltype(&RegOpenKeyExA) g_realRegOpenKeyExA = NULL;
decltype(&RegCloseKey) g_realRegCloseKey = NULL;

LONG WINAPI RefuseWriteDac(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result)
{
    if (access & WRITE_DAC)
    {
        g_probeOpens++;
        return ERROR_ACCESS_DENIED;
    }
    return g_realRegOpenKeyExA(key, subKey, options, access, result);
}

LONG WINAPI CountingRegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result)
{
    LONG error = g_realRegOpenKeyExA(key, subKey, options, access, result);
    if (error == ERROR_SUCCESS && access == WRITE_DAC && key == HKEY_LOCAL_MACHINE
        && strcmp(subKey, "SYSTEM\\CurrentControlSet\\Enum\\HTREE\\Root\\0") == 0 && options == 0)
    {
        g_probeOpens++;
        g_probeKey = *result;
    }
    return error;
}

LONG WINAPI CountingRegCloseKey(HKEY key)
{
    if (key == g_probeKey)
        g_keyCloses++;
    return g_realRegCloseKey(key);
}

int g_moduleNameCalls = 0;
// Counts the calls that look for the setup INF; the log's own look-up is not one of them.
DWORD WINAPI CountingGetModuleFileNameA(HMODULE, LPSTR buffer, DWORD size)
{
    if (size == 512)
        g_moduleNameCalls++;
    if (size > 0)
        buffer[0] = '\0';
    return 0;
}

void ExpectRefusal(const MessageBoxRecorder& boxes)
{
    EXPECT_EQ(0, g_wizardRuns);
    EXPECT_EQ(0, g_moduleNameCalls);
    EXPECT_EQ(740, theApp.m_nExitCode);
    ASSERT_EQ(1u, boxes.Boxes().size());
    const RecordedMessageBox& box = boxes.Boxes()[0];
    EXPECT_EQ(NULL, box.owner);
    EXPECT_EQ("Installation Error", box.caption);
    EXPECT_EQ("The wizard cannot proceed because it does not have access to the system data files. You must be "
              "logged in as a system administrator to run this program.",
              box.text);
    EXPECT_EQ((UINT)MB_OK, box.type);
}

TEST_F(Startup, RefusesAUserWhoMayNotRewriteTheDeviceTreesAccessList)
{
    for (const char* cmdLine : { "", "-s", "-u -s -l", "-d" })
    {
        SCOPED_TRACE(cmdLine);
        SetUp();
        g_probeOpens = 0;
        g_moduleNameCalls = 0;
        ImportSwap<decltype(&RegOpenKeyExA)> refuse("advapi32.dll", "RegOpenKeyExA", RefuseWriteDac);
        g_realRegOpenKeyExA = refuse.Original();
        ImportSwap<decltype(&GetModuleFileNameA)> count("kernel32.dll", "GetModuleFileNameA", CountingGetModuleFileNameA);
        MessageBoxRecorder boxes;
        Run(cmdLine);
        EXPECT_EQ(1, g_probeOpens);
        ExpectRefusal(boxes);
        // The log is switched on before the probe, but nothing is written.
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(TraceLogPath().c_str()));
    }
}

TEST_F(Startup, RefusesEverybodyOnAMachineWithoutTheDeviceTreesRoot)
{
    const char* key = "SYSTEM\\CurrentControlSet\\Enum\\HTREE\\Root\\0";
    ASSERT_EQ(ERROR_SUCCESS, ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, key));
    g_moduleNameCalls = 0;
    {
        ImportSwap<decltype(&GetModuleFileNameA)> count("kernel32.dll", "GetModuleFileNameA", CountingGetModuleFileNameA);
        MessageBoxRecorder boxes;
        Run("-s");
        ExpectRefusal(boxes);
    }
    HKEY restored = NULL;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &restored, NULL));
    const char attached[] = "Root\\LEGACY_BEEP\\0000\0";
    ::RegSetValueExA(restored, "AttachedComponents", 0, REG_MULTI_SZ, (const BYTE*)attached, sizeof(attached));
    ::RegCloseKey(restored);
}

TEST_F(Startup, ClosesTheProbeKeyAtOnce)
{
    g_probeOpens = 0;
    g_keyCloses = 0;
    g_probeKey = NULL;
    ImportSwap<decltype(&RegOpenKeyExA)> open("advapi32.dll", "RegOpenKeyExA", CountingRegOpenKeyExA);
    g_realRegOpenKeyExA = open.Original();
    ImportSwap<decltype(&RegCloseKey)> close("advapi32.dll", "RegCloseKey", CountingRegCloseKey);
    g_realRegCloseKey = close.Original();
    Run("");
    EXPECT_EQ(1, g_probeOpens);
    EXPECT_EQ(1, g_keyCloses);
    EXPECT_EQ(1, g_wizardRuns);
}

// A string table without the two texts still refuses the user, with an empty box.
int WINAPI NoString(HINSTANCE, UINT, LPSTR buffer, int size)
{
    if (size > 0)
        buffer[0] = '\0';
    return 0;
}

TEST_F(Startup, RefusesAlsoWithoutItsStrings)
{
    ImportSwap<decltype(&RegOpenKeyExA)> refuse("advapi32.dll", "RegOpenKeyExA", RefuseWriteDac);
    g_realRegOpenKeyExA = refuse.Original();
    ImportSwap<decltype(&LoadStringA)> noString("user32.dll", "LoadStringA", NoString);
    MessageBoxRecorder boxes;
    Run("-s");
    EXPECT_EQ(0, g_wizardRuns);
    EXPECT_EQ(740, theApp.m_nExitCode);
    ASSERT_EQ(1u, boxes.Boxes().size());
    EXPECT_EQ("", boxes.Boxes()[0].text);
    EXPECT_EQ("", boxes.Boxes()[0].caption);
}

TEST(SetupApp, RoutesOnlyTheHelpCommand)
{
    EXPECT_TRUE(theApp.OnCmdMsg(ID_HELP));
    EXPECT_FALSE(theApp.OnCmdMsg(IDOK));
}
}
