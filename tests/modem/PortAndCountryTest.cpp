// The modem's class key, its serial port and its country.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include <windows.h>

#include "tests/modem/ModemTestSupport.h"
#include "tests/support/ImportSwap.h"
#include "tests/support/TraceLog.h"
#include "wizard/CInstDriverPage.h"

namespace
{
const char c_id[] = "VEN_00AB&DEV_003C&SUBSYS_004D005E&REV_01";
const std::string c_enumKey = "SYSTEM\\CurrentControlSet\\Enum\\Root\\VEN_00AB&DEV_003C&SUBSYS_004D005E&REV_01";
const std::string c_deviceKey = c_enumKey + "\\0000";
const std::string c_classRoot = "SYSTEM\\CurrentControlSet\\Control\\Class";
const std::string c_modemClass = "{4D36E96D-E325-11CE-BFC1-08002BE10318}";
const std::string c_driver = c_modemClass + "\\0000";
const std::string c_classKey = c_classRoot + "\\" + c_driver;
const char c_serialComm[] = "HARDWARE\\DEVICEMAP\\SERIALCOMM";

std::string Sz(const std::string& text)
{
    return text + std::string(1, '\0');
}

std::string Hex(ULONG_PTR value)
{
    char text[32];
    snprintf(text, sizeof(text), "%x", (unsigned)value);
    return text;
}

// The device key of the modem and its driver key below the modem class, as the device
// installer leaves them; removed again afterwards.
class ModemKeys : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_classExisted = RegistryKeyExists(HKEY_LOCAL_MACHINE, c_classRoot + "\\" + c_modemClass);
        ASSERT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, c_classKey));
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, c_enumKey);
        WriteRegistryValue(HKEY_LOCAL_MACHINE, c_deviceKey, "Driver", REG_SZ, Sz(c_driver));
        WriteRegistryValue(HKEY_LOCAL_MACHINE, c_classKey, "DriverDesc", REG_SZ, Sz("Modem on the board"));
        StartTraceLog();
    }
    void TearDown() override
    {
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, c_enumKey);
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, m_classExisted ? c_classKey : c_classRoot + "\\" + c_modemClass);
    }

    bool m_classExisted = false;
};

TEST_F(ModemKeys, TheDriverValueNamesTheClassKey)
{
    HKEY key;
    std::set<HKEY> stillOpen;
    {
        RegKeyCounter keys;
        key = CInstDriverPage::FindOurControlClass(c_id);
        stillOpen = keys.StillOpen();
    }
    ASSERT_NE((HKEY)NULL, key);
    EXPECT_EQ(std::set<HKEY>({ key }), stillOpen);   // the class key alone is handed out
    EXPECT_EQ(Sz("Modem on the board"), ReadRegistryValue(key, "DriverDesc").bytes);
    // Opened for writing.
    EXPECT_EQ(ERROR_SUCCESS, ::RegSetValueExA(key, "Probe", 0, REG_SZ, (const BYTE*)"x", 2));
    ::RegCloseKey(key);
    EXPECT_EQ(Lines({ "FindOurControlClass returning key " + Hex((ULONG_PTR)key) }), ReadTraceLogLines());
}

// The driver key's name is read whole up to 255 characters.
TEST_F(ModemKeys, ADriverValueOf255Characters)
{
    const std::string driver = c_modemClass + "\\" + std::string(255 - c_modemClass.size() - 1, 'n');
    ASSERT_EQ(255u, driver.size());
    // Made relative to the class root: the 8-bit registry calls take paths of at most 260 characters.
    HKEY classRoot = NULL;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, c_classRoot.c_str(), 0, KEY_ALL_ACCESS, &classRoot));
    WriteRegistryValue(classRoot, driver, "DriverDesc", REG_SZ, Sz("Long"));
    ::RegCloseKey(classRoot);
    WriteRegistryValue(HKEY_LOCAL_MACHINE, c_deviceKey, "Driver", REG_SZ, Sz(driver));
    HKEY key = CInstDriverPage::FindOurControlClass(c_id);
    ASSERT_NE((HKEY)NULL, key);
    EXPECT_EQ(Sz("Long"), ReadRegistryValue(key, "DriverDesc").bytes);
    ::RegCloseKey(key);
    EXPECT_EQ(Lines({ "FindOurControlClass returning key " + Hex((ULONG_PTR)key) }), ReadTraceLogLines());
}

