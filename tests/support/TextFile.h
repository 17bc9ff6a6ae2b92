// Files that the tests lay on disk: INF files, garbage, files of a given size.
#pragma once

#include <string>

// Writes bytes as they stand to path, replacing any file there; fails the test when it cannot.
void WriteTextFile(const std::string& path, const std::string& bytes);
// Deletes the file, or the empty directory, at path; no complaint when there is none.
void RemovePath(const std::string& path);
