// The modem's name from the Models lines of the INF files beside the program.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <windows.h>
#include <setupapi.h>

#include "tests/modem/ModemTestSupport.h"
#include "tests/support/ImportSwap.h"
#include "tests/support/TextFile.h"
#include "tests/support/TraceLog.h"
#include "wizard/CInstDriverPage.h"

namespace
{
const char c_id[] = "VEN_00AB&DEV_003C&SUBSYS_004D005E&REV_01";
const std::string c_header = "[Version]\r\nSignature=\"$Windows NT$\"\r\n\r\n";
const std::string c_found = "CInstDriverPage::GetTheInfFileDescription return with 1";
const std::string c_notFound = "CInstDriverPage::GetTheInfFileDescription return with 0";

std::string ProgramDirectory()
{
    char path[MAX_PATH];
    DWORD length = ::GetModuleFileNameA(NULL, path, sizeof(path));
    std::string result(path, length);
    return result.substr(0, result.find_last_of('\\') + 1);
}

std::string ModemInf(const std::string& modelsLines)
{
    return c_header + "[Models]\r\n" + modelsLines;
}

std::string OpenErrorLine(unsigned line)
{
    return "GetTheInfFileDescription SetupOpenInfFile error at line " + std::to_string(line);
}

// Counts the INF handles and the file searches that the program opens and closes.
struct InfCounts
{
    int infsOpened = 0;
    int infsClosed = 0;
    int mostInfsOpen = 0;
    int searchesOpened = 0;
    int searchesClosed = 0;
};
InfCounts s_counts;
decltype(&SetupOpenInfFileA) s_openInf;
decltype(&SetupCloseInfFile) s_closeInf;
decltype(&FindFirstFileA) s_findFirst;
decltype(&FindClose) s_findClose;

HINF WINAPI CountingSetupOpenInfFileA(PCSTR name, PCSTR infClass, DWORD style, PUINT errorLine)
{
    HINF inf = s_openInf(name, infClass, style, errorLine);
    if (inf != INVALID_HANDLE_VALUE)
    {
        s_counts.infsOpened++;
        s_counts.mostInfsOpen = std::max(s_counts.mostInfsOpen, s_counts.infsOpened - s_counts.infsClosed);
    }
    return inf;
}
void WINAPI CountingSetupCloseInfFile(HINF inf)
{
    s_counts.infsClosed++;
    s_closeInf(inf);
}
HANDLE WINAPI CountingFindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data)
{
    HANDLE search = s_findFirst(pattern, data);
    if (search != INVALID_HANDLE_VALUE)
        s_counts.searchesOpened++;
    return search;
}
BOOL WINAPI CountingFindClose(HANDLE search)
{
    s_counts.searchesClosed++;
    return s_findClose(search);
}

class InfHandleCounter
{
public:
    InfHandleCounter()
        : m_openInf("setupapi.dll", "SetupOpenInfFileA", CountingSetupOpenInfFileA),
          m_closeInf("setupapi.dll", "SetupCloseInfFile", CountingSetupCloseInfFile),
          m_findFirst("kernel32.dll", "FindFirstFileA", CountingFindFirstFileA),
          m_findClose("kernel32.dll", "FindClose", CountingFindClose)
    {
        EXPECT_TRUE(m_openInf.IsActive() && m_closeInf.IsActive() && m_findFirst.IsActive() && m_findClose.IsActive());
        s_openInf = m_openInf.Original();
        s_closeInf = m_closeInf.Original();
        s_findFirst = m_findFirst.Original();
        s_findClose = m_findClose.Original();
        s_counts = InfCounts();
    }
    const InfCounts& Counts() const { return s_counts; }

private:
    ImportSwap<decltype(&SetupOpenInfFileA)> m_openInf;
    ImportSwap<decltype(&SetupCloseInfFile)> m_closeInf;
    ImportSwap<decltype(&FindFirstFileA)> m_findFirst;
    ImportSwap<decltype(&FindClose)> m_findClose;
};