// Each failure is logged with the key or the value concerned, and leaves nothing open.
TEST_F(ModemKeys, NoClassKey)
{
    const std::string longDriver = c_modemClass + "\\" + std::string(300, 'n');
    struct
    {
        const char* what;
        bool deviceKey;
        bool driverValue;
        DWORD type;
        std::string driver;
        Lines lines;
    } cases[] = {
        { "no device key", false, false, REG_SZ, "",
          { "FindOurControlClass RegOpenKeyEx returned error 2", "FindOurControlClass for key " + c_deviceKey } },
        { "no Driver value", true, false, REG_SZ, "",
          { "FindOurControlClass RegQueryValueEx returned error 2", "FindOurControlClass for key Driver" } },
        { "a Driver value naming no key", true, true, REG_SZ, Sz(c_modemClass + "\\0001"),
          { "FindOurControlClass RegOpenKeyEx returned error 2", "FindOurControlClass for key " + c_modemClass + "\\0001" } },
        { "a Driver value of 256 characters", true, true, REG_SZ, Sz(c_modemClass + "\\" + std::string(256 - 39, 'n')),
          { "FindOurControlClass RegQueryValueEx returned error ea", "FindOurControlClass for key Driver" } },
        { "a Driver value of 300 characters", true, true, REG_SZ, Sz(longDriver),
          { "FindOurControlClass RegQueryValueEx returned error ea", "FindOurControlClass for key Driver" } },
        { "256 bytes without a zero", true, true, REG_BINARY, c_driver + std::string(256 - c_driver.size(), 'n'),
          { "FindOurControlClass RegQueryValueEx returned error ea", "FindOurControlClass for key Driver" } },
        { "an empty Driver value would name the class root itself", true, true, REG_SZ, Sz(""),
          { "FindOurControlClass RegQueryValueEx returned error d", "FindOurControlClass for key Driver" } },
        { "a Driver value of no bytes", true, true, REG_BINARY, "",
          { "FindOurControlClass RegQueryValueEx returned error d", "FindOurControlClass for key Driver" } },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, c_enumKey);
        if (c.deviceKey)
            CreateRegistryKey(HKEY_LOCAL_MACHINE, c_deviceKey);
        if (c.driverValue)
            WriteRegistryValue(HKEY_LOCAL_MACHINE, c_deviceKey, "Driver", c.type, c.driver);
        StartTraceLog();
        RegKeyCounter keys;
        EXPECT_EQ((HKEY)NULL, CInstDriverPage::FindOurControlClass(c_id));
        EXPECT_TRUE(keys.StillOpen().empty());
        EXPECT_EQ(keys.Opened(), keys.Closed());
        Lines expected = c.lines;
        expected.push_back("FindOurControlClass returning key 0");
        EXPECT_EQ(expected, ReadTraceLogLines());
    }
}

decltype(&RegOpenKeyExA) s_openKey;
LSTATUS WINAPI RefuseTheClassRoot(HKEY root, LPCSTR subKey, DWORD options, REGSAM desired, PHKEY result)
{
    if (subKey != NULL && c_classRoot == subKey)
    {
        *result = NULL;
        return ERROR_ACCESS_DENIED;
    }
    return s_openKey(root, subKey, options, desired, result);
}

