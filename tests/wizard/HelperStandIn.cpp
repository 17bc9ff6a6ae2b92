// A stand-in for the self-deletion helper: as SETUP_TEST_HELPER_MODE says, it sets the
// event named from the process number on its command line ("signal") or ends without
// setting it ("die"), and writes what it was given and saw to the file named by
// SETUP_TEST_HELPER_RECORD.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{
std::string Environment(const char* name)
{
    char value[1024] = "";
    DWORD length = ::GetEnvironmentVariableA(name, value, sizeof(value));
    return length > 0 && length < sizeof(value) ? value : "";
}

// The number that follows the helper's name on the command line.
DWORD ProcessNumber(const char* commandLine)
{
    const char* name = "ISDEL.EXE ";
    size_t nameLength = strlen(name);
    for (const char* p = commandLine; *p != '\0'; p++)
    {
        if (_strnicmp(p, name, nameLength) == 0)
            return strtoul(p + nameLength, NULL, 16);
    }
    return 0;
}
}

int main()
{
    std::string record;
    const char* commandLine = ::GetCommandLineA();
    record += std::string("command line: ") + commandLine + "\n";

    char module[MAX_PATH] = "";
    ::GetModuleFileNameA(NULL, module, sizeof(module));
    record += std::string("module: ") + module + "\n";

    // The setup program holds this file open for reading only.
    HANDLE self = ::CreateFileA(module, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                OPEN_EXISTING, 0, NULL);
    record += "open for writing: " + std::to_string(self == INVALID_HANDLE_VALUE ? ::GetLastError() : 0) + "\n";
    if (self != INVALID_HANDLE_VALUE)
        ::CloseHandle(self);

    char eventName[32];
    snprintf(eventName, sizeof(eventName), "push-me%lx", (unsigned long)ProcessNumber(commandLine));
    HANDLE event = ::OpenEventA(EVENT_MODIFY_STATE | SYNCHRONIZE, FALSE, eventName);
    std::string mode = Environment("SETUP_TEST_HELPER_MODE");
    if (event == NULL)
        record += std::string("event ") + eventName + ": missing\n";
    else
        record += std::string("event ") + eventName + ": "
                  + (::WaitForSingleObject(event, 0) == WAIT_TIMEOUT ? "not set" : "set") + "\n";
    if (event != NULL && mode == "signal")
    {
        ::SetEvent(event);
        ::WaitForSingleObject(event, 0);
        record += std::string("after setting it: ")
                  + (::WaitForSingleObject(event, 0) == WAIT_OBJECT_0 ? "stays set" : "reset") + "\n";
    }
    if (event != NULL)
        ::CloseHandle(event);

    // Written whole and then renamed: the test reads it once it has its final name.
    std::string recordPath = Environment("SETUP_TEST_HELPER_RECORD");
    if (!recordPath.empty())
    {
        std::string partPath = recordPath + "." + std::to_string(::GetCurrentProcessId());
        FILE* file = fopen(partPath.c_str(), "wb");
        if (file != NULL)
        {
            fwrite(record.data(), 1, record.size(), file);
            fclose(file);
            // A second program started by mistake does not replace the first one's record.
            ::MoveFileExA(partPath.c_str(), recordPath.c_str(), 0);
        }
    }
    return 0;
}
