// The string table of a module as stored: counted UTF-16 strings in blocks of 16,
// read for one exact language, with no fallback to another.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

// The 16 strings of string block `block` (IDs (block - 1) * 16 to block * 16 - 1), empty
// where a string is missing; no value when the block is missing or runs past its end.
std::optional<std::vector<std::wstring>> ReadStringBlock(HMODULE module, UINT block, LANGID lang);

// The string of that ID; no value when its block or the string is missing.
std::optional<std::wstring> ReadString(HMODULE module, UINT id, LANGID lang);
