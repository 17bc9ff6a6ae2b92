// What the tests of the modem registration share: registry keys made and removed by
// the tests, and a count of the registry keys that the program opens and closes.
#pragma once

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "tests/support/ImportSwap.h"

typedef std::vector<std::string> Lines;

// Creates the key path below root as needed and sets one value to the bytes given;
// fails the test when it cannot.
void WriteRegistryValue(HKEY root, const std::string& path, const char* name, DWORD type, const std::string& bytes);
// Creates the key path below root as needed; fails the test when it cannot. Keys below
// HKLM\HARDWARE must be made with REG_OPTION_VOLATILE.
void CreateRegistryKey(HKEY root, const std::string& path, DWORD options = REG_OPTION_NON_VOLATILE);
bool RegistryKeyExists(HKEY root, const std::string& path);
// Deletes the key at path and everything below it; no complaint when there is none.
void DeleteRegistryTree(HKEY root, const std::string& path);

struct RegistryValue
{
    bool present = false;
    DWORD type = REG_NONE;
    std::string bytes;
};
RegistryValue ReadRegistryValue(HKEY key, const char* name);
RegistryValue ReadRegistryValue(HKEY root, const std::string& path, const char* name);

// The registry keys that the program opens through RegOpenKeyExA and gives back
// through RegCloseKey while the counter lives, by swapping those imports for
// forwarders to the real functions. Only one counter may live at a time; swaps made
// later stack on top of it.
class RegKeyCounter
{
public:
    RegKeyCounter();
    ~RegKeyCounter();
    int Opened() const;
    int Closed() const;
    // The keys opened and not closed again.
    const std::set<HKEY>& StillOpen() const;

private:
    RegKeyCounter(const RegKeyCounter&) = delete;
    RegKeyCounter& operator=(const RegKeyCounter&) = delete;
    ImportSwap<decltype(&RegOpenKeyExA)> m_open;
    ImportSwap<decltype(&RegCloseKey)> m_close;
};
