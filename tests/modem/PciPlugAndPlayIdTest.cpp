// The board's identifier from the five PCI values below the driver's parameters key.
#include <gtest/gtest.h>

#include <string>

#include <windows.h>

#include "modem/PciPlugAndPlayId.h"
#include "tests/modem/ModemTestSupport.h"
#include "tests/support/TraceLog.h"

namespace
{
const char c_service[] = "QvxTest";
const std::string c_serviceKey = "SYSTEM\\CurrentControlSet\\Services\\QvxTest";
const std::string c_parametersKey = c_serviceKey + "\\Parameters\\QvxTest0";
const char* const c_names[] = { "PciVendorID", "PciDeviceID", "PciSubsystemID", "PciSubsystemVendorID", "PciRevision" };

std::string Dword(DWORD value)
{
    return std::string((const char*)&value, sizeof(value));
}

class PciIdentifier : public ::testing::Test
{
protected:
    void SetUp() override
    {
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, c_serviceKey);
        StartTraceLog();
    }
    void TearDown() override { DeleteRegistryTree(HKEY_LOCAL_MACHINE, c_serviceKey); }

    void WriteValues(const DWORD (&values)[5])
    {
        for (int i = 0; i < 5; i++)
            WriteRegistryValue(HKEY_LOCAL_MACHINE, c_parametersKey, c_names[i], REG_DWORD, Dword(values[i]));
    }

    // Runs the routine on an identifier that held "previous" and checks that every key
    // it opened was closed again.
    BOOLEAN Build(CString& identifier)
    {
        identifier = "previous";
        RegKeyCounter keys;
        BOOLEAN result = GetThePciPlugAndPlayIdString(c_service, identifier);
        EXPECT_TRUE(keys.StillOpen().empty());
        EXPECT_EQ(keys.Opened(), keys.Closed());
        return result;
    }
};

TEST_F(PciIdentifier, FiveValuesGiveTheFortyCharacterIdentifier)
{
    struct
    {
        const char* what;
        DWORD values[5];
        const char* identifier;
    } cases[] = {
        { "the board", { 0xAB, 0x3C, 0x4D, 0x5E, 1 }, "VEN_00AB&DEV_003C&SUBSYS_004D005E&REV_01" },
        { "only the low 16 bits, and the low 8 of the revision",
          { 0x1234ABCD, 0xFFFF0000, 0x0001BEEF, 0x8000FACE, 0x1FF }, "VEN_ABCD&DEV_0000&SUBSYS_BEEFFACE&REV_FF" },
        { "upper-case digits throughout", { 0xabcd, 0xef01, 0xa0b0, 0x0c0d, 0xe }, "VEN_ABCD&DEV_EF01&SUBSYS_A0B00C0D&REV_0E" },
        { "all zero", { 0, 0, 0, 0, 0 }, "VEN_0000&DEV_0000&SUBSYS_00000000&REV_00" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        WriteValues(c.values);
        StartTraceLog();
        CString identifier;
        EXPECT_TRUE(Build(identifier));
        EXPECT_STREQ(c.identifier, identifier);
        EXPECT_EQ(40, identifier.GetLength());
        EXPECT_EQ(Lines({ std::string("GetThePciPlugAndPlayIdString Returning ") + c.identifier,
                          "GetThePciPlugAndPlayIdString BOOLEAN bRet = 1" }),
                  ReadTraceLogLines());
    }
}

// Whichever of the three keys is missing, the open fails with 2 and nothing is closed.
TEST_F(PciIdentifier, AMissingKeyLeavesTheIdentifierAsItWas)
{
    const std::string keys[] = { "SYSTEM\\CurrentControlSet\\Services", c_serviceKey, c_serviceKey + "\\Parameters",
                                 c_serviceKey + "\\Parameters\\QvxTest" };
    for (const std::string& existing : keys)
    {
        SCOPED_TRACE(existing);
        CreateRegistryKey(HKEY_LOCAL_MACHINE, existing);
        StartTraceLog();
        CString identifier;
        EXPECT_FALSE(Build(identifier));
        EXPECT_STREQ("previous", identifier);
        EXPECT_EQ(Lines({ "GetThePciPlugAndPlayIdString RegOpenKeyEx returned error 2",
                          "GetThePciPlugAndPlayIdString BOOLEAN bRet = 0" }),
                  ReadTraceLogLines());
    }
}

// The values after a missing one are not read; the identifier keeps what was built.
TEST_F(PciIdentifier, AMissingValueStopsTheIdentifierWhereItIs)
{
    const char* const partial[] = { "previous", "VEN_00AB", "VEN_00AB&DEV_003C", "VEN_00AB&DEV_003C&SUBSYS_004D",
                                    "VEN_00AB&DEV_003C&SUBSYS_004D005E" };
    for (int missing = 0; missing < 5; missing++)
    {
        SCOPED_TRACE(c_names[missing]);
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, c_serviceKey);
        WriteValues({ 0xAB, 0x3C, 0x4D, 0x5E, 1 });
        HKEY key = NULL;
        ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, c_parametersKey.c_str(), 0, KEY_ALL_ACCESS, &key));
        ASSERT_EQ(ERROR_SUCCESS, ::RegDeleteValueA(key, c_names[missing]));
        ::RegCloseKey(key);
        StartTraceLog();
        CString identifier;
        EXPECT_FALSE(Build(identifier));
        EXPECT_STREQ(partial[missing], identifier);
        EXPECT_EQ(Lines({ std::string("GetThePciPlugAndPlayIdString RegQueryValueEx returned error 2 for ") + c_names[missing],
                          "GetThePciPlugAndPlayIdString BOOLEAN bRet = 0" }),
                  ReadTraceLogLines());
    }
}