class InfLookup : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RemoveInfs();
        StartTraceLog();
    }
    void TearDown() override { RemoveInfs(); }

    void WriteInf(const std::string& name, const std::string& bytes)
    {
        WriteTextFile(ProgramDirectory() + name, bytes);
        m_written.push_back(name);
    }
    // Deletes the files written, and whatever else the search would find.
    void RemoveInfs()
    {
        for (const std::string& name : m_written)
            RemovePath(ProgramDirectory() + name);
        m_written.clear();
        for (const std::string& name : SearchOrder())
            RemovePath(ProgramDirectory() + name);
    }
    // The names that the directory search returns, in its order.
    static std::vector<std::string> SearchOrder()
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA data;
        HANDLE search = ::FindFirstFileA((ProgramDirectory() + "*.INF").c_str(), &data);
        if (search == INVALID_HANDLE_VALUE)
            return names;
        do
            names.push_back(data.cFileName);
        while (::FindNextFileA(search, &data));
        ::FindClose(search);
        return names;
    }

    // Runs the lookup on a description that held "untouched", and checks that every
    // INF and every search was closed again and that INFs were open one at a time.
    BOOLEAN Lookup(CString& description, LPCSTR identifier = c_id)
    {
        description = "untouched";
        InfHandleCounter counter;
        BOOLEAN found = CInstDriverPage::GetTheInfFileDescription(identifier, description);
        EXPECT_EQ(counter.Counts().infsOpened, counter.Counts().infsClosed);
        EXPECT_LE(counter.Counts().mostInfsOpen, 1);
        EXPECT_EQ(counter.Counts().searchesOpened, counter.Counts().searchesClosed);
        return found;
    }

    std::vector<std::string> m_written;
};

TEST_F(InfLookup, NoInfBesideTheProgram)
{
    CString description;
    EXPECT_FALSE(Lookup(description));
    EXPECT_STREQ("untouched", description);
    EXPECT_EQ(Lines({ c_notFound }), ReadTraceLogLines());
}

TEST_F(InfLookup, TheModelsLinesOfOneInf)
{
    const std::string key131(131, 'k');
    const std::string field131(131, 'f');
    struct
    {
        const char* what;
        std::string contents;
        const char* description;   // NULL: no match
    } cases[] = {
        { "the identifier in upper case", ModemInf("Board Modem = Install, VEN_00AB&DEV_003C&SUBSYS_004D005E&REV_01\r\n"),
          "Board Modem" },
        { "lower-case hexadecimal and prefixes",
          ModemInf("Board Modem = Install, ven_00ab&dev_003c&subsys_004d005e&rev_01\r\n"), "Board Modem" },
        { "further fields after field 2", ModemInf(std::string("Board = Install, ") + c_id + ", PCI\\VEN_00AB, x\r\n"),
          "Board" },
        { "the key as the INF's strings give it",
          ModemInf(std::string("%Board% = Install, ") + c_id + "\r\n") + "[Strings]\r\nBoard=\"Modem on the board\"\r\n",
          "Modem on the board" },
        { "the first matching line of several",
          ModemInf(std::string("Other = Install, VEN_1234\r\nFirst = Install, ") + c_id + "\r\nSecond = Install, " + c_id
                   + "\r\n"),
          "First" },
        { "the identifier with further text", ModemInf(std::string("Board = Install, ") + c_id + "X\r\n"), NULL },
        { "the identifier behind a bus prefix", ModemInf(std::string("Board = Install, PCI\\") + c_id + "\r\n"), NULL },
        { "a line without field 2 ends the INF",
          ModemInf(std::string("First = Install\r\nBoard = Install, ") + c_id + "\r\n"), NULL },
        { "a line with an empty field 2 is read and passed over",
          ModemInf(std::string("First = Install,\r\nBoard = Install, ") + c_id + "\r\n"), "Board" },
        { "a line without a key ends the INF",
          ModemInf(std::string("Install, VEN_1234\r\nBoard = Install, ") + c_id + "\r\n"), NULL },
        { "a key of 131 characters is read whole", ModemInf(key131 + " = Install, " + c_id + "\r\n"), key131.c_str() },
        { "a field 2 of 131 characters is read whole",
          ModemInf("Other = Install, " + field131 + "\r\nBoard = Install, " + c_id + "\r\n"), "Board" },
        { "a key of 132 characters ends the INF",
          ModemInf(std::string(132, 'k') + " = Install, " + c_id + "\r\nBoard = Install, " + c_id + "\r\n"), NULL },
        { "a field 2 of 132 characters ends the INF",
          ModemInf("Other = Install, " + std::string(132, 'f') + "\r\nBoard = Install, " + c_id + "\r\n"), NULL },
        { "a key of 300 characters ends the INF",
          ModemInf(std::string(300, 'k') + " = Install, " + c_id + "\r\n"), NULL },
        { "no Models section", c_header + "[Other]\r\nBoard = Install, " + c_id + "\r\n", NULL },
        { "an empty Models section", ModemInf("") + "[Install]\r\n", NULL },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        WriteInf("MODEM.INF", c.contents);
        StartTraceLog();
        CString description;
        EXPECT_EQ(c.description != NULL, Lookup(description) != FALSE);
        EXPECT_STREQ(c.description != NULL ? c.description : "untouched", description);
        EXPECT_EQ(Lines({ c.description != NULL ? c_found : c_notFound }), ReadTraceLogLines());
    }
}

