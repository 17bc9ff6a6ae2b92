// LABRUN.EXE <program> [arguments...]: runs the program with the lab's device-installer
// stand-in in it. The program is started suspended; LABDEVINST.DLL, from beside this
// launcher, is loaded into it by a thread of its own (whose start runs the process's
// initialisation, so that the program's imports are bound when the stand-in swaps
// them); then the program runs, and the launcher exits with its exit code.
//
// The launcher's own failures, reported on stderr, give these exit codes:
//   ERROR_BAD_ARGUMENTS (160)   no program named
//   ERROR_MOD_NOT_FOUND (126)   no LABDEVINST.DLL beside the launcher
//   CreateProcess's error       the program cannot be started (2: not found)
//   ERROR_DLL_INIT_FAILED (1114) the stand-in could not be loaded into it
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace
{
// The command line after the launcher's own name, as it was given.
const char* ProgramCommandLine()
{
    const char* line = ::GetCommandLineA();
    if (*line == '"')
    {
        line = strchr(line + 1, '"');
        line = line != NULL ? line + 1 : "";
    }
    else
        line += strcspn(line, " \t");
    return line + strspn(line, " \t");
}

std::string StandInPath()
{
    char path[MAX_PATH];
    DWORD length = ::GetModuleFileNameA(NULL, path, sizeof(path));
    if (length == 0 || length >= sizeof(path))
        return std::string();
    std::string result(path, length);
    return result.substr(0, result.find_last_of('\\') + 1) + "LABDEVINST.DLL";
}

// LoadLibraryA of the path, run by a new thread of the suspended process; true when the
// stand-in has signalled that it is in.
bool LoadStandIn(HANDLE process, DWORD processId, const std::string& path)
{
    char eventName[64];
    snprintf(eventName, sizeof(eventName), "LabDevInst-%lu", processId);
    HANDLE loaded = ::CreateEventA(NULL, TRUE, FALSE, eventName);
    if (loaded == NULL)
        return false;

    bool done = false;
    void* remotePath = ::VirtualAllocEx(process, NULL, path.size() + 1, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (remotePath != NULL)
    {
        if (::WriteProcessMemory(process, remotePath, path.c_str(), path.size() + 1, NULL))
        {
            // LoadLibraryA lies at the same address in every process of this architecture.
            LPTHREAD_START_ROUTINE loadLibrary =
                (LPTHREAD_START_ROUTINE)(void*)::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "LoadLibraryA");
            HANDLE thread = ::CreateRemoteThread(process, NULL, 0, loadLibrary, remotePath, 0, NULL);
            if (thread != NULL)
            {
                ::WaitForSingleObject(thread, INFINITE);
                ::CloseHandle(thread);
                done = ::WaitForSingleObject(loaded, 0) == WAIT_OBJECT_0;
            }
        }
        ::VirtualFreeEx(process, remotePath, 0, MEM_RELEASE);
    }
    ::CloseHandle(loaded);
    return done;
}
}

int main()
{
    std::string commandLine = ProgramCommandLine();
    if (commandLine.empty())
    {
        fprintf(stderr, "usage: LABRUN.EXE <program> [arguments...]\n");
        return ERROR_BAD_ARGUMENTS;
    }
    std::string standIn = StandInPath();
    if (standIn.empty() || ::GetFileAttributesA(standIn.c_str()) == INVALID_FILE_ATTRIBUTES)
    {
        fprintf(stderr, "LABRUN: no %s\n", standIn.c_str());
        return ERROR_MOD_NOT_FOUND;
    }

    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessA(NULL, &commandLine[0], NULL, NULL, TRUE, CREATE_SUSPENDED, NULL, NULL, &startup, &process))
    {
        DWORD error = ::GetLastError();
        fprintf(stderr, "LABRUN: cannot start %s: error %lu\n", commandLine.c_str(), error);
        return (int)error;
    }

    DWORD exitCode = ERROR_DLL_INIT_FAILED;
    if (!LoadStandIn(process.hProcess, process.dwProcessId, standIn))
    {
        fprintf(stderr, "LABRUN: cannot load %s into %s\n", standIn.c_str(), commandLine.c_str());
        ::TerminateProcess(process.hProcess, exitCode);
    }
    else
    {
        ::ResumeThread(process.hThread);
        ::WaitForSingleObject(process.hProcess, INFINITE);
        ::GetExitCodeProcess(process.hProcess, &exitCode);
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return (int)exitCode;
}
