// The driver list of the setup INF: one driver per line of the list section, reached
// by position.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <windows.h>
#include <setupapi.h>

#include "driver/CDriverSetup.h"
#include "tests/support/ImportSwap.h"
#include "tests/support/TextFile.h"
#include "tests/support/TraceLog.h"

namespace
{
const char c_dir[] = "C:\\bench\\";
const char c_inf[] = "C:\\bench\\DRV_QVX.INF";
const std::string c_header = "[Version]\r\nSignature=\"$Windows NT$\"\r\n\r\n";

typedef std::vector<std::string> Lines;

class DriverList : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RemovePath(c_inf);
        StartTraceLog();
    }
    void TearDown() override { RemovePath(c_inf); }

    // The names and enumerator IDs of the list, walked as every caller walks it.
    Lines Walk(CDriverSetup& drivers)
    {
        Lines found;
        POSITION pos = (POSITION)1;
        if (!drivers.GetFirstDriver(pos))
            return found;
        EXPECT_EQ(NULL, pos);
        while (drivers.GetNextDriver(pos))
        {
            CString name, id;
            drivers.GetName(pos, name);
            drivers.GetPnPEnumID(pos, id);
            found.push_back(std::string(name) + "|" + std::string(id));
        }
        return found;
    }
};

TEST_F(DriverList, AMissingInfGivesOneLineAndNoDriver)
{
    CDriverSetup drivers(c_dir, c_inf, "Models");
    POSITION pos = (POSITION)1;
    EXPECT_FALSE(drivers.GetFirstDriver(pos));
    EXPECT_EQ(NULL, pos);
    EXPECT_FALSE(drivers.GetNextDriver(pos));
    EXPECT_EQ(NULL, pos);
    EXPECT_EQ(Lines({ "CDriverSetup SetupOpenInfFile error at line 0" }), ReadTraceLogLines());
}

struct ListCase
{
    const char* what;
    std::string contents;
    Lines drivers;   // name|enumerator ID
};

const std::string c_longField(256, 'L');

const ListCase c_lists[] = {
    { "no list section", c_header + "[Other]\r\nBoard = BoardInstall\r\n", {} },
    { "an empty list section", c_header + "[Models]\r\n\r\n[BoardInstall]\r\n", {} },
    { "one line of two fields", c_header + "[Models]\r\nBoard = BoardInstall\r\n", { "Board|" } },
    { "an enumerator ID", c_header + "[Models]\r\nBoard = BoardInstall, PCI\\VEN_1234&DEV_5678\r\n",
      { "Board|PCI&VEN_1234&DEV_5678" } },
    { "strings of the INF",
      c_header + "[Models]\r\n%Board% = BoardInstall, %Id%\r\n[Strings]\r\nBoard=\"Modem Board\"\r\nId=\"A\\B\\C\"\r\n",
      { "Modem Board|A&B&C" } },
    // The INF engine reads a line without "=" that holds several values as having no
    // field 0, and "Key =" as an empty field 1.
    { "a second line without a name",
      c_header + "[Models]\r\nFirst = FirstInstall\r\nSecond, Install\r\nThird = ThirdInstall\r\n", { "First|" } },
    { "an empty install section is still read",
      c_header + "[Models]\r\nFirst = FirstInstall\r\nSecond =\r\n", { "First|", "Second|" } },
    { "three good lines",
      c_header + "[Models]\r\nA = AInstall, X\\1\r\nB = BInstall\r\nC = CInstall, , unused\r\n",
      { "A|X&1", "B|", "C|" } },
    { "a name of 256 characters ends the list",
      c_header + "[Models]\r\nFirst = FirstInstall\r\n" + c_longField + " = Install\r\nLast = LastInstall\r\n",
      { "First|" } },
    { "an install section of 256 characters ends the list",
      c_header + "[Models]\r\nFirst = FirstInstall\r\nSecond = " + c_longField + "\r\nLast = LastInstall\r\n",
      { "First|" } },
    { "an enumerator ID of 256 characters is left empty",
      c_header + "[Models]\r\nFirst = FirstInstall, " + c_longField + "\r\nLast = LastInstall, ok\r\n",
      { "First|", "Last|ok" } },
    { "fields of 255 characters are read whole",
      c_header + "[Models]\r\n" + std::string(255, 'n') + " = Install, " + std::string(255, 'i') + "\r\n",
      { std::string(255, 'n') + "|" + std::string(255, 'i') } },
};

