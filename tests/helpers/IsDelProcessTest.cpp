// ISDEL.EXE as a process: started by a stand-in of the setup program exactly as the setup
// program starts it, and started directly with command lines good and bad.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <windows.h>

#include "tests/helpers/IsDelTestFiles.h"
#include "tests/support/TextFile.h"

namespace
{
const char c_setupDirectory[] = "C:\\setup dir\\";
const char c_helperDirectory[] = "C:\\helper dir\\";
const DWORD c_processWaitMs = 20000;
const DWORD c_noExitCode = 0xDEAD;

class IsDelProcess : public ::testing::Test
{
protected:
    void SetUp() override { LayOut(); }
    void TearDown() override
    {
        RemoveTree(c_setupDirectory);
        RemoveTree(c_helperDirectory);
    }

    // An empty setup directory and a fresh copy of the helper.
    void LayOut()
    {
        RemoveTree(c_setupDirectory);
        RemoveTree(c_helperDirectory);
        ASSERT_TRUE(::CreateDirectoryA(c_setupDirectory, NULL)) << ::GetLastError();
        ASSERT_TRUE(::CreateDirectoryA(c_helperDirectory, NULL)) << ::GetLastError();
        // A helper path with a blank in it, as a Windows directory may have.
        helper = std::string(c_helperDirectory) + "ISDEL.EXE";
        ASSERT_TRUE(::CopyFileA("C:\\bench\\ISDEL.EXE", helper.c_str(), FALSE)) << ::GetLastError();
        program = std::string(c_setupDirectory) + "SETUP.EXE";
    }

    static std::string LogPathOf(const std::string& programPath)
    {
        return programPath.substr(0, programPath.find_last_of('\\') + 1) + "SETUP.TXT";
    }

    static DWORD WaitForExit(HANDLE process)
    {
        DWORD exitCode = c_noExitCode;
        if (::WaitForSingleObject(process, c_processWaitMs) != WAIT_OBJECT_0)
        {
            ADD_FAILURE() << "the process did not end";
            ::TerminateProcess(process, c_noExitCode);
        }
        else
            ::GetExitCodeProcess(process, &exitCode);
        ::CloseHandle(process);
        return exitCode;
    }

    struct StandInRun
    {
        DWORD setupProcessId = 0;
        DWORD setupExitCode = c_noExitCode;
        DWORD helperExitCode = c_noExitCode;
    };

    // Copies FAKESETUP.EXE to programPath and runs it from its own directory, as a user
    // runs the setup program; logMode 'l' (log on) or 'L' (" -L"). Returns once the stand-in
    // and the helper that it started have both ended.
    StandInRun RunStandIn(const std::string& programPath, char logMode)
    {
        StandInRun run;
        if (!::CopyFileA("C:\\bench\\FAKESETUP.EXE", programPath.c_str(), FALSE))
        {
            ADD_FAILURE() << "CopyFile " << programPath << ": " << ::GetLastError();
            return run;
        }
        SECURITY_ATTRIBUTES inheritable = { sizeof(inheritable), NULL, TRUE };
        HANDLE readEnd = NULL;
        HANDLE writeEnd = NULL;
        if (!::CreatePipe(&readEnd, &writeEnd, &inheritable, 0))
        {
            ADD_FAILURE() << "CreatePipe: " << ::GetLastError();
            return run;
        }
        ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

        std::string commandLine = Format("\"%s\" %lx %c %s", programPath.c_str(), ::GetCurrentProcessId(), logMode,
                                         helper.c_str());
        std::string directory = programPath.substr(0, programPath.find_last_of('\\'));
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = writeEnd;
        PROCESS_INFORMATION setup = {};
        BOOL started = ::CreateProcessA(programPath.c_str(), &commandLine[0], NULL, NULL, TRUE, 0, NULL,
                                        directory.c_str(), &startup, &setup);
        ::CloseHandle(writeEnd);
        if (!started)
        {
            ADD_FAILURE() << "CreateProcess " << programPath << ": " << ::GetLastError();
            ::CloseHandle(readEnd);
            return run;
        }
        ::CloseHandle(setup.hThread);
        run.setupProcessId = setup.dwProcessId;
        run.setupExitCode = WaitForExit(setup.hProcess);

        // The stand-in wrote the value of the helper's process handle, duplicated into us.
        char text[32] = "";
        DWORD read = 0;
        ::ReadFile(readEnd, text, sizeof(text) - 1, &read, NULL);
        ::CloseHandle(readEnd);
        text[read] = '\0';
        HANDLE helperProcess = (HANDLE)(ULONG_PTR)strtoull(text, NULL, 16);
        if (helperProcess != NULL)
            run.helperExitCode = WaitForExit(helperProcess);
        else
            ADD_FAILURE() << "no helper process handed over";
        return run;
    }

