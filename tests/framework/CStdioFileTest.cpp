// The text file of the trace log: its two open modes, no sharing while open, and the
// text mode's line ends.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "framework/CStdioFile.h"

namespace
{
const char c_path[] = "C:\\stdiofile.txt";

std::string Contents()
{
    std::ifstream file(c_path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

class StdioFile : public ::testing::Test
{
protected:
    void SetUp() override { ::DeleteFileA(c_path); }
    void TearDown() override { ::DeleteFileA(c_path); }
};

TEST_F(StdioFile, WriteModeNeedsAnExistingFile)
{
    CStdioFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(c_path, CFile::modeWrite | CFile::typeText, &error));
    EXPECT_EQ(CFileException::genericException, error.m_cause);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, (DWORD)error.m_lOsError);
    EXPECT_EQ(NULL, file.m_pStream);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(c_path));
}

TEST_F(StdioFile, CreateModeCutsAndWriteModeAppends)
{
    CStdioFile file;
    ASSERT_TRUE(file.Open(c_path, CFile::modeCreate | CFile::modeWrite | CFile::typeText));
    EXPECT_EQ(0x5001u, (UINT)(CFile::modeCreate | CFile::modeWrite | CFile::typeText));
    file.WriteString("abc\n");
    file.Close();
    EXPECT_EQ("abc\r\n", Contents());

    ASSERT_TRUE(file.Open(c_path, CFile::modeWrite | CFile::typeText));
    EXPECT_EQ(5u, file.Seek(0, CFile::end));
    file.WriteString("de\nf\n");
    file.Close();
    EXPECT_EQ("abc\r\nde\r\nf\r\n", Contents());

    ASSERT_TRUE(file.Open(c_path, CFile::modeCreate | CFile::modeWrite | CFile::typeText));
    file.WriteString("new\n");
    file.Close();
    EXPECT_EQ("new\r\n", Contents());
}

TEST_F(StdioFile, SharesNothingWhileOpen)
{
    CStdioFile file;
    ASSERT_TRUE(file.Open(c_path, CFile::modeCreate | CFile::modeWrite | CFile::typeText));
    HANDLE other = ::CreateFileA(c_path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                 OPEN_EXISTING, 0, NULL);
    EXPECT_EQ(INVALID_HANDLE_VALUE, other);
    EXPECT_EQ(ERROR_SHARING_VIOLATION, ::GetLastError());

    CStdioFile second;
    EXPECT_FALSE(second.Open(c_path, CFile::modeWrite | CFile::typeText));
    file.Close();
    EXPECT_TRUE(second.Open(c_path, CFile::modeWrite | CFile::typeText));
}

TEST_F(StdioFile, ClosingGivesTheHandleBack)
{
    DWORD before = 0, after = 0;
    ::GetProcessHandleCount(::GetCurrentProcess(), &before);
    {
        CStdioFile file;
        ASSERT_TRUE(file.Open(c_path, CFile::modeCreate | CFile::modeWrite | CFile::typeText));
        file.Close();
        ASSERT_TRUE(file.Open(c_path, CFile::modeWrite | CFile::typeText));
        // left open: the destructor closes it
    }
    ::GetProcessHandleCount(::GetCurrentProcess(), &after);
    EXPECT_EQ(before, after);
}
}