TEST_F(ModemKeys, AClassRootThatCannotBeOpened)
{
    RegKeyCounter keys;
    ImportSwap<decltype(&RegOpenKeyExA)> swap("advapi32.dll", "RegOpenKeyExA", RefuseTheClassRoot);
    s_openKey = swap.Original();
    EXPECT_EQ((HKEY)NULL, CInstDriverPage::FindOurControlClass(c_id));
    EXPECT_TRUE(keys.StillOpen().empty());
    EXPECT_EQ(1, keys.Opened());
    EXPECT_EQ(Lines({ "FindOurControlClass RegOpenKeyEx returned error 5", "FindOurControlClass for key " + c_classRoot,
                      "FindOurControlClass returning key 0" }),
              ReadTraceLogLines());
}

TEST_F(ModemKeys, AttachedToIsWrittenAsAString)
{
    HKEY key = NULL;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, c_classKey.c_str(), 0, KEY_ALL_ACCESS, &key));
    EXPECT_TRUE(CInstDriverPage::AddAttachedToStringToRegistry(key, "COM3"));
    RegistryValue value = ReadRegistryValue(key, "AttachedTo");
    EXPECT_EQ((DWORD)REG_SZ, value.type);
    EXPECT_EQ(Sz("COM3"), value.bytes);
    ::RegCloseKey(key);

    // A key that is not open.
    EXPECT_FALSE(CInstDriverPage::AddAttachedToStringToRegistry(NULL, "COM4"));
    EXPECT_EQ(Lines({ "AddAttachedToStringToRegistry added AttachedTo = COM3", "AddAttachedToStringToRegistry BOOLEAN bRet = 1",
                      "AddAttachedToStringToRegistry RegSetValueEx returned error 6",
                      "AddAttachedToStringToRegistry BOOLEAN bRet = 0" }),
              ReadTraceLogLines());
}

// The serial-port map as the machine had it, put back after each test; the tests fill
// it with values of their own.
class SerialPortMap : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_existed = RegistryKeyExists(HKEY_LOCAL_MACHINE, c_serialComm);
        if (m_existed)
        {
            HKEY key = NULL;
            ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, c_serialComm, 0, KEY_READ, &key));
            for (DWORD index = 0;; index++)
            {
                char name[16384];
                DWORD nameSize = sizeof(name);
                if (::RegEnumValueA(key, index, name, &nameSize, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
                    break;
                m_saved.push_back(std::make_pair(std::string(name, nameSize), ReadRegistryValue(key, name)));
            }
            ::RegCloseKey(key);
        }
        Empty();
        StartTraceLog();
    }
    void TearDown() override
    {
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, c_serialComm);
        if (m_existed)
            CreateRegistryKey(HKEY_LOCAL_MACHINE, c_serialComm, REG_OPTION_VOLATILE);
        Lines names;
        for (const auto& saved : m_saved)
        {
            WriteRegistryValue(HKEY_LOCAL_MACHINE, c_serialComm, saved.first.c_str(), saved.second.type, saved.second.bytes);
            names.push_back(saved.first);
        }
        EXPECT_EQ(m_existed, RegistryKeyExists(HKEY_LOCAL_MACHINE, c_serialComm));
        EXPECT_EQ(names, ValueNames());
    }

    // The key, present and without values.
    void Empty()
    {
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, c_serialComm);
        CreateRegistryKey(HKEY_LOCAL_MACHINE, c_serialComm, REG_OPTION_VOLATILE);
    }
    void Add(const std::string& name, DWORD type, const std::string& data)
    {
        WriteRegistryValue(HKEY_LOCAL_MACHINE, c_serialComm, name.c_str(), type, data);
    }

    // The names of the values in the order the registry enumerates them (Wine: sorted
    // by name, whatever order they were written in).
    static Lines ValueNames()
    {
        Lines names;
        HKEY key = NULL;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, c_serialComm, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return names;
        char name[16384];
        DWORD nameSize = sizeof(name);
        for (DWORD index = 0; ::RegEnumValueA(key, index, name, &nameSize, NULL, NULL, NULL, NULL) == ERROR_SUCCESS;
             index++, nameSize = sizeof(name))
            names.push_back(std::string(name, nameSize));
        ::RegCloseKey(key);
        return names;
    }

    BOOLEAN Fetch(LPCSTR serviceName, CString& port)
    {
        port = "untouched";
        RegKeyCounter keys;
        BOOLEAN found = CInstDriverPage::FetchAttachedTo(serviceName, port);
        EXPECT_TRUE(keys.StillOpen().empty());
        EXPECT_EQ(keys.Opened(), keys.Closed());
        return found;
    }

    bool m_existed = false;
    std::vector<std::pair<std::string, RegistryValue>> m_saved;
};