// The type is not looked at: 4 bytes of any type are a number. Longer values fail in
// the registry (234); shorter ones hold no whole number and fail with 13.
TEST_F(PciIdentifier, ValuesOfOtherTypesAndSizes)
{
    struct
    {
        const char* what;
        int position;
        DWORD type;
        std::string bytes;
        const char* identifier;
        const char* line;   // the failure line, or NULL for success
    } cases[] = {
        { "a string of three characters is 4 bytes", 0, REG_SZ, std::string("abc\0", 4),
          "VEN_6261&DEV_003C&SUBSYS_004D005E&REV_01", NULL },
        { "4 binary bytes", 4, REG_BINARY, std::string("\x07\0\0\0", 4), "VEN_00AB&DEV_003C&SUBSYS_004D005E&REV_07", NULL },
        { "8 bytes", 1, REG_BINARY, std::string(8, '\x01'), "VEN_00AB",
          "GetThePciPlugAndPlayIdString RegQueryValueEx returned error ea for PciDeviceID" },
        { "a 64-bit number", 2, REG_QWORD, std::string("\x4d\0\0\0\0\0\0\0", 8), "VEN_00AB&DEV_003C",
          "GetThePciPlugAndPlayIdString RegQueryValueEx returned error ea for PciSubsystemID" },
        { "a string of four characters is 5 bytes", 3, REG_SZ, std::string("abcd\0", 5), "VEN_00AB&DEV_003C&SUBSYS_004D",
          "GetThePciPlugAndPlayIdString RegQueryValueEx returned error ea for PciSubsystemVendorID" },
        { "2 bytes", 1, REG_BINARY, std::string("\x3c\0", 2), "VEN_00AB",
          "GetThePciPlugAndPlayIdString RegQueryValueEx returned error d for PciDeviceID" },
        { "a string of two characters is 3 bytes", 0, REG_SZ, std::string("ab\0", 3), "previous",
          "GetThePciPlugAndPlayIdString RegQueryValueEx returned error d for PciVendorID" },
        { "no bytes", 4, REG_DWORD, "", "VEN_00AB&DEV_003C&SUBSYS_004D005E",
          "GetThePciPlugAndPlayIdString RegQueryValueEx returned error d for PciRevision" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        WriteValues({ 0xAB, 0x3C, 0x4D, 0x5E, 1 });
        WriteRegistryValue(HKEY_LOCAL_MACHINE, c_parametersKey, c_names[c.position], c.type, c.bytes);
        StartTraceLog();
        CString identifier;
        EXPECT_EQ(c.line == NULL, Build(identifier) != FALSE);
        EXPECT_STREQ(c.identifier, identifier);
        if (c.line == NULL)
            EXPECT_EQ(Lines({ std::string("GetThePciPlugAndPlayIdString Returning ") + c.identifier,
                              "GetThePciPlugAndPlayIdString BOOLEAN bRet = 1" }),
                      ReadTraceLogLines());
        else
            EXPECT_EQ(Lines({ c.line, "GetThePciPlugAndPlayIdString BOOLEAN bRet = 0" }), ReadTraceLogLines());
    }
}
}   // namespace
