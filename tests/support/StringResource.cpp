#include "tests/support/StringResource.h"

std::optional<std::vector<std::wstring>> ReadStringBlock(HMODULE module, UINT block, LANGID lang)
{
    HRSRC found = ::FindResourceExW(module, (LPCWSTR)RT_STRING, MAKEINTRESOURCEW(block), lang);
    if (found == NULL)
        return std::nullopt;
    HGLOBAL loaded = ::LoadResource(module, found);
    const WCHAR* p = loaded != NULL ? (const WCHAR*)::LockResource(loaded) : NULL;
    if (p == NULL)
        return std::nullopt;
    const WCHAR* end = p + ::SizeofResource(module, found) / sizeof(WCHAR);
    std::vector<std::wstring> strings;
    for (int i = 0; i < 16 && p < end; i++) {
        size_t length = *p++;
        if (length > (size_t)(end - p))
            return std::nullopt;
        strings.emplace_back(p, length);
        p += length;
    }
    strings.resize(16);
    return strings;
}

std::optional<std::wstring> ReadString(HMODULE module, UINT id, LANGID lang)
{
    std::optional<std::vector<std::wstring>> block = ReadStringBlock(module, id / 16 + 1, lang);
    if (!block || (*block)[id % 16].empty())
        return std::nullopt;
    return (*block)[id % 16];
}
