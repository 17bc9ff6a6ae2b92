// ISDEL.EXE <process number in hex> <program path> <program path>[ -L]
//
// Started by the setup program at the end of an uninstall: sets the setup program's event
// so that it can finish, waits until its process has ended and deletes its file. Exit
// code 0 when the file was deleted; ERROR_BAD_ARGUMENTS (160) for a command line that
// makes no sense, with nothing done; otherwise what stopped it (see RunIsDel).
#include <windows.h>

#include "helpers/isdel/IsDelCommandLine.h"
#include "helpers/isdel/IsDelRun.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char ownPath[MAX_PATH];
    DWORD length = ::GetModuleFileNameA(NULL, ownPath, sizeof(ownPath));
    if (length == 0 || length >= sizeof(ownPath))
        ownPath[0] = '\0';

    IsDelRequest request;
    if (!ParseIsDelCommandLine(::GetCommandLineA(), ownPath, request))
        return ERROR_BAD_ARGUMENTS;

    // The current directory comes from the setup program, often its own directory: out of
    // it, so that it can be removed once empty.
    char windowsDirectory[MAX_PATH];
    length = ::GetWindowsDirectoryA(windowsDirectory, sizeof(windowsDirectory));
    if (length > 0 && length < sizeof(windowsDirectory))
        ::SetCurrentDirectoryA(windowsDirectory);

    return (int)RunIsDel(request, IsDelLimits());
}
