#include "tests/modem/ModemTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

void CreateRegistryKey(HKEY root, const std::string& path, DWORD options)
{
    HKEY key = NULL;
    LONG error = ::RegCreateKeyExA(root, path.c_str(), 0, NULL, options, KEY_ALL_ACCESS, NULL, &key, NULL);
    ASSERT_EQ(ERROR_SUCCESS, error) << path;
    ::RegCloseKey(key);
}

void WriteRegistryValue(HKEY root, const std::string& path, const char* name, DWORD type, const std::string& bytes)
{
    HKEY key = NULL;
    LONG error = ::RegCreateKeyExA(root, path.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL);
    ASSERT_EQ(ERROR_SUCCESS, error) << path;
    error = ::RegSetValueExA(key, name, 0, type, (const BYTE*)bytes.data(), (DWORD)bytes.size());
    ::RegCloseKey(key);
    ASSERT_EQ(ERROR_SUCCESS, error) << path << " " << name;
}

bool RegistryKeyExists(HKEY root, const std::string& path)
{
    HKEY key = NULL;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(key);
    return true;
}

void DeleteRegistryTree(HKEY root, const std::string& path)
{
    ::RegDeleteTreeA(root, path.c_str());
}

RegistryValue ReadRegistryValue(HKEY key, const char* name)
{
    RegistryValue value;
    DWORD size = 0;
    if (::RegQueryValueExA(key, name, NULL, &value.type, NULL, &size) != ERROR_SUCCESS)
        return value;
    std::vector<char> bytes(size + 1);
    if (::RegQueryValueExA(key, name, NULL, &value.type, (BYTE*)bytes.data(), &size) != ERROR_SUCCESS)
        return value;
    value.present = true;
    value.bytes.assign(bytes.data(), size);
    return value;
}

RegistryValue ReadRegistryValue(HKEY root, const std::string& path, const char* name)
{
    HKEY key = NULL;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return RegistryValue();
    RegistryValue value = ReadRegistryValue(key, name);
    ::RegCloseKey(key);
    return value;
}

namespace
{
RegKeyCounter* s_counter = NULL;
int s_opened = 0;
int s_closed = 0;
std::set<HKEY> s_stillOpen;
decltype(&RegOpenKeyExA) s_originalOpen = NULL;
decltype(&RegCloseKey) s_originalClose = NULL;

LSTATUS WINAPI CountingRegOpenKeyExA(HKEY root, LPCSTR subKey, DWORD options, REGSAM desired, PHKEY result)
{
    LSTATUS error = s_originalOpen(root, subKey, options, desired, result);
    if (error == ERROR_SUCCESS && s_counter != NULL)
    {
        s_opened++;
        s_stillOpen.insert(*result);
    }
    return error;
}

LSTATUS WINAPI CountingRegCloseKey(HKEY key)
{
    if (s_counter != NULL)
    {
        s_closed++;
        s_stillOpen.erase(key);
    }
    return s_originalClose(key);
}
}   // namespace

RegKeyCounter::RegKeyCounter()
    : m_open("advapi32.dll", "RegOpenKeyExA", CountingRegOpenKeyExA),
      m_close("advapi32.dll", "RegCloseKey", CountingRegCloseKey)
{
    EXPECT_EQ(NULL, s_counter) << "one counter at a time";
    EXPECT_TRUE(m_open.IsActive() && m_close.IsActive());
    s_originalOpen = m_open.Original();
    s_originalClose = m_close.Original();
    s_opened = 0;
    s_closed = 0;
    s_stillOpen.clear();
    s_counter = this;
}

RegKeyCounter::~RegKeyCounter()
{
    s_counter = NULL;
}

int RegKeyCounter::Opened() const
{
    return s_opened;
}

int RegKeyCounter::Closed() const
{
    return s_closed;
}

const std::set<HKEY>& RegKeyCounter::StillOpen() const
{
    return s_stillOpen;
}
