// What the lab leaves for the uninstall to clean up: the traces of a started legacy
// driver that the board's stand-in leaves, and the Unimodem responses key that the
// sample modem INF makes.
#include <gtest/gtest.h>

#include <windows.h>

#include <setupapi.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "tests/modem/ModemTestSupport.h"
#include "tests/support/LabService.h"
#include "wizard/CUninstReportOKPage.h"

namespace
{
const std::string c_enumRoot = "SYSTEM\\CurrentControlSet\\Enum\\Root\\";
const std::string c_htree = "SYSTEM\\CurrentControlSet\\Enum\\HTREE\\Root\\0";
const std::string c_eventLog = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\";
const std::string c_deviceSpecific = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Unimodem\\DeviceSpecific";
const char c_attached[] = "AttachedComponents";

std::string Upper(std::string text)
{
    ::CharUpperBuffA(&text[0], (DWORD)text.size());
    return text;
}

// The strings of a multi-string, up to its closing empty string.
Lines Strings(const std::string& bytes)
{
    Lines strings;
    size_t start = 0;
    while (start < bytes.size() && bytes[start] != '\0')
    {
        size_t end = bytes.find('\0', start);
        if (end == std::string::npos)
            end = bytes.size();
        strings.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    return strings;
}

// A service of the stand-in, and the device tree's list as the machine had it; the
// service's traces go again afterwards.
class LegacyDriverTraces : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_attached = ReadRegistryValue(HKEY_LOCAL_MACHINE, c_htree, c_attached);
        ASSERT_TRUE(m_attached.present);
        m_service.reset(new LabService());
        ASSERT_TRUE(m_service->IsInstalled());
        m_name = m_service->Name();
        m_legacy = "LEGACY_" + Upper(m_name);
    }
    void TearDown() override
    {
        m_service.reset();   // stopped and deleted
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, c_enumRoot + m_legacy);
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, c_eventLog + m_name);
        WriteRegistryValue(HKEY_LOCAL_MACHINE, c_htree, c_attached, m_attached.type, m_attached.bytes);
    }
    Lines Attached() const { return Strings(ReadRegistryValue(HKEY_LOCAL_MACHINE, c_htree, c_attached).bytes); }

    RegistryValue m_attached;
    std::unique_ptr<LabService> m_service;
    std::string m_legacy;
    std::string m_name;
};

TEST_F(LegacyDriverTraces, AStartedDriverLeavesThem)
{
    const Lines before = Strings(m_attached.bytes);
    ASSERT_TRUE(m_service->StartAndWait());

    const std::string device = c_enumRoot + m_legacy + "\\0000";
    EXPECT_EQ(m_name + '\0', ReadRegistryValue(HKEY_LOCAL_MACHINE, device, "Service").bytes);
    EXPECT_EQ(std::string("\1\0\0\0", 4), ReadRegistryValue(HKEY_LOCAL_MACHINE, device, "Legacy").bytes);
    // The device key has no subkeys.
    HKEY key = NULL;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, device.c_str(), 0, KEY_READ, &key));
    char name[256];
    DWORD size = sizeof(name);
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, ::RegEnumKeyExA(key, 0, name, &size, NULL, NULL, NULL, NULL));
    ::RegCloseKey(key);

    Lines expected = before;
    expected.push_back("Root\\" + m_legacy + "\\0000");
    EXPECT_EQ(expected, Attached());
    RegistryValue value = ReadRegistryValue(HKEY_LOCAL_MACHINE, c_htree, c_attached);
    EXPECT_EQ((DWORD)REG_MULTI_SZ, value.type);
    EXPECT_EQ('\0', value.bytes.back());
    EXPECT_EQ('\0', value.bytes[value.bytes.size() - 2]);

    EXPECT_EQ(std::string("\7\0\0\0", 4), ReadRegistryValue(HKEY_LOCAL_MACHINE, c_eventLog + m_name, "TypesSupported").bytes);
    RegistryValue messages = ReadRegistryValue(HKEY_LOCAL_MACHINE, c_eventLog + m_name, "EventMessageFile");
    EXPECT_EQ((DWORD)REG_EXPAND_SZ, messages.type);

    // A second start lists the entry once, and the traces stay when the driver stops.
    m_service->Control(SERVICE_CONTROL_STOP);
    ASSERT_TRUE(m_service->WaitForState(SERVICE_STOPPED));
    ASSERT_TRUE(m_service->StartAndWait());
    m_service->Control(SERVICE_CONTROL_STOP);
    ASSERT_TRUE(m_service->WaitForState(SERVICE_STOPPED));
    EXPECT_EQ(expected, Attached());
    EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, device));
    EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, c_eventLog + m_name));
}