std::string FoundLine(const std::string& port)
{
    // A trace line holds at most 254 characters before its end of line.
    return ("FetchAttachedTo RegOpenKeyEx found " + port).substr(0, 254);
}

TEST_F(SerialPortMap, TheFirstValueNamedAfterTheServiceGivesThePort)
{
    const std::string name255 = "\\Device\\QvxModem" + std::string(255 - 16, 'n');
    const std::string port255(255, 'P');
    const std::string port256(256, 'B');
    struct
    {
        const char* what;
        std::vector<std::pair<std::string, std::string>> values;   // REG_SZ, in enumeration order
        const char* port;                                          // NULL: none found
    } cases[] = {
        { "several ports",
          { { "\\Device\\Port0", Sz("COM1") }, { "\\Device\\QvxModem0", Sz("COM3") }, { "\\Device\\QvxModem1", Sz("COM4") } },
          "COM3" },
        { "the service name anywhere in the name",
          { { "\\Device\\Port0", Sz("COM1") }, { "\\Device\\SerialQvxModemPort", Sz("COM5") } }, "COM5" },
        { "another case is passed over",
          { { "\\Device\\Aqvxmodem0", Sz("COM6") }, { "\\Device\\BQVXMODEM0", Sz("COM7") }, { "\\Device\\CQvxModem0", Sz("COM8") } },
          "COM8" },
        { "only another case", { { "\\Device\\qvxmodem0", Sz("COM6") } }, NULL },
        { "no port of the service", { { "\\Device\\Serial0", Sz("COM1") }, { "\\Device\\Serial1", Sz("COM2") } }, NULL },
        { "no values at all", {}, NULL },
        { "a name of 255 characters is read whole", { { name255, Sz("COM9") } }, "COM9" },
        { "a name of 256 characters ends the search",
          { { "\\Device\\A" + std::string(247, 'x'), Sz("COM1") }, { "\\Device\\QvxModem0", Sz("COM3") } }, NULL },
        { "data of 256 bytes is read whole", { { "\\Device\\QvxModem0", Sz(port255) } }, port255.c_str() },
        { "data of 257 bytes ends the search",
          { { "\\Device\\ASerial0", Sz(port256) }, { "\\Device\\QvxModem0", Sz("COM3") } }, NULL },
        { "an empty port", { { "\\Device\\QvxModem0", Sz("") } }, "" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        Empty();
        Lines names;
        for (const auto& value : c.values)
        {
            Add(value.first, REG_SZ, value.second);
            names.push_back(value.first);
        }
        ASSERT_EQ(names, ValueNames()) << "the values are enumerated in the order of the case";
        StartTraceLog();
        CString port;
        EXPECT_EQ(c.port != NULL, Fetch("QvxModem", port) != FALSE);
        EXPECT_STREQ(c.port != NULL ? c.port : "untouched", port);
        if (c.port != NULL)
            EXPECT_EQ(Lines({ FoundLine(c.port), "FetchAttachedTo BOOLEAN bRet = 1" }), ReadTraceLogLines());
        else
            EXPECT_EQ(Lines({ "FetchAttachedTo BOOLEAN bRet = 0" }), ReadTraceLogLines());
    }
}

// The data's type is not looked at: its bytes are the port, up to a zero or the end of
// the 256 bytes.
TEST_F(SerialPortMap, DataOfOtherTypes)
{
    struct
    {
        const char* what;
        DWORD type;
        std::string data;
        std::string port;
    } cases[] = {
        { "binary bytes without a zero", REG_BINARY, "COM5", "COM5" },
        { "256 bytes without a zero", REG_BINARY, std::string(256, 'Z'), std::string(256, 'Z') },
        { "a zero inside", REG_BINARY, std::string("COM5\0junk", 9), "COM5" },
        { "a number", REG_DWORD, std::string("C3\0\0", 4), "C3" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        Empty();
        Add("\\Device\\QvxModem0", c.type, c.data);
        StartTraceLog();
        CString port;
        EXPECT_TRUE(Fetch("QvxModem", port));
        EXPECT_EQ(c.port, std::string(port));
        EXPECT_EQ(Lines({ FoundLine(c.port), "FetchAttachedTo BOOLEAN bRet = 1" }), ReadTraceLogLines());
    }
}

TEST_F(SerialPortMap, NoSerialPortMap)
{
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, c_serialComm);
    ASSERT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, c_serialComm));
    CString port;
    EXPECT_FALSE(Fetch("QvxModem", port));
    EXPECT_STREQ("untouched", port);
    EXPECT_EQ(Lines({ "FetchAttachedTo RegOpenKeyEx returned error 2", "FetchAttachedTo BOOLEAN bRet = 0" }), ReadTraceLogLines());
}

