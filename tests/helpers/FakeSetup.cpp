// FAKESETUP.EXE "<own path>" <test process in hex> <l|L> <helper path>
//
// The setup program's side of the self-deletion, as the tests need it: creates the event
// "push-me<own process number in hex>", opens the helper file with delete-on-close, starts
// the helper with "<helper path> <number> <own path> <own path>" (and " -L" for L), hands
// the helper's process to the test process (a duplicated handle, its value written to
// standard output as hexadecimal and a line end), waits for the event and exits.
//
// Exit codes: 0 the event was set; 1 bad arguments; 2 no event; 3 no helper file; 4 the
// helper did not start; 5 its process could not be handed over; 6 the helper ended
// without setting the event; 7 no event within 30 s.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace
{
const DWORD c_eventWaitMs = 30000;

// The arguments after the quoted own path.
const char* Arguments()
{
    const char* line = ::GetCommandLineA();
    if (*line != '"')
        return NULL;
    line = strchr(line + 1, '"');
    return line != NULL && line[1] == ' ' ? line + 2 : NULL;
}

bool HandOver(HANDLE helperProcess, DWORD testProcessId)
{
    HANDLE test = ::OpenProcess(PROCESS_DUP_HANDLE, FALSE, testProcessId);
    if (test == NULL)
        return false;
    HANDLE inTest = NULL;
    BOOL duplicated = ::DuplicateHandle(::GetCurrentProcess(), helperProcess, test, &inTest,
                                        SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, 0);
    ::CloseHandle(test);
    if (!duplicated)
        return false;
    char text[32];
    int length = snprintf(text, sizeof(text), "%llx\n", (unsigned long long)(ULONG_PTR)inTest);
    DWORD written = 0;
    return ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), text, (DWORD)length, &written, NULL)
           && written == (DWORD)length;
}

int Run()
{
    const char* arguments = Arguments();
    unsigned long testProcessId = 0;
    char logMode = 0;
    int consumed = 0;
    if (arguments == NULL || sscanf(arguments, "%lx %c %n", &testProcessId, &logMode, &consumed) < 2 || consumed == 0
        || (logMode != 'l' && logMode != 'L'))
        return 1;
    std::string helperPath = arguments + consumed;

    char eventName[32];
    snprintf(eventName, sizeof(eventName), "push-me%lx", ::GetCurrentProcessId());
    HANDLE event = ::CreateEventA(NULL, TRUE, FALSE, eventName);
    if (event == NULL)
        return 2;
    HANDLE helperFile = ::CreateFileA(helperPath.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                                      FILE_FLAG_DELETE_ON_CLOSE, NULL);
    if (helperFile == INVALID_HANDLE_VALUE)
    {
        ::CloseHandle(event);
        return 3;
    }

    char ownPath[MAX_PATH] = "";
    ::GetModuleFileNameA(NULL, ownPath, sizeof(ownPath));
    char number[16];
    snprintf(number, sizeof(number), " %lx ", ::GetCurrentProcessId());
    std::string commandLine = helperPath + number + ownPath + " " + ownPath;
    if (logMode == 'L')
        commandLine += " -L";

    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_FORCEOFFFEEDBACK;
    PROCESS_INFORMATION helper = {};
    int result = 4;
    if (::CreateProcessA(NULL, &commandLine[0], NULL, NULL, TRUE, 0, NULL, NULL, &startup, &helper))
    {
        ::CloseHandle(helper.hThread);
        result = 5;
        if (HandOver(helper.hProcess, testProcessId))
        {
            HANDLE waited[2] = { event, helper.hProcess };
            DWORD which = ::WaitForMultipleObjects(2, waited, FALSE, c_eventWaitMs);
            result = which == WAIT_OBJECT_0 ? 0 : which == WAIT_OBJECT_0 + 1 ? 6 : 7;
        }
        ::CloseHandle(helper.hProcess);
    }
    ::CloseHandle(helperFile);
    ::CloseHandle(event);
    return result;
}
}

int main()
{
    return Run();
}
