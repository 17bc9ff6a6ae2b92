#include "tests/support/TextFile.h"

#include <gtest/gtest.h>
#include <windows.h>

void WriteTextFile(const std::string& path, const std::string& bytes)
{
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, file) << path << ": error " << ::GetLastError();
    DWORD written = 0;
    BOOL ok = ::WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, NULL);
    ::CloseHandle(file);
    ASSERT_TRUE(ok && written == bytes.size()) << path;
}

void RemovePath(const std::string& path)
{
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!::DeleteFileA(path.c_str()))
        ::RemoveDirectoryA(path.c_str());
}