// INFs are taken in the order of the directory search, whatever order they were
// written in; the first match ends the search.
TEST_F(InfLookup, TheFirstInfOfTheSearchWins)
{
    WriteInf("ZULU.INF", ModemInf(std::string("Zulu Modem = Install, ") + c_id + "\r\n"));
    WriteInf("alpha.inf", ModemInf(std::string("Alpha Modem = Install, ") + c_id + "\r\n"));
    WriteInf("MIKE.INF", ModemInf(std::string("Mike Modem = Install, ") + c_id + "\r\n"));
    std::vector<std::string> order = SearchOrder();
    ASSERT_EQ(3u, order.size());
    const char* expected = order[0] == "ZULU.INF" ? "Zulu Modem" : order[0] == "alpha.inf" ? "Alpha Modem" : "Mike Modem";

    InfHandleCounter counter;
    CString description;
    EXPECT_TRUE(CInstDriverPage::GetTheInfFileDescription(c_id, description));
    EXPECT_STREQ(expected, description);
    EXPECT_EQ(1, counter.Counts().infsOpened);   // the INFs after the first match are not opened
    EXPECT_EQ(1, counter.Counts().infsClosed);
    EXPECT_EQ(Lines({ c_found }), ReadTraceLogLines());
}

// An INF that does not parse is logged with its error line and skipped; so is one
// that parses but ends its search early, and one without a Models section.
TEST_F(InfLookup, InfsThatGiveNothingAreSkipped)
{
    struct
    {
        const char* name;
        std::string contents;
        const char* line;   // the open's error line, or NULL when the INF opens
    } infs[] = {
        { "A_TEXT.INF", "Board = Install\r\n" + ModemInf(std::string("Board = Install, ") + c_id + "\r\n"), "1" },
        { "B_OPEN.INF", c_header + "[Models\r\nBoard = Install, " + c_id + "\r\n", "4" },
        { "C_STYLE.INF", "[Models]\r\nBoard = Install, " + std::string(c_id) + "\r\n", "0" },
        { "D_EMPTY.INF", "", "0" },
        { "E_SHORT.INF", ModemInf(std::string("Board = Install\r\nLater = Install, ") + c_id + "\r\n"), NULL },
        { "F_NONE.INF", c_header + "[Strings]\r\nA=\"B\"\r\n", NULL },
        { "G_MATCH.INF", ModemInf(std::string("Matching Modem = Install, ") + c_id + "\r\n"), NULL },
        { "H_LATER.INF", "garbage\r\n", "1" },
    };
    for (const auto& inf : infs)
        WriteInf(inf.name, inf.contents);

    // What the search should log, taking the INFs in the search's order up to the match.
    Lines expected;
    for (const std::string& name : SearchOrder())
    {
        if (name == "G_MATCH.INF")
            break;
        for (const auto& inf : infs)
            if (name == inf.name && inf.line != NULL)
                expected.push_back(OpenErrorLine(std::stoul(inf.line)));
    }
    expected.push_back(c_found);

    CString description;
    EXPECT_TRUE(Lookup(description));
    EXPECT_STREQ("Matching Modem", description);
    EXPECT_EQ(expected, ReadTraceLogLines());
}

