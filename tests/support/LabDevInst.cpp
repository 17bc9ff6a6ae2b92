#include "tests/support/LabDevInst.h"

#include <gtest/gtest.h>
#include <windows.h>

std::string LabDevInstBuildPath()
{
    std::string path = std::string("Z:") + LAB_DEVINST_BUILD_PATH;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

bool LoadLabDevInst()
{
    static HMODULE s_standIn = NULL;
    if (s_standIn == NULL)
        s_standIn = ::LoadLibraryA(LabDevInstBuildPath().c_str());
    EXPECT_TRUE(s_standIn != NULL) << LabDevInstBuildPath() << ": error " << ::GetLastError();
    return s_standIn != NULL;
}

bool CopyLabDevInstTo(const std::string& directory)
{
    std::string target = directory + "LABDEVINST.DLL";
    bool copied = ::CopyFileA(LabDevInstBuildPath().c_str(), target.c_str(), FALSE) != FALSE;
    EXPECT_TRUE(copied) << target << ": error " << ::GetLastError();
    return copied;
}
