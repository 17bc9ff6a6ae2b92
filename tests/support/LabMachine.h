// The lab machine as a test program sets it up: the sample driver package laid out in
// a folder, the shipped programs run from there as processes, their logs read back.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Copies SETUP.EXE, the sample package's INF files, the board stand-in (as QVXBOARD.EXE),
// ISDEL.EXE and the country applet pmzcpl.cpl into directory (with a trailing backslash,
// created when missing).
// Failures are test failures; false then.
bool LayOutSamplePackage(const std::string& directory);
// Starts the command line from C:\ and waits for it; its exit code, 0xDEAD when it did
// not end within timeoutMs (it is ended then), or 0x80000000 | the error when it could not be started.
// process, when given, receives its process number.
DWORD RunProgram(const std::string& cmdLine, DWORD timeoutMs = 60000);
// Starts the command line from C:\ without waiting; the process handle, or NULL.
HANDLE StartProgram(const std::string& cmdLine);
// The lines of a log file as stored, without their "\r\n"; empty when there is none.
std::vector<std::string> ReadLogFileLines(const std::string& path);
