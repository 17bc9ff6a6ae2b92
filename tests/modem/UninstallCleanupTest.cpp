// The registry traces of the driver and of the modem that the uninstall removes, on
// real keys.
#include <gtest/gtest.h>

#include <windows.h>

#include <sddl.h>

#include <string>
#include <vector>

#include "tests/modem/HeapAndSidCounter.h"
#include "tests/modem/ModemTestSupport.h"
#include "tests/support/ImportSwap.h"
#include "tests/support/TraceLog.h"
#include "wizard/CUninstIntroPage.h"
#include "wizard/CUninstReportOKPage.h"

namespace
{
const std::string c_enumRoot = "SYSTEM\\CurrentControlSet\\Enum\\Root\\";
const std::string c_htree = "SYSTEM\\CurrentControlSet\\Enum\\HTREE\\Root\\0";
const std::string c_eventLog = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\";
const std::string c_classRoot = "SYSTEM\\CurrentControlSet\\Control\\Class\\";
const std::string c_deviceSpecific = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Unimodem\\DeviceSpecific";
const char c_attached[] = "AttachedComponents";
const char c_adminsList[] = "D:(A;;KR;;;IU)(A;;KA;;;BA)";

std::string Sz(const std::string& text)
{
    return text + std::string(1, '\0');
}

std::string Dacl(const std::string& path)
{
    HKEY key = NULL;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, READ_CONTROL, &key) != ERROR_SUCCESS)
        return "(no key)";
    std::vector<BYTE> buffer(4096);
    DWORD size = (DWORD)buffer.size();
    LONG error = ::RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, buffer.data(), &size);
    ::RegCloseKey(key);
    LPSTR text = NULL;
    if (error != ERROR_SUCCESS ||
        !::ConvertSecurityDescriptorToStringSecurityDescriptorA(buffer.data(), SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                                &text, NULL))
        return "(no list)";
    std::string result = text;
    ::LocalFree(text);
    return result;
}

// The lines of a deletion of a key without subkeys.
Lines LeafDeletion(const std::string& name)
{
    return { "KillThisKeyAndAllItsSubkeys requesting access to " + name, "AllowAccessToKey opening " + name + " for WRITE_DAC access",
             "KillThisKeyAndAllItsSubkeys opening " + name, "KillThisKeyAndAllItsSubkeys deleting " + name,
             "KillThisKeyAndAllItsSubkeys returned BOOLEAN 1" };
}

Lines operator+(Lines a, const Lines& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Checks that nothing the routines took is left: every key closed, every heap block
// and SID given back.
class NothingLeft
{
public:
    ~NothingLeft()
    {
        EXPECT_TRUE(m_keys.StillOpen().empty());
        EXPECT_EQ(m_keys.Opened(), m_keys.Closed());
        EXPECT_TRUE(m_heap.OutstandingBlocks().empty());
        EXPECT_TRUE(m_heap.OutstandingSids().empty());
    }
    int KeysOpened() const { return m_keys.Opened(); }
    HeapAndSidCounter& Heap() { return m_heap; }

private:
    RegKeyCounter m_keys;
    HeapAndSidCounter m_heap;
};

// The service's keys below Enum\Root and EventLog\System, and the device tree's list
// as the machine had it, put back afterwards.
class DriverTraces : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_attached = ReadRegistryValue(HKEY_LOCAL_MACHINE, c_htree, c_attached);
        ASSERT_TRUE(m_attached.present);
        Clean();
        StartTraceLog();
    }
    void TearDown() override
    {
        Clean();
        WriteRegistryValue(HKEY_LOCAL_MACHINE, c_htree, c_attached, m_attached.type, m_attached.bytes);
    }
    void Clean()
    {
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, c_enumRoot + "LEGACY_MODEMDRV");
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, c_enumRoot + "LEGACY_MODEMDRV2");
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, c_eventLog + "modemdrv");
    }
    void SetAttached(DWORD type, const std::string& bytes)
    {
        WriteRegistryValue(HKEY_LOCAL_MACHINE, c_htree, c_attached, type, bytes);
    }

    RegistryValue m_attached;
};