// Hundreds of INFs, a tenth of them binary garbage, with the one match in the INF that
// the search returns last.
TEST_F(InfLookup, HundredsOfInfsAreAllSearched)
{
    const int count = 300;
    std::string garbage(2000, '\0');
    unsigned seed = 12345;
    for (char& c : garbage)
    {
        seed = seed * 1103515245 + 12345;
        c = (char)(seed >> 16);
    }
    garbage[0] = '\x01';   // a first line that is no section header
    for (int i = 0; i < count; i++)
    {
        char name[32];
        snprintf(name, sizeof(name), "M%03d.INF", i);
        if (i % 10 == 5)
            WriteInf(name, garbage);
        else
        {
            char line[96];
            snprintf(line, sizeof(line), "Modem %d = Install, VEN_00AB&DEV_003C&SUBSYS_004D005E&REV_%02X\r\n", i,
                     (unsigned)(i % 255 + 2));
            WriteInf(name, ModemInf(line));
        }
    }
    std::vector<std::string> order = SearchOrder();
    ASSERT_EQ((size_t)count, order.size());
    std::string last = order.back();
    ASSERT_NE('5', last[3]) << "the last INF holds the match";
    WriteInf(last, ModemInf(std::string("Last Modem = Install, ") + c_id + "\r\n"));

    Lines expected;
    for (const std::string& name : order)
        if (name[3] == '5')
            expected.push_back(OpenErrorLine(1));
    expected.push_back(c_found);

    DWORD start = ::GetTickCount();
    CString description;
    EXPECT_TRUE(Lookup(description));
    EXPECT_LT(::GetTickCount() - start, 10000u);
    EXPECT_STREQ("Last Modem", description);
    EXPECT_EQ(expected, ReadTraceLogLines());
}

// A directory whose name ends in .INF is found by the search too, and fails to open.
TEST_F(InfLookup, ADirectoryNamedLikeAnInf)
{
    std::string directory = ProgramDirectory() + "FOLDER.INF";
    ASSERT_TRUE(::CreateDirectoryA(directory.c_str(), NULL));
    CString description;
    EXPECT_FALSE(Lookup(description));
    ::RemoveDirectoryA(directory.c_str());
    EXPECT_EQ(Lines({ OpenErrorLine(0), c_notFound }), ReadTraceLogLines());
}

// A program path that does not fit the buffers of 512 characters, or has no file
// part, gives no directory to search: nothing is opened and the result is "not found".
DWORD WINAPI NoModulePath(HMODULE, LPSTR, DWORD)
{
    return 0;
}
DWORD WINAPI ModulePathCutShort(HMODULE, LPSTR buffer, DWORD size)
{
    memset(buffer, 'p', size - 1);
    buffer[size - 1] = '\0';
    return size;
}
std::string s_directoryOnly;   // set before the swap: ProgramDirectory goes through the swapped function
DWORD WINAPI ModulePathWithoutFilePart(HMODULE, LPSTR buffer, DWORD size)
{
    lstrcpynA(buffer, s_directoryOnly.c_str(), (int)size);
    return (DWORD)strlen(buffer);
}

TEST_F(InfLookup, AProgramPathThatDoesNotFit)
{
    WriteInf("MODEM.INF", ModemInf(std::string("Board = Install, ") + c_id + "\r\n"));
    s_directoryOnly = ProgramDirectory();
    struct
    {
        const char* what;
        decltype(&GetModuleFileNameA) moduleFileName;
    } cases[] = {
        { "no path", NoModulePath },
        { "a path cut at 512 characters", ModulePathCutShort },
        { "a path without a file part", ModulePathWithoutFilePart },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        StartTraceLog();   // before the swap: the log finds its place through the same function
        CString description = "untouched";
        BOOLEAN found;
        int searches;
        {
            ImportSwap<decltype(&GetModuleFileNameA)> swap("kernel32.dll", "GetModuleFileNameA", c.moduleFileName);
            ASSERT_TRUE(swap.IsActive());
            InfHandleCounter counter;
            found = CInstDriverPage::GetTheInfFileDescription(c_id, description);
            searches = counter.Counts().searchesOpened;
        }
        EXPECT_FALSE(found);
        EXPECT_EQ(0, searches);
        EXPECT_STREQ("untouched", description);
        EXPECT_EQ(Lines({ c_notFound }), ReadTraceLogLines());
    }
}
}   // namespace
