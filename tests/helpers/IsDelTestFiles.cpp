#include "tests/helpers/IsDelTestFiles.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdarg>
#include <cstdio>

bool PathExists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveTree(const std::string& directory)
{
    std::string base = directory.back() == '\\' ? directory : directory + "\\";
    WIN32_FIND_DATAA found;
    HANDLE find = ::FindFirstFileA((base + "*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE)
    {
        do
        {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = base + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
            {
                ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileA(path.c_str());
            }
        } while (::FindNextFileA(find, &found));
        ::FindClose(find);
    }
    ::RemoveDirectoryA(base.substr(0, base.size() - 1).c_str());
}

std::vector<std::string> ReadLogLines(const std::string& path)
{
    std::vector<std::string> lines;
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return lines;
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(file, buffer, sizeof(buffer), &read, NULL) && read > 0)
        bytes.append(buffer, read);
    ::CloseHandle(file);

    size_t start = 0;
    while (start < bytes.size())
    {
        size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos)
        {
            ADD_FAILURE() << "a line without \\r\\n in " << path << ": " << bytes.substr(start);
            break;
        }
        lines.push_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::string Format(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    va_list measuring;
    va_copy(measuring, arguments);
    int length = vsnprintf(NULL, 0, format, measuring);
    va_end(measuring);
    std::string text(length > 0 ? (size_t)length : 0, '\0');
    if (length > 0)
    {
        std::vector<char> buffer((size_t)length + 1);
        vsnprintf(buffer.data(), buffer.size(), format, arguments);
        text.assign(buffer.data(), (size_t)length);
    }
    va_end(arguments);
    return text;
}