TEST_F(DriverTraces, AnEmptyServiceNameOpensNoKey)
{
    NothingLeft left;
    EXPECT_FALSE(CUninstIntroPage::RemoveEnumRootDriverKey(""));
    EXPECT_FALSE(CUninstIntroPage::RemoveEnumHtreeDriverString(""));
    EXPECT_FALSE(CUninstIntroPage::RemoveEventLogDriverKey(""));
    EXPECT_FALSE(CUninstReportOKPage::RemoveUnimodemResponses(""));
    EXPECT_EQ(0, left.KeysOpened());
    EXPECT_EQ(Lines({ "RemoveEnumRootDriverKey bRet 0", "RemoveEnumHtreeDriverString returning BOOLEAN 0",
                      "RemoveEventLogDriverKey bRet 0", "RemoveUnimodemResponses bRet 0" }),
              ReadTraceLogLines());
}

// The legacy key's name is upper-cased whole; the event-log key keeps the service's case.
TEST_F(DriverTraces, TheLegacyKeyAndTheEventLogSourceOfModemdrv)
{
    CreateRegistryKey(HKEY_LOCAL_MACHINE, c_enumRoot + "LEGACY_MODEMDRV\\0000\\Control");
    CreateRegistryKey(HKEY_LOCAL_MACHINE, c_enumRoot + "LEGACY_MODEMDRV2\\0000");
    WriteRegistryValue(HKEY_LOCAL_MACHINE, c_eventLog + "modemdrv", "TypesSupported", REG_DWORD, std::string(4, '\7'));
    {
        NothingLeft left;
        EXPECT_TRUE(CUninstIntroPage::RemoveEnumRootDriverKey("modemdrv"));
        EXPECT_TRUE(CUninstIntroPage::RemoveEventLogDriverKey("modemdrv"));
    }
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, c_enumRoot + "LEGACY_MODEMDRV"));
    EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, c_enumRoot + "LEGACY_MODEMDRV2\\0000"));
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, c_eventLog + "modemdrv"));
    // The parents keep the list they were given.
    EXPECT_EQ(c_adminsList, Dacl(c_enumRoot));
    EXPECT_EQ(c_adminsList, Dacl(c_eventLog));
    EXPECT_EQ(Lines({ "RemoveEnumRootDriverKey Asking Permission to open " + c_enumRoot,
                      "AllowAccessToKey opening " + c_enumRoot + " for WRITE_DAC access",
                      "RemoveEnumRootDriverKey Opening " + c_enumRoot,
                      "RemoveEnumRootDriverKey removing LEGACY_MODEMDRV and all subkeys",
                      "KillThisKeyAndAllItsSubkeys requesting access to LEGACY_MODEMDRV",
                      "AllowAccessToKey opening LEGACY_MODEMDRV for WRITE_DAC access",
                      "KillThisKeyAndAllItsSubkeys opening LEGACY_MODEMDRV",
                      "KillThisKeyAndAllItsSubkeys RegEnumKeyEx found 0000",
                      "KillThisKeyAndAllItsSubkeys requesting access to 0000",
                      "AllowAccessToKey opening 0000 for WRITE_DAC access",
                      "KillThisKeyAndAllItsSubkeys opening 0000",
                      "KillThisKeyAndAllItsSubkeys RegEnumKeyEx found Control" }) +
                  LeafDeletion("Control") +
                  Lines({ "KillThisKeyAndAllItsSubkeys deleting 0000", "KillThisKeyAndAllItsSubkeys returned BOOLEAN 1",
                          "KillThisKeyAndAllItsSubkeys deleting LEGACY_MODEMDRV",
                          "KillThisKeyAndAllItsSubkeys returned BOOLEAN 1", "RemoveEnumRootDriverKey bRet 1",
                          "RemoveEventLogDriverKey Asking Permission to open " + c_eventLog,
                          "AllowAccessToKey opening " + c_eventLog + " for WRITE_DAC access",
                          "RemoveEventLogDriverKey Opening " + c_eventLog,
                          "RemoveEventLogDriverKey removing modemdrv and all subkeys" }) +
                  LeafDeletion("modemdrv") + Lines({ "RemoveEventLogDriverKey bRet 1" }),
              ReadTraceLogLines());
}

