// The state of the machine as the tests read it back: registry values and services.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// A REG_SZ value below HKEY_LOCAL_MACHINE; "(none)" when there is none.
std::string ReadMachineString(const std::string& path, const char* value);
// The bytes of a value below HKEY_LOCAL_MACHINE (at most 16); empty when there is none.
std::vector<BYTE> ReadMachineBytes(const std::string& path, const char* value);
// The service's dwCurrentState; 0 when it cannot be queried.
DWORD ReadServiceState(const std::string& name);

// The strings of the device tree's AttachedComponents (HTREE\Root\0), up to the empty
// string that closes them or the end of the data.
std::vector<std::string> ReadAttachedComponents();
// Takes the lab board's modem away again: its device keys Enum\Root\<identifier> and
// every driver key of the Modem class.
void RemoveTheModemDevice(const std::string& identifier);

// A program path that GetModuleFileNameA reports, for tests of paths that do not fit
// a buffer: a swap's replacement that answers as the real function does, cutting the
// path and reporting ERROR_INSUFFICIENT_BUFFER when it is too long.
void SetFakeModulePath(const std::string& path);
DWORD WINAPI FakeGetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);
