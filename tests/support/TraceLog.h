// The trace log as the tests see it: switched on, beside the test program, emptied
// before each test, and read back as bytes.
#pragma once

#include <string>
#include <vector>

// Switches the program's log on (SETUP.TXT beside the test program) and deletes the file.
void StartTraceLog();
// The whole file as stored, "\r\n" included; empty when there is no file.
std::string ReadTraceLogBytes();
// The lines of the file with their "\r\n" taken off; fails the test when a line lacks it.
std::vector<std::string> ReadTraceLogLines();
// Full path of SETUP.TXT beside the test program.
std::string TraceLogPath();