TEST_F(DriverTraces, KeysThatAreNotThere)
{
    {
        NothingLeft left;
        EXPECT_FALSE(CUninstIntroPage::RemoveEnumRootDriverKey("modemdrv"));
        EXPECT_FALSE(CUninstIntroPage::RemoveEventLogDriverKey("modemdrv"));
    }
    auto missing = [](const char* routine, const std::string& parent, const std::string& name) {
        return Lines({ std::string(routine) + " Asking Permission to open " + parent,
                       "AllowAccessToKey opening " + parent + " for WRITE_DAC access", std::string(routine) + " Opening " + parent,
                       std::string(routine) + " removing " + name + " and all subkeys",
                       "KillThisKeyAndAllItsSubkeys requesting access to " + name,
                       "AllowAccessToKey opening " + name + " for WRITE_DAC access", "AllowAccessToKey RegOpenKeyEx returned 2",
                       "KillThisKeyAndAllItsSubkeys returned BOOLEAN 0", std::string(routine) + " bRet 0" });
    };
    EXPECT_EQ(missing("RemoveEnumRootDriverKey", c_enumRoot, "LEGACY_MODEMDRV") +
                  missing("RemoveEventLogDriverKey", c_eventLog, "modemdrv"),
              ReadTraceLogLines());
}

// A parent whose list cannot be rewritten is not opened; one that cannot be opened
// afterwards ends the routine without a line of its own.
LSTATUS WINAPI RefuseSetSecurity(HKEY, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR)
{
    return ERROR_ACCESS_DENIED;
}
decltype(&RegOpenKeyExA) s_open;
LSTATUS WINAPI RefuseAllAccessToParents(HKEY root, LPCSTR path, DWORD options, REGSAM desired, PHKEY result)
{
    if (root == HKEY_LOCAL_MACHINE && desired == KEY_ALL_ACCESS)
    {
        *result = NULL;
        return ERROR_ACCESS_DENIED;
    }
    return s_open(root, path, options, desired, result);
}

TEST_F(DriverTraces, ParentsThatCannotBeOpened)
{
    CreateRegistryKey(HKEY_LOCAL_MACHINE, c_enumRoot + "LEGACY_MODEMDRV\\0000");
    const std::string attached = Sz("Root\\LEGACY_MODEMDRV\\0000") + Sz("");
    SetAttached(REG_MULTI_SZ, attached);
    {
        NothingLeft left;
        ImportSwap<decltype(&RegSetKeySecurity)> swap("advapi32.dll", "RegSetKeySecurity", RefuseSetSecurity);
        EXPECT_FALSE(CUninstIntroPage::RemoveEnumRootDriverKey("modemdrv"));
        EXPECT_FALSE(CUninstIntroPage::RemoveEnumHtreeDriverString("modemdrv"));
    }
    {
        NothingLeft left;
        ImportSwap<decltype(&RegOpenKeyExA)> swap("advapi32.dll", "RegOpenKeyExA", RefuseAllAccessToParents);
        s_open = swap.Original();
        EXPECT_FALSE(CUninstIntroPage::RemoveEnumRootDriverKey("modemdrv"));
        EXPECT_FALSE(CUninstIntroPage::RemoveEnumHtreeDriverString("modemdrv"));
    }
    EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, c_enumRoot + "LEGACY_MODEMDRV\\0000"));
    EXPECT_EQ(attached, ReadRegistryValue(HKEY_LOCAL_MACHINE, c_htree, c_attached).bytes);
    EXPECT_EQ(Lines({ "RemoveEnumRootDriverKey Asking Permission to open " + c_enumRoot,
                      "AllowAccessToKey opening " + c_enumRoot + " for WRITE_DAC access", "RemoveEnumRootDriverKey bRet 0",
                      "RemoveEnumHtreeDriverString Asking Permission to open " + c_htree,
                      "AllowAccessToKey opening " + c_htree + " for WRITE_DAC access",
                      "RemoveEnumHtreeDriverString returning BOOLEAN 0",
                      "RemoveEnumRootDriverKey Asking Permission to open " + c_enumRoot,
                      "AllowAccessToKey opening " + c_enumRoot + " for WRITE_DAC access",
                      "RemoveEnumRootDriverKey Opening " + c_enumRoot, "RemoveEnumRootDriverKey bRet 0",
                      "RemoveEnumHtreeDriverString Asking Permission to open " + c_htree,
                      "AllowAccessToKey opening " + c_htree + " for WRITE_DAC access",
                      "RemoveEnumHtreeDriverString Opening " + c_htree,
                      "RemoveEnumHtreeDriverString RegOpenKeyEx returned 5",
                      "RemoveEnumHtreeDriverString returning BOOLEAN 0" }),
              ReadTraceLogLines());
}