// The modem's class key, open, with its Country subkey.
class CountryKey : public ModemKeys
{
protected:
    void SetUp() override
    {
        ModemKeys::SetUp();
        CreateRegistryKey(HKEY_LOCAL_MACHINE, c_country);
        ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, c_classKey.c_str(), 0, KEY_ALL_ACCESS, &m_key));
        StartTraceLog();
    }
    void TearDown() override
    {
        ::RegCloseKey(m_key);
        ModemKeys::TearDown();
    }

    void SetCurrent(const std::string& bytes)
    {
        WriteRegistryValue(HKEY_LOCAL_MACHINE, c_country, "Current", REG_BINARY, bytes);
    }
    RegistryValue Current() { return ReadRegistryValue(HKEY_LOCAL_MACHINE, c_country, "Current"); }

    BOOLEAN AddCountry(bool countryFlag, WORD countryCode)
    {
        RegKeyCounter keys;
        BOOLEAN result = CInstDriverPage::AddCurrentCountryStringToRegistry(m_key, countryFlag, countryCode);
        EXPECT_TRUE(keys.StillOpen().empty());
        EXPECT_EQ(keys.Opened(), keys.Closed());
        return result;
    }

    const std::string c_country = c_classKey + "\\Country";
    HKEY m_key = NULL;
};

TEST_F(CountryKey, AGivenCountryIsWrittenAndTested)
{
    struct
    {
        const char* what;
        WORD code;
        std::string bytes;
        Lines lines;
    } cases[] = {
        { "a country of the table", 181, std::string("\xb5\0", 2),
          { "AddCurrentCountryStringToRegistry  added country b5", "AddCurrentCountryStringToRegistry current country = 181",
            "AddCurrentCountryStringToRegistry BOOLEAN bRet = 1" } },
        { "country 0", 0, std::string("\0\0", 2),
          { "AddCurrentCountryStringToRegistry  added country 0", "AddCurrentCountryStringToRegistry current country = 0",
            "AddCurrentCountryStringToRegistry BOOLEAN bRet = 1" } },
        { "no country given with the option", 256, std::string("\0\x01", 2),
          { "AddCurrentCountryStringToRegistry  added country 100", "AddCurrentCountryStringToRegistry current country = 0",
            "AddCurrentCountryStringToRegistry BOOLEAN bRet = 0" } },
        { "a country not recognised", 0xFFFF, "\xff\xff",
          { "AddCurrentCountryStringToRegistry  added country ffff", "AddCurrentCountryStringToRegistry current country = 255",
            "AddCurrentCountryStringToRegistry BOOLEAN bRet = 0" } },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        SetCurrent("\x2a\x07\x07");
        StartTraceLog();
        EXPECT_EQ(c.lines.back().back() == '1', AddCountry(true, c.code) != FALSE);
        RegistryValue current = Current();
        EXPECT_EQ((DWORD)REG_BINARY, current.type);
        EXPECT_EQ(c.bytes, current.bytes);
        EXPECT_EQ(c.lines, ReadTraceLogLines());
    }
}

