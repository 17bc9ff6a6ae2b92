// Files and directories that the helper's tests lay out and look at afterwards.
#pragma once

#include <string>
#include <vector>

bool PathExists(const std::string& path);
// Deletes a directory with everything below it; no complaint when there is none.
void RemoveTree(const std::string& directory);
// The lines of a log as stored, "\r\n" taken off; fails the test when a line lacks it.
// Empty when there is no file.
std::vector<std::string> ReadLogLines(const std::string& path);
// printf-style formatting into a string of the length needed.
std::string Format(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