// An entry already listed in another case is not listed again, and a list without its
// closing empty string is closed.
TEST_F(LegacyDriverTraces, AListedEntryAndAnUnclosedList)
{
    const std::string entry = "Root\\" + m_legacy + "\\0000";
    std::string lower = entry;
    ::CharLowerBuffA(&lower[0], (DWORD)lower.size());
    struct
    {
        const char* what;
        DWORD type;
        std::string bytes;
        Lines strings;
    } cases[] = {
        { "listed in lower case", REG_MULTI_SZ, std::string("Root\\LEGACY_BEEP\\0000\0", 22) + lower + '\0' + '\0',
          { "Root\\LEGACY_BEEP\\0000", lower } },
        { "no closing string", REG_BINARY, std::string("Root\\LEGACY_BEEP\\0000"), { "Root\\LEGACY_BEEP\\0000", entry } },
        { "empty", REG_MULTI_SZ, std::string(), { entry } },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        WriteRegistryValue(HKEY_LOCAL_MACHINE, c_htree, c_attached, c.type, c.bytes);
        ASSERT_TRUE(m_service->StartAndWait());
        m_service->Control(SERVICE_CONTROL_STOP);
        ASSERT_TRUE(m_service->WaitForState(SERVICE_STOPPED));
        EXPECT_EQ(c.strings, Attached());
    }
}

std::string SourcePackagePath(const char* name)
{
    std::string path = std::string("Z:") + LAB_PACKAGE_DIR + "/" + name;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

// The sample modem INF's install section, run on a driver key of the test's own as the
// device installer runs it, names the responses key and makes it.
TEST(SampleModemInf, MakesTheResponsesKeyItNames)
{
    const std::string driverKeyPath = "SOFTWARE\\SetupTests\\ModemDriverKey";
    const std::string responses = "Quovix PCI Data Fax Modem::Quovix Labs::Modem";
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, c_deviceSpecific + "\\" + responses);
    CreateRegistryKey(HKEY_LOCAL_MACHINE, driverKeyPath);
    HKEY driverKey = NULL;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, driverKeyPath.c_str(), 0, KEY_ALL_ACCESS, &driverKey));
    HINF inf = ::SetupOpenInfFileA(SourcePackagePath("QVXMODEM.INF").c_str(), NULL, INF_STYLE_WIN4, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, inf) << ::GetLastError();
    EXPECT_TRUE(::SetupInstallFromInfSectionA(NULL, inf, "QvxModem", SPINST_REGISTRY, driverKey, NULL, 0, NULL, NULL, NULL, NULL))
        << ::GetLastError();
    ::SetupCloseInfFile(inf);

    EXPECT_EQ(responses + '\0', ReadRegistryValue(driverKey, "ResponsesKeyName").bytes);
    ::RegCloseKey(driverKey);
    const std::string key = c_deviceSpecific + "\\" + responses + "\\Responses";
    EXPECT_EQ(std::string(10, '\0'), ReadRegistryValue(HKEY_LOCAL_MACHINE, key, "<cr><lf>OK<cr><lf>").bytes);
    EXPECT_EQ(std::string("\x08") + std::string(9, '\0'), ReadRegistryValue(HKEY_LOCAL_MACHINE, key, "<cr><lf>RING<cr><lf>").bytes);

    // And the uninstall's routine removes it by that name.
    EXPECT_TRUE(CUninstReportOKPage::RemoveUnimodemResponses(responses.c_str()));
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, c_deviceSpecific + "\\" + responses));
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, driverKeyPath);
}
}   // namespace