    // Starts our copy of the helper with commandLine as it stands and returns its exit code.
    DWORD RunHelper(std::string commandLine)
    {
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process = {};
        // The current directory is the setup directory, where a relative path would lead.
        if (!::CreateProcessA(helper.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL, c_setupDirectory,
                              &startup, &process))
        {
            ADD_FAILURE() << "CreateProcess: " << ::GetLastError();
            return c_noExitCode;
        }
        ::CloseHandle(process.hThread);
        return WaitForExit(process.hProcess);
    }

    std::string helper;
    std::string program;
};

std::vector<std::string> StepsOfAWholeRun(DWORD setupProcessId, const std::string& programPath)
{
    return {
        Format("ISDEL waiting for process %lx", setupProcessId),
        Format("ISDEL setting event push-me%lx", setupProcessId),
        Format("ISDEL process %lx ended", setupProcessId),
        "ISDEL deleted " + programPath,
    };
}

// The setup program waits for its event, ends, and its file is deleted after it; the
// helper logs its steps beside the setup program's own lines, or with " -L" writes nothing
// and also removes the directory when the program was the last file in it. The platform
// deletes the helper file itself once both processes have let go of it.
TEST_F(IsDelProcess, TheSetupProgramGoesOnAndItsFileIsDeletedOnceItHasEnded)
{
    struct Case
    {
        const char* name;
        char logMode;
        const char* otherFile;  // another file in the setup directory, or NULL
    };
    const Case cases[] = {
        { "log on", 'l', NULL },
        { "log off, the program alone", 'L', NULL },
        { "log off, with another file", 'L', "DRV_QVX.INF" },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        LayOut();
        std::string other = c.otherFile != NULL ? std::string(c_setupDirectory) + c.otherFile : "";
        if (c.otherFile != NULL)
            WriteTextFile(other, "[Version]\r\n");

        StandInRun run = RunStandIn(program, c.logMode);

        EXPECT_EQ(0u, run.setupExitCode) << "the event was not set";
        EXPECT_EQ(0u, run.helperExitCode);
        EXPECT_FALSE(PathExists(program));
        EXPECT_FALSE(PathExists(helper));
        if (c.logMode == 'l')
        {
            EXPECT_EQ(StepsOfAWholeRun(run.setupProcessId, program), ReadLogLines(LogPathOf(program)));
            EXPECT_TRUE(PathExists(c_setupDirectory));
        }
        else
        {
            EXPECT_FALSE(PathExists(LogPathOf(program)));
            EXPECT_EQ(c.otherFile != NULL, PathExists(c_setupDirectory));
            if (c.otherFile != NULL)
            {
                EXPECT_TRUE(PathExists(other));
            }
        }
    }
}

// The longest path that the setup program can have: 259 characters, twice on the line.
TEST_F(IsDelProcess, AProgramPathOf259CharactersIsDeleted)
{
    std::string directory = std::string(c_setupDirectory) + std::string(120, 'd') + " " + std::string(80, 'e') + "\\";
    ASSERT_TRUE(::CreateDirectoryA(directory.substr(0, directory.size() - 1).c_str(), NULL)) << ::GetLastError();
    std::string longProgram = directory + "SETUP" + std::string(MAX_PATH - 1 - directory.size() - 9, 'x') + ".EXE";
    ASSERT_EQ(259u, longProgram.size());

    StandInRun run = RunStandIn(longProgram, 'l');

    EXPECT_EQ(0u, run.setupExitCode);
    EXPECT_EQ(0u, run.helperExitCode);
    EXPECT_FALSE(PathExists(longProgram));
    EXPECT_EQ(StepsOfAWholeRun(run.setupProcessId, longProgram), ReadLogLines(LogPathOf(longProgram)));
}

// A process number that no process has: the setup program has ended already, so its file
// goes at once. The own path may come quoted, in another case or under another name; the
// process number in either case and with leading zeros; a program path may itself end in
// " -L"; a read-only file is deleted too.
TEST_F(IsDelProcess, WhenTheProcessHasEndedAlreadyTheFileGoesAtOnce)
{
    const std::string minusL = std::string(c_setupDirectory) + "SETUP -L";
    struct Case
    {
        const char* name;
        std::string commandLine;
        std::string file;
        bool readOnly;
        std::vector<std::string> lines;  // none: no SETUP.TXT
    };
    const std::vector<std::string> loggedSteps = {
        "ISDEL cannot open process ffffffff (57)",
        "ISDEL no event push-meffffffff (2)",
        "ISDEL deleted " + program,
    };
    const Case cases[] = {
        { "unquoted own path with a blank", helper + " ffffffff " + program + " " + program, program, false,
          loggedSteps },
        { "quoted own path, log off", "\"" + helper + "\" ffffffff " + program + " " + program + " -L", program,
          false, {} },
        { "own path in another case", "c:\\HELPER DIR\\isdel.exe FFFFFFFF " + program + " " + program + " -L",
          program, false, {} },
        { "own path relative", "helper dir\\ISDEL.EXE 0ffffff0 " + program + " " + program, program, false,
          { "ISDEL cannot open process ffffff0 (57)", "ISDEL no event push-meffffff0 (2)",
            "ISDEL deleted " + program } },
        { "program path ending in -L, log on", helper + " ffffffff " + minusL + " " + minusL, minusL, false,
          { "ISDEL cannot open process ffffffff (57)", "ISDEL no event push-meffffffff (2)",
            "ISDEL deleted " + minusL } },
        { "program path ending in -L, log off", helper + " ffffffff " + minusL + " " + minusL + " -L", minusL, false,
          {} },
        { "read-only program", helper + " ffffffff " + program + " " + program, program, true, loggedSteps },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        ::CreateDirectoryA(c_setupDirectory, NULL);
        WriteTextFile(c.file, "MZ");
        if (c.readOnly)
            ::SetFileAttributesA(c.file.c_str(), FILE_ATTRIBUTE_READONLY);

        EXPECT_EQ(0u, RunHelper(c.commandLine));

        EXPECT_FALSE(PathExists(c.file));
        EXPECT_EQ(c.lines, ReadLogLines(LogPathOf(c.file)));
        // Log off: the program was the last file, and its directory went with it.
        EXPECT_EQ(!c.lines.empty(), PathExists(c_setupDirectory));
        RemoveTree(c_setupDirectory);
    }
}

// A command line that makes no sense changes nothing: no file deleted, no log written.
TEST_F(IsDelProcess, ACommandLineThatMakesNoSenseChangesNothing)
{
    const std::string p = program;
    const std::string h = helper;
    const std::string tooLong = std::string(c_setupDirectory) + std::string(MAX_PATH - 13, 'a');
    const std::string huge = std::string(c_setupDirectory) + std::string(16000, 'a');
    std::string garbage;
    unsigned seed = 12345;
    while (garbage.size() < 32000)
    {
        seed = seed * 1103515245u + 12345u;
        char c = (char)((seed >> 16) % 255 + 1);
        garbage += c;
    }
    struct Case
    {
        const char* name;
        std::string commandLine;
    };
    const Case cases[] = {
        { "own path alone", h },
        { "own path and a blank", h + " " },
        { "no program path", h + " ffffffff" },
        { "no program path after the blank", h + " ffffffff " },
        { "the program path once", h + " ffffffff " + p },
        { "halves that differ", h + " ffffffff " + p + " C:\\setup dir\\SETUP.EXF" },
        { "two blanks between the halves", h + " ffffffff " + p + "  " + p },
        { "two blanks after the number", h + " ffffffff  " + p + " " + p },
        { "empty halves", h + " ffffffff  " },
        { "empty halves and -L", h + " ffffffff   -L" },
        { "a lower-case flag", h + " ffffffff " + p + " " + p + " -l" },
        { "the flag twice", h + " ffffffff " + p + " " + p + " -L -L" },
        { "not hexadecimal", h + " fffffffg " + p + " " + p },
        { "nine digits", h + " 0ffffffff " + p + " " + p },
        { "a sign", h + " -1 " + p + " " + p },
        { "a 0x prefix", h + " 0x1a4 " + p + " " + p },
        { "process number 0", h + " 0 " + p + " " + p },
        { "a relative program path", h + " ffffffff SETUP.EXE SETUP.EXE" },
        { "a directory", h + " ffffffff C:\\setup dir\\ C:\\setup dir\\" },
        { "a program path of 260 characters", h + " ffffffff " + tooLong + " " + tooLong },
        { "an own path quoted without its end", "\"" + h + " ffffffff " + p + " " + p },
        { "32 KB of garbage after the own path", h + " " + garbage },
        { "32 KB of garbage", garbage },
        { "32 KB with halves of 16 KB", h + " ffffffff " + huge + " " + huge },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        WriteTextFile(program, "MZ");

        EXPECT_EQ((DWORD)ERROR_BAD_ARGUMENTS, RunHelper(c.commandLine));

        EXPECT_TRUE(PathExists(program));
        EXPECT_FALSE(PathExists(LogPathOf(program)));
    }
}

// A program file that something still holds is tried again until it is free.
TEST_F(IsDelProcess, ALockedProgramFileIsDeletedOnceItIsFree)
{
    WriteTextFile(program, "MZ");
    HANDLE lock = ::CreateFileA(program.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, lock) << ::GetLastError();
    std::string commandLine = helper + " ffffffff " + program + " " + program;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(::CreateProcessA(helper.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                                 &process))
        << ::GetLastError();
    ::CloseHandle(process.hThread);

    EXPECT_EQ((DWORD)WAIT_TIMEOUT, ::WaitForSingleObject(process.hProcess, 800));
    EXPECT_TRUE(PathExists(program));
    ::CloseHandle(lock);

    EXPECT_EQ(0u, WaitForExit(process.hProcess));
    EXPECT_FALSE(PathExists(program));
    EXPECT_EQ((std::vector<std::string>{ "ISDEL cannot open process ffffffff (57)", "ISDEL no event push-meffffffff (2)",
                                         "ISDEL deleted " + program }),
              ReadLogLines(LogPathOf(program)));
}
}