TEST_F(DriverList, ReadsTheLinesOfTheListSection)
{
    for (const ListCase& c : c_lists)
    {
        SCOPED_TRACE(c.what);
        WriteTextFile(c_inf, c.contents);
        StartTraceLog();
        CDriverSetup drivers(c_dir, c_inf, "Models");
        EXPECT_EQ(Lines(), ReadTraceLogLines());   // reading the list writes no line
        EXPECT_EQ(c.drivers, Walk(drivers));
    }
}

// Whatever lies at the INF's path, the list is empty or holds what could be read.
TEST_F(DriverList, FilesThatAreNoInfGiveNoDriver)
{
    struct
    {
        const char* what;
        std::string contents;
    } cases[] = {
        { "an empty file", "" },
        { "binary garbage", std::string("\x00\xff\xfe[Models\x01\x02]\r\n=\x00\x00=", 16) + std::string(4000, '\xa5') },
        { "text without sections", "Board = BoardInstall\r\n" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        WriteTextFile(c_inf, c.contents);
        CDriverSetup drivers(c_dir, c_inf, "Models");
        EXPECT_EQ(Lines(), Walk(drivers));
    }

    RemovePath(c_inf);
    ASSERT_TRUE(::CreateDirectoryA(c_inf, NULL));
    StartTraceLog();
    {
        CDriverSetup drivers(c_dir, c_inf, "Models");
        EXPECT_EQ(Lines(), Walk(drivers));
    }
    Lines lines = ReadTraceLogLines();
    EXPECT_EQ(Lines({ "CDriverSetup SetupOpenInfFile error at line 0" }), lines);
    ::RemoveDirectoryA(c_inf);
}

TEST_F(DriverList, PositionsWalkTheListAndStopAtItsEnd)
{
    WriteTextFile(c_inf, c_header + "[Models]\r\nOne = OneInstall\r\nTwo = TwoInstall\r\n");
    CDriverSetup drivers(c_dir, c_inf, "Models");
    POSITION pos = (POSITION)1;
    ASSERT_TRUE(drivers.GetFirstDriver(pos));
    EXPECT_EQ(NULL, pos);
    ASSERT_TRUE(drivers.GetNextDriver(pos));
    POSITION first = pos;
    ASSERT_TRUE(drivers.GetNextDriver(pos));
    POSITION second = pos;
    EXPECT_NE(first, second);
    EXPECT_FALSE(drivers.GetNextDriver(pos));
    EXPECT_EQ(second, pos);

    StartTraceLog();
    CString name;
    drivers.GetName(first, name);
    EXPECT_STREQ("One", name);
    drivers.GetName(second, name);
    EXPECT_STREQ("Two", name);
    EXPECT_EQ(Lines({ "GetName exit with One", "GetName exit with Two" }), ReadTraceLogLines());
}

TEST_F(DriverList, NamesAndIdsChangeAsTheyAreSet)
{
    WriteTextFile(c_inf, c_header + "[Models]\r\nBoard = BoardInstall, PCI\\VEN_1234\r\n");
    CDriverSetup drivers(c_dir, c_inf, "Models");
    POSITION pos;
    ASSERT_TRUE(drivers.GetFirstDriver(pos) && drivers.GetNextDriver(pos));
    StartTraceLog();
    CString value;
    drivers.GetPnPEnumID(pos, value);
    EXPECT_STREQ("PCI&VEN_1234", value);
    drivers.SetPnPEnumID(pos, "A\\B");
    drivers.GetPnPEnumID(pos, value);
    EXPECT_STREQ("A\\B", value);
    drivers.SetName(pos, "Modem on the board");
    drivers.GetName(pos, value);
    EXPECT_STREQ("Modem on the board", value);
    EXPECT_EQ(Lines({ "GetPnPEnumID exit with PCI&VEN_1234", "SetPnPEnumID exit with A\\B",
                      "GetPnPEnumID exit with A\\B", "SetName exit with Modem on the board",
                      "GetName exit with Modem on the board" }),
              ReadTraceLogLines());
}

// The driver keeps the install section and leaves the service name to be looked up.
TEST_F(DriverList, ADriverStartsWithoutItsServiceName)
{
    WriteTextFile(c_inf, c_header + "[Models]\r\nBoard = BoardInstall\r\n[BoardInstall.Services]\r\nAddService = qvx, 2, S\r\n");
    CDriverSetup drivers(c_dir, c_inf, "Models");
    POSITION pos;
    ASSERT_TRUE(drivers.GetFirstDriver(pos) && drivers.GetNextDriver(pos));
    StartTraceLog();
    CString serviceName;
    EXPECT_EQ(ST_SUCCESS, drivers.GetDriverServiceName(pos, serviceName));
    EXPECT_STREQ("qvx", serviceName);
    EXPECT_EQ(Lines({ std::string("GetDriverServiceName calling SetupOpenInfFile for ") + c_inf,
                      "GetDriverServiceName looking for BoardInstall.Services", "GetDriverServiceName got qvx",
                      "GetDriverServiceName exit with uRet 0" }),
              ReadTraceLogLines());
}

size_t g_failingSize = 0;
decltype(&malloc) g_realMalloc = NULL;
void* __cdecl FailAllocationsOfOneSize(size_t size)
{
    return size == g_failingSize ? NULL : g_realMalloc(size);
}

TEST_F(DriverList, ADriverThatCannotBeAllocatedEndsTheList)
{
    WriteTextFile(c_inf, c_header + "[Models]\r\nOne = OneInstall\r\nTwo = TwoInstall\r\n");
    g_failingSize = sizeof(CDriver);
    ImportSwap<void* (*)(size_t)> swap("msvcrt.dll", "malloc", FailAllocationsOfOneSize);
    ASSERT_TRUE(swap.IsActive());
    g_realMalloc = swap.Original();
    CDriverSetup drivers(c_dir, c_inf, "Models");
    EXPECT_EQ(Lines(), Walk(drivers));
}

// Reading the list opens the INF once and closes it again, on every path.
int g_opens = 0;
int g_closes = 0;
decltype(&SetupOpenInfFileA) g_realOpen = NULL;
decltype(&SetupCloseInfFile) g_realClose = NULL;
HINF WINAPI CountingOpen(PCSTR name, PCSTR infClass, DWORD style, PUINT errorLine)
{
    HINF inf = g_realOpen(name, infClass, style, errorLine);
    if (inf != INVALID_HANDLE_VALUE)
        g_opens++;
    return inf;
}
void WINAPI CountingClose(HINF inf)
{
    g_closes++;
    g_realClose(inf);
}

TEST_F(DriverList, ClosesTheInfOnEveryPath)
{
    const std::string contents[] = {
        c_header + "[Models]\r\nA = AInstall\r\nB = BInstall\r\n",
        c_header + "[Models]\r\nA = AInstall\r\nB\r\n",
        c_header + "[Other]\r\n",
    };
    ImportSwap<decltype(&SetupOpenInfFileA)> open("setupapi.dll", "SetupOpenInfFileA", CountingOpen);
    ImportSwap<decltype(&SetupCloseInfFile)> close("setupapi.dll", "SetupCloseInfFile", CountingClose);
    ASSERT_TRUE(open.IsActive() && close.IsActive());
    g_realOpen = open.Original();
    g_realClose = close.Original();
    for (const std::string& content : contents)
    {
        WriteTextFile(c_inf, content);
        g_opens = g_closes = 0;
        {
            CDriverSetup drivers(c_dir, c_inf, "Models");
        }
        EXPECT_EQ(1, g_opens);
        EXPECT_EQ(1, g_closes);
    }
}
}