// Without the option, whatever Current holds is tested and left as it is.
TEST_F(CountryKey, ACountryAlreadyThere)
{
    struct
    {
        const char* what;
        bool present;
        std::string bytes;
        Lines lines;
    } cases[] = {
        { "a country of the table", true, std::string("\x2a\0\x07", 3),
          { "AddCurrentCountryStringToRegistry current country = 42", "AddCurrentCountryStringToRegistry BOOLEAN bRet = 1" } },
        { "a second byte that is not 0", true, std::string("\x2a\x01", 2),
          { "AddCurrentCountryStringToRegistry current country = 42", "AddCurrentCountryStringToRegistry BOOLEAN bRet = 0" } },
        { "256 bytes", true, std::string("\x05\0", 2) + std::string(254, '\x09'),
          { "AddCurrentCountryStringToRegistry current country = 5", "AddCurrentCountryStringToRegistry BOOLEAN bRet = 1" } },
        { "257 bytes", true, std::string("\x05\0", 2) + std::string(255, '\x09'),
          { "AddCurrentCountryStringToRegistry RegQueryValueEx returned error ea",
            "AddCurrentCountryStringToRegistry BOOLEAN bRet = 0" } },
        { "1 byte has no second byte", true, std::string("\x2a", 1),
          { "AddCurrentCountryStringToRegistry RegQueryValueEx returned error d",
            "AddCurrentCountryStringToRegistry BOOLEAN bRet = 0" } },
        { "no bytes", true, "",
          { "AddCurrentCountryStringToRegistry RegQueryValueEx returned error d",
            "AddCurrentCountryStringToRegistry BOOLEAN bRet = 0" } },
        { "no Current value", false, "",
          { "AddCurrentCountryStringToRegistry RegQueryValueEx returned error 2",
            "AddCurrentCountryStringToRegistry BOOLEAN bRet = 0" } },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, c_country);
        CreateRegistryKey(HKEY_LOCAL_MACHINE, c_country);
        if (c.present)
            SetCurrent(c.bytes);
        StartTraceLog();
        EXPECT_EQ(c.lines.back().back() == '1', AddCountry(false, 181) != FALSE);
        EXPECT_EQ(c.present, Current().present);
        EXPECT_EQ(c.bytes, Current().bytes);
        EXPECT_EQ(c.lines, ReadTraceLogLines());
    }
}

TEST_F(CountryKey, NoCountrySubkey)
{
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, c_country);
    EXPECT_FALSE(AddCountry(true, 181));
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, c_country));   // opened, never created
    EXPECT_EQ(Lines({ "AddCurrentCountryStringToRegistry RegOpenKeyEx returned error 2",
                      "AddCurrentCountryStringToRegistry BOOLEAN bRet = 0" }),
              ReadTraceLogLines());
}

LSTATUS WINAPI RefuseToSet(HKEY, LPCSTR, DWORD, DWORD, const BYTE*, DWORD)
{
    return ERROR_ACCESS_DENIED;
}

// A write that fails does not decide the result: what Current already holds does.
TEST_F(CountryKey, AWriteThatFails)
{
    SetCurrent(std::string("\x2a\0", 2));
    StartTraceLog();
    {
        ImportSwap<decltype(&RegSetValueExA)> swap("advapi32.dll", "RegSetValueExA", RefuseToSet);
        ASSERT_TRUE(swap.IsActive());
        EXPECT_TRUE(AddCountry(true, 256));
    }
    EXPECT_EQ(std::string("\x2a\0", 2), Current().bytes);
    EXPECT_EQ(Lines({ "AddCurrentCountryStringToRegistry RegSetValueEx returned error 5",
                      "AddCurrentCountryStringToRegistry current country = 42", "AddCurrentCountryStringToRegistry BOOLEAN bRet = 1" }),
              ReadTraceLogLines());
}
}   // namespace