// No memory for the legacy key's name: the parent is closed again and nothing goes.
TEST_F(DriverTraces, NoMemoryForTheLegacyKeyName)
{
    CreateRegistryKey(HKEY_LOCAL_MACHINE, c_enumRoot + "LEGACY_MODEMDRV\\0000");
    {
        NothingLeft left;
        left.Heap().FailHeapAlloc(2);   // after the parent's access list
        EXPECT_FALSE(CUninstIntroPage::RemoveEnumRootDriverKey("modemdrv"));
    }
    EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, c_enumRoot + "LEGACY_MODEMDRV\\0000"));
    EXPECT_EQ(Lines({ "RemoveEnumRootDriverKey Asking Permission to open " + c_enumRoot,
                      "AllowAccessToKey opening " + c_enumRoot + " for WRITE_DAC access",
                      "RemoveEnumRootDriverKey Opening " + c_enumRoot, "RemoveEnumRootDriverKey bRet 0" }),
              ReadTraceLogLines());
}

// A subkey below the legacy key that resists deletion keeps the legacy key too.
decltype(&RegDeleteKeyA) s_delete;
LSTATUS WINAPI RefuseControl(HKEY root, LPCSTR path)
{
    if (std::string(path) == "Control")
        return ERROR_ACCESS_DENIED;
    return s_delete(root, path);
}

TEST_F(DriverTraces, ASubkeyThatResistsDeletion)
{
    CreateRegistryKey(HKEY_LOCAL_MACHINE, c_enumRoot + "LEGACY_MODEMDRV\\0000\\Control");
    {
        NothingLeft left;
        ImportSwap<decltype(&RegDeleteKeyA)> swap("advapi32.dll", "RegDeleteKeyA", RefuseControl);
        s_delete = swap.Original();
        EXPECT_FALSE(CUninstIntroPage::RemoveEnumRootDriverKey("ModemDrv"));
    }
    EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, c_enumRoot + "LEGACY_MODEMDRV\\0000\\Control"));
    Lines lines = ReadTraceLogLines();
    ASSERT_LE(5u, lines.size());
    EXPECT_EQ(Lines({ "KillThisKeyAndAllItsSubkeys deleting LEGACY_MODEMDRV", "KillThisKeyAndAllItsSubkeys RegDeleteKey returned 5",
                      "KillThisKeyAndAllItsSubkeys returned BOOLEAN 0", "RemoveEnumRootDriverKey bRet 0" }),
              Lines(lines.end() - 4, lines.end()));
}

// The lines of a rewrite that gets as far as the write.
Lines Rewrite(DWORD size, const char* outcome)
{
    return { "RemoveEnumHtreeDriverString Asking Permission to open " + c_htree,
             "AllowAccessToKey opening " + c_htree + " for WRITE_DAC access",
             "RemoveEnumHtreeDriverString Opening " + c_htree,
             "RemoveEnumHtreeDriverString Sizing AttachedComponents",
             "RemoveEnumHtreeDriverString Size is " + std::to_string(size) + " bytes",
             "RemoveEnumHtreeDriverString Reading AttachedComponents",
             "RemoveEnumHtreeDriverString Writing AttachedComponents",
             outcome };
}

