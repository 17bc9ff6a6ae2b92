// The helper's command line: "<own path> <process number> <program path> <program path>[ -L]".
//
// The setup program writes it without quotes, so both paths may hold blanks; the program
// path stands twice, which is what tells where it ends. The rules:
//   - The own path comes first. Quoted, it ends at the closing quote. Unquoted, it is the
//     helper's module path when the line starts with that (letter case aside); otherwise
//     it ends at the first blank after which the rest reads as the fields below.
//   - Exactly one blank, then the process number: 1 to 8 hexadecimal digits (either case),
//     not 0; then exactly one blank.
//   - The rest is the program path twice, joined by one blank, and " -L" when the log is
//     off. The " -L" is taken off only when what remains splits into two equal halves.
//     Both readings can never fit the same rest (one has an odd length, the other an even
//     one), so a program path that itself ends in " -L" is read right.
//   - The program path is a full path ("X:\..." or "\\..."), of 1 to 259 characters, and
//     names a file, not a directory (it does not end with a backslash).
#pragma once

#include <windows.h>

#include <string>

struct IsDelRequest
{
    DWORD processId = 0;       // the setup program's process
    std::string programPath;   // the file to delete once that process has ended
    bool logOff = false;       // " -L": write no SETUP.TXT
};

// Reads commandLine (as GetCommandLineA gives it); ownModulePath is the helper's own file,
// or empty when unknown. False, with request untouched, when the line makes no sense.
bool ParseIsDelCommandLine(const char* commandLine, const char* ownModulePath, IsDelRequest& request);