TEST_F(DriverTraces, AttachedComponentsRewritten)
{
    const std::string serial = Sz("Root\\LEGACY_SERIAL\\0000");
    const std::string modemdrv = Sz("Root\\LEGACY_MODEMDRV\\0000");
    const std::string modemdrv2 = Sz("Root\\LEGACY_MODEMDRV2\\0000");
    // 64 KB of entries of other drivers with one of ours among them.
    std::string large;
    for (int index = 0; large.size() < 65536 - 64; index++)
        large += Sz("Root\\LEGACY_OTHER" + std::to_string(index) + "\\0000");
    const std::string largeKept = large;
    const std::string largeWithOurs = modemdrv + large + modemdrv2;
    struct
    {
        const char* what;
        DWORD type;
        std::string read;
        std::string written;
    } cases[] = {
        { "both of ours go, by substring and whatever the case", REG_MULTI_SZ, serial + modemdrv + modemdrv2 + Sz(""),
          serial + Sz("") },
        { "no entry of ours: the same bytes", REG_MULTI_SZ, serial + Sz("Root\\LEGACY_BEEP\\0000") + Sz(""),
          serial + Sz("Root\\LEGACY_BEEP\\0000") + Sz("") },
        { "no string at all", REG_MULTI_SZ, Sz(""), Sz("") },
        { "only ours", REG_MULTI_SZ, modemdrv + Sz(""), Sz("") },
        { "the type read is kept", REG_BINARY, modemdrv + serial + Sz(""), serial + Sz("") },
        { "the bytes behind the closing string are not kept", REG_MULTI_SZ, serial + Sz("") + Sz("Root\\LEGACY_MODEMDRV"),
          serial + Sz("") },
        // Without the closing empty string the walk ends with the bytes read, and the
        // strings found are written back closed. (Wine gives a multi-string set without
        // its last zero one of its own; binary data is kept as set.)
        { "no bytes", REG_MULTI_SZ, "", Sz("") },
        { "one byte", REG_BINARY, "R", Sz("R") + Sz("") },
        { "no closing string", REG_MULTI_SZ, serial + modemdrv, serial + Sz("") },
        { "no terminator at all", REG_BINARY, serial + "Root\\LEGACY_BEEP\\0000", serial + Sz("Root\\LEGACY_BEEP\\0000") + Sz("") },
        { "ours without a terminator", REG_BINARY, serial + "Root\\LEGACY_MODEMDRV\\0000", serial + Sz("") },
        { "64 KB", REG_MULTI_SZ, largeWithOurs + Sz(""), largeKept + Sz("") },
        { "64 KB without a terminator", REG_BINARY, std::string(65536, 'x'), Sz(std::string(65536, 'x')) + Sz("") },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        SetAttached(c.type, c.read);
        StartTraceLog();
        {
            NothingLeft left;
            EXPECT_TRUE(CUninstIntroPage::RemoveEnumHtreeDriverString("ModemDrv"));
        }
        RegistryValue value = ReadRegistryValue(HKEY_LOCAL_MACHINE, c_htree, c_attached);
        EXPECT_EQ(c.type, value.type);
        EXPECT_EQ(c.written, value.bytes);
        EXPECT_EQ(Rewrite((DWORD)c.read.size(), "RemoveEnumHtreeDriverString returning BOOLEAN 1"), ReadTraceLogLines());
    }
    // The example's length.
    EXPECT_EQ(25u, (serial + Sz("")).size());
}

TEST_F(DriverTraces, NoAttachedComponents)
{
    ::RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, c_htree.c_str(), c_attached);
    {
        NothingLeft left;
        EXPECT_FALSE(CUninstIntroPage::RemoveEnumHtreeDriverString("modemdrv"));
    }
    EXPECT_FALSE(ReadRegistryValue(HKEY_LOCAL_MACHINE, c_htree, c_attached).present);
    EXPECT_EQ(Lines({ "RemoveEnumHtreeDriverString Asking Permission to open " + c_htree,
                      "AllowAccessToKey opening " + c_htree + " for WRITE_DAC access",
                      "RemoveEnumHtreeDriverString Opening " + c_htree, "RemoveEnumHtreeDriverString Sizing AttachedComponents",
                      "RemoveEnumHtreeDriverString RegQueryValueEx returned 2",
                      "RemoveEnumHtreeDriverString returning BOOLEAN 0" }),
              ReadTraceLogLines());
    EXPECT_EQ(c_adminsList, Dacl(c_htree));
}

// Failures that Wine does not produce: no memory for a buffer, a read that fails
// after the sizing, a refused write. The value stays as it was and nothing is left.
decltype(&RegQueryValueExA) s_query;
LSTATUS WINAPI FailTheRead(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size)
{
    if (data != NULL)
        return ERROR_MORE_DATA;
    return s_query(key, name, reserved, type, data, size);
}
LSTATUS WINAPI RefuseTheWrite(HKEY, LPCSTR, DWORD, DWORD, const BYTE*, DWORD)
{
    return ERROR_ACCESS_DENIED;
}

TEST_F(DriverTraces, AttachedComponentsLeftAsItWas)
{
    const std::string attached = Sz("Root\\LEGACY_SERIAL\\0000") + Sz("Root\\LEGACY_MODEMDRV\\0000") + Sz("");
    const std::string asking = "RemoveEnumHtreeDriverString Asking Permission to open " + c_htree;
    const Lines untilSize = { asking, "AllowAccessToKey opening " + c_htree + " for WRITE_DAC access",
                              "RemoveEnumHtreeDriverString Opening " + c_htree,
                              "RemoveEnumHtreeDriverString Sizing AttachedComponents",
                              "RemoveEnumHtreeDriverString Size is 51 bytes" };
    const Lines closing = { "RemoveEnumHtreeDriverString returning BOOLEAN 0" };
    const Lines reading = { "RemoveEnumHtreeDriverString Reading AttachedComponents" };
    struct
    {
        const char* what;
        int failHeapAlloc;   // counted from the access list of the key
        bool failRead;
        bool refuseWrite;
        Lines lines;
    } cases[] = {
        { "no input buffer", 2, false, false, untilSize + closing },
        { "no output buffer", 3, false, false, untilSize + reading + closing },
        { "no room to upper-case", 4, false, false, untilSize + reading + closing },
        { "no upper-cased service name", 5, false, false, untilSize + reading + closing },
        { "a read that fails", 0, true, false,
          untilSize + reading + Lines({ "RemoveEnumHtreeDriverString RegQueryValueEx returned ea" }) + closing },
        { "a refused write", 0, false, true,
          untilSize + reading +
              Lines({ "RemoveEnumHtreeDriverString Writing AttachedComponents",
                      "RemoveEnumHtreeDriverString RegSetValueEx returned 5" }) +
              closing },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        SetAttached(REG_MULTI_SZ, attached);
        StartTraceLog();
        {
            NothingLeft left;
            left.Heap().FailHeapAlloc(c.failHeapAlloc);
            ImportSwap<decltype(&RegQueryValueExA)> query("advapi32.dll", "RegQueryValueExA",
                                                          c.failRead ? FailTheRead : ::RegQueryValueExA);
            s_query = query.Original();
            ImportSwap<decltype(&RegSetValueExA)> set("advapi32.dll", "RegSetValueExA",
                                                      c.refuseWrite ? RefuseTheWrite : ::RegSetValueExA);
            EXPECT_FALSE(CUninstIntroPage::RemoveEnumHtreeDriverString("modemdrv"));
        }
        EXPECT_EQ(attached, ReadRegistryValue(HKEY_LOCAL_MACHINE, c_htree, c_attached).bytes);
        EXPECT_EQ(c.lines, ReadTraceLogLines());
    }
}

// The modem's device key, its driver key below the modem class with the name of its
// responses key, and that key below DeviceSpecific; removed again afterwards.
const char c_id[] = "VEN_00AB&DEV_003C&SUBSYS_004D005E&REV_01";
const std::string c_deviceKey = c_enumRoot + c_id + "\\0000";
const std::string c_driver = "{4D36E96D-E325-11CE-BFC1-08002BE10318}\\0077";
const std::string c_classKey = c_classRoot + c_driver;

class ModemResponses : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Clean();
        WriteRegistryValue(HKEY_LOCAL_MACHINE, c_deviceKey, "Driver", REG_SZ, Sz(c_driver));
        WriteRegistryValue(HKEY_LOCAL_MACHINE, c_classKey, "ResponsesKeyName", REG_SZ, Sz("QVX Modem"));
        WriteRegistryValue(HKEY_LOCAL_MACHINE, c_deviceSpecific + "\\QVX Modem\\Responses", "OK", REG_BINARY, "\1");
        CreateRegistryKey(HKEY_LOCAL_MACHINE, c_deviceSpecific + "\\QVX Modem 2");
        StartTraceLog();
    }
    void TearDown() override { Clean(); }
    void Clean()
    {
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, c_enumRoot + c_id);
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, c_classKey);
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, c_deviceSpecific + "\\QVX Modem");
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, c_deviceSpecific + "\\QVX Modem 2");
    }
};

TEST_F(ModemResponses, FetchedAndRemoved)
{
    CString name;
    {
        NothingLeft left;
        EXPECT_TRUE(CUninstReportOKPage::FetchOurModemResponses(name, c_id));
        EXPECT_STREQ("QVX Modem", name);
        EXPECT_TRUE(CUninstReportOKPage::RemoveUnimodemResponses(name));
    }
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, c_deviceSpecific + "\\QVX Modem"));
    EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, c_deviceSpecific + "\\QVX Modem 2"));
    EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, c_classKey));
    EXPECT_EQ(Lines({ "FetchOurModemResponses Opening " + c_deviceKey, "FetchOurModemResponses Opening Driver",
                      "FetchOurModemResponses Opening " + c_classKey, "FetchOurModemResponses Opening ResponsesKeyName",
                      "FetchOurModemResponses Got QVX Modem", "FetchOurModemResponses bRet 1",
                      "RemoveUnimodemResponses Opening " + c_deviceSpecific,
                      "RemoveUnimodemResponses removing QVX Modem and all subkeys",
                      "KillThisKeyAndAllItsSubkeys requesting access to QVX Modem",
                      "AllowAccessToKey opening QVX Modem for WRITE_DAC access",
                      "KillThisKeyAndAllItsSubkeys opening QVX Modem",
                      "KillThisKeyAndAllItsSubkeys RegEnumKeyEx found Responses" }) +
                  LeafDeletion("Responses") +
                  Lines({ "KillThisKeyAndAllItsSubkeys deleting QVX Modem", "KillThisKeyAndAllItsSubkeys returned BOOLEAN 1",
                          "RemoveUnimodemResponses bRet 1" }),
              ReadTraceLogLines());
    // DeviceSpecific's own list is not rewritten.
    EXPECT_NE(c_adminsList, Dacl(c_deviceSpecific));
}

// Each failure leaves the name as it was, logs the step that failed and leaves no key open.
TEST_F(ModemResponses, NoResponsesKeyName)
{
    const std::string opening = "FetchOurModemResponses Opening ";
    const Lines device = { opening + c_deviceKey, opening + "Driver" };
    const Lines toClass = device + Lines({ opening + c_classKey, opening + "ResponsesKeyName" });
    struct
    {
        const char* what;
        const char* id;
        bool driver;
        DWORD driverType;
        std::string driverBytes;
        DWORD type;
        std::string responses;
        Lines lines;
    } cases[] = {
        { "no device key", "VEN_FFFF&DEV_FFFF&SUBSYS_FFFFFFFF&REV_FF", true, REG_SZ, Sz(c_driver), REG_SZ, Sz("QVX Modem"),
          { opening + c_enumRoot + "VEN_FFFF&DEV_FFFF&SUBSYS_FFFFFFFF&REV_FF\\0000",
            "FetchOurModemResponses RegOpenKeyEx returned 2" } },
        { "no Driver value", c_id, false, REG_SZ, "", REG_SZ, Sz("QVX Modem"),
          device + Lines({ "FetchOurModemResponses RegQueryValueEx returned 2" }) },
        { "a Driver value naming no key", c_id, true, REG_SZ, Sz(c_driver + "9"), REG_SZ, Sz("QVX Modem"),
          device + Lines({ opening + c_classKey + "9", "FetchOurModemResponses RegOpenKeyEx returned 2" }) },
        { "a Driver value of 300 characters", c_id, true, REG_SZ, Sz(std::string(300, 'd')), REG_SZ, Sz("QVX Modem"),
          device + Lines({ "FetchOurModemResponses RegQueryValueEx returned ea" }) },
        { "a Driver value of 256 bytes without a zero", c_id, true, REG_BINARY, std::string(256, 'd'), REG_SZ, Sz("QVX Modem"),
          device + Lines({ "FetchOurModemResponses RegQueryValueEx returned ea" }) },
        { "no ResponsesKeyName", c_id, true, REG_SZ, Sz(c_driver), REG_NONE, "",
          toClass + Lines({ "FetchOurModemResponses RegQueryValueEx returned 2" }) },
        { "a ResponsesKeyName of 256 characters", c_id, true, REG_SZ, Sz(c_driver), REG_SZ, Sz(std::string(256, 'r')),
          toClass + Lines({ "FetchOurModemResponses RegQueryValueEx returned ea" }) },
        { "a ResponsesKeyName of 4096 characters", c_id, true, REG_SZ, Sz(c_driver), REG_SZ, Sz(std::string(4096, 'r')),
          toClass + Lines({ "FetchOurModemResponses RegQueryValueEx returned ea" }) },
        { "a ResponsesKeyName of 256 bytes without a zero", c_id, true, REG_SZ, Sz(c_driver), REG_BINARY, std::string(256, 'r'),
          toClass + Lines({ "FetchOurModemResponses RegQueryValueEx returned ea" }) },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, c_enumRoot + c_id);
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, c_classKey);
        CreateRegistryKey(HKEY_LOCAL_MACHINE, c_deviceKey);
        CreateRegistryKey(HKEY_LOCAL_MACHINE, c_classKey);
        if (c.driver)
            WriteRegistryValue(HKEY_LOCAL_MACHINE, c_deviceKey, "Driver", c.driverType, c.driverBytes);
        if (c.type != REG_NONE)
            WriteRegistryValue(HKEY_LOCAL_MACHINE, c_classKey, "ResponsesKeyName", c.type, c.responses);
        StartTraceLog();
        CString name = "unchanged";
        {
            NothingLeft left;
            EXPECT_FALSE(CUninstReportOKPage::FetchOurModemResponses(name, c.id));
        }
        EXPECT_STREQ("unchanged", name);
        Lines expected = c.lines;
        expected.push_back("FetchOurModemResponses bRet 0");
        EXPECT_EQ(expected, ReadTraceLogLines());
    }
}

// The longest name a key can have is read whole.
TEST_F(ModemResponses, AResponsesKeyNameOf255Characters)
{
    const std::string longName(255, 'r');
    WriteRegistryValue(HKEY_LOCAL_MACHINE, c_classKey, "ResponsesKeyName", REG_SZ, Sz(longName));
    CString name;
    EXPECT_TRUE(CUninstReportOKPage::FetchOurModemResponses(name, c_id));
    EXPECT_EQ(longName, std::string(name));
}

TEST_F(ModemResponses, NoResponsesKey)
{
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, c_deviceSpecific + "\\QVX Modem");
    {
        NothingLeft left;
        EXPECT_FALSE(CUninstReportOKPage::RemoveUnimodemResponses("QVX Modem"));
    }
    EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, c_deviceSpecific + "\\QVX Modem 2"));
    EXPECT_EQ(Lines({ "RemoveUnimodemResponses Opening " + c_deviceSpecific,
                      "RemoveUnimodemResponses removing QVX Modem and all subkeys",
                      "KillThisKeyAndAllItsSubkeys requesting access to QVX Modem",
                      "AllowAccessToKey opening QVX Modem for WRITE_DAC access", "AllowAccessToKey RegOpenKeyEx returned 2",
                      "KillThisKeyAndAllItsSubkeys returned BOOLEAN 0", "RemoveUnimodemResponses bRet 0" }),
              ReadTraceLogLines());
}

TEST_F(ModemResponses, NoDeviceSpecificKey)
{
    const std::string unimodem = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Unimodem";
    const bool unimodemExisted = RegistryKeyExists(HKEY_LOCAL_MACHINE, unimodem);
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, c_deviceSpecific);
    {
        NothingLeft left;
        EXPECT_FALSE(CUninstReportOKPage::RemoveUnimodemResponses("QVX Modem"));
    }
    if (!unimodemExisted)
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, unimodem);
    EXPECT_EQ(Lines({ "RemoveUnimodemResponses Opening " + c_deviceSpecific, "RemoveUnimodemResponses RegOpenKeyEx returned 2",
                      "RemoveUnimodemResponses bRet 0" }),
              ReadTraceLogLines());
}
}   // namespace
