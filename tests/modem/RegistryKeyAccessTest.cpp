// The access list of protected keys, and the deletion of whole key trees, on real keys.
#include <gtest/gtest.h>

#include <windows.h>

#include <sddl.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "modem/RegistryKeyAccess.h"
#include "tests/modem/HeapAndSidCounter.h"
#include "tests/modem/ModemTestSupport.h"
#include "tests/support/ImportSwap.h"
#include "tests/support/TraceLog.h"

namespace
{
const std::string c_scratch = "SOFTWARE\\SetupTests\\KeyTree";
const char c_adminsList[] = "D:(A;;KR;;;IU)(A;;KA;;;BA)";
// A list that the tests put on keys first, so that a change shows.
const char c_everyoneList[] = "D:(A;;KA;;;WD)";

std::string Dacl(HKEY root, const std::string& path)
{
    HKEY key = NULL;
    if (::RegOpenKeyExA(root, path.c_str(), 0, READ_CONTROL, &key) != ERROR_SUCCESS)
        return "(no key)";
    std::vector<BYTE> buffer(4096);
    DWORD size = (DWORD)buffer.size();
    LONG error = ::RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, buffer.data(), &size);
    ::RegCloseKey(key);
    if (error != ERROR_SUCCESS)
        return "(error " + std::to_string(error) + ")";
    LPSTR text = NULL;
    if (!::ConvertSecurityDescriptorToStringSecurityDescriptorA(buffer.data(), SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                                &text, NULL))
        return "(no text)";
    std::string result = text;
    ::LocalFree(text);
    return result;
}

void SetDacl(HKEY root, const std::string& path, const char* sddl)
{
    PSECURITY_DESCRIPTOR descriptor = NULL;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, NULL));
    HKEY key = NULL;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(root, path.c_str(), 0, WRITE_DAC, &key));
    EXPECT_EQ(ERROR_SUCCESS, ::RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor));
    ::RegCloseKey(key);
    ::LocalFree(descriptor);
}

std::string Owner(HKEY root, const std::string& path)
{
    HKEY key = NULL;
    if (::RegOpenKeyExA(root, path.c_str(), 0, READ_CONTROL, &key) != ERROR_SUCCESS)
        return "(no key)";
    std::vector<BYTE> buffer(4096);
    DWORD size = (DWORD)buffer.size();
    LONG error = ::RegGetKeySecurity(key, OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION, buffer.data(), &size);
    ::RegCloseKey(key);
    if (error != ERROR_SUCCESS)
        return "(error " + std::to_string(error) + ")";
    LPSTR text = NULL;
    if (!::ConvertSecurityDescriptorToStringSecurityDescriptorA(
            buffer.data(), SDDL_REVISION_1, OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION, &text, NULL))
        return "(no text)";
    std::string result = text;
    ::LocalFree(text);
    return result;
}

// The lines of a tree deletion that succeeds everywhere: the key at name below its
// parent, with the subkeys that children lists, in the registry's (sorted) order.
struct Node
{
    std::string name;
    std::vector<Node> children;
};

void AddDeletionLines(const Node& node, Lines& lines)
{
    lines.push_back("KillThisKeyAndAllItsSubkeys requesting access to " + node.name);
    lines.push_back("AllowAccessToKey opening " + node.name + " for WRITE_DAC access");
    lines.push_back("KillThisKeyAndAllItsSubkeys opening " + node.name);
    for (const Node& child : node.children)
        lines.push_back("KillThisKeyAndAllItsSubkeys RegEnumKeyEx found " + child.name);
    for (const Node& child : node.children)
        AddDeletionLines(child, lines);
    lines.push_back("KillThisKeyAndAllItsSubkeys deleting " + node.name);
    lines.push_back("KillThisKeyAndAllItsSubkeys returned BOOLEAN 1");
}

void CreateTree(HKEY root, const Node& node)
{
    HKEY key = NULL;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(root, node.name.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL));
    for (const Node& child : node.children)
        CreateTree(key, child);
    ::RegCloseKey(key);
}

// Three levels below the top, two children at each.
Node ThreeLevels(const std::string& name, int depth)
{
    Node node{ name, {} };
    if (depth < 3)
    {
        node.children.push_back(ThreeLevels(name + "A", depth + 1));
        node.children.push_back(ThreeLevels(name + "B", depth + 1));
    }
    return node;
}

// A scratch key below which each test builds its tree; it goes again afterwards.
class KeyTree : public ::testing::Test
{
protected:
    void SetUp() override
    {
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, c_scratch);
        CreateRegistryKey(HKEY_LOCAL_MACHINE, c_scratch);
        ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, c_scratch.c_str(), 0, KEY_ALL_ACCESS, &m_root));
        StartTraceLog();
    }
    void TearDown() override
    {
        ::RegCloseKey(m_root);
        DeleteRegistryTree(HKEY_LOCAL_MACHINE, c_scratch);
    }
    bool Exists(const std::string& path) const { return RegistryKeyExists(m_root, path); }

    HKEY m_root = NULL;
};

TEST_F(KeyTree, AllowAccessToKeyPutsTheTwoEntriesOnTheOneKey)
{
    CreateRegistryKey(m_root, "K\\S");
    WriteRegistryValue(m_root, "K", "Kept", REG_SZ, std::string("yes", 4));
    SetDacl(m_root, "K", c_everyoneList);
    SetDacl(m_root, "K\\S", c_everyoneList);
    const std::string owner = Owner(m_root, "K");

    {
        RegKeyCounter keys;
        HeapAndSidCounter heap;
        EXPECT_TRUE(AllowAccessToKey(m_root, "K"));
        EXPECT_EQ(1, keys.Opened());
        EXPECT_TRUE(keys.StillOpen().empty());
        EXPECT_TRUE(heap.OutstandingBlocks().empty());
        EXPECT_TRUE(heap.OutstandingSids().empty());
        EXPECT_EQ(2, heap.Sids());
    }
    EXPECT_EQ(c_adminsList, Dacl(m_root, "K"));
    EXPECT_EQ(c_everyoneList, Dacl(m_root, "K\\S"));   // no inheritance, the subkey keeps its own
    EXPECT_TRUE(Exists("K\\S"));
    EXPECT_EQ(std::string("yes", 4), ReadRegistryValue(m_root, "K", "Kept").bytes);
    EXPECT_EQ(owner, Owner(m_root, "K"));
    EXPECT_EQ(Lines({ "AllowAccessToKey opening K for WRITE_DAC access" }), ReadTraceLogLines());
}

// The list is the INTERACTIVE entry of 20 bytes and the Administrators entry of 24
// bytes behind the 8-byte header, and the key is opened for WRITE_DAC alone.
decltype(&RegOpenKeyExA) s_open;
REGSAM s_access;
LSTATUS WINAPI RecordAccess(HKEY root, LPCSTR subKey, DWORD options, REGSAM desired, PHKEY result)
{
    s_access = desired;
    return s_open(root, subKey, options, desired, result);
}
decltype(&RegSetKeySecurity) s_setSecurity;
std::vector<BYTE> s_acl;
LSTATUS WINAPI RecordList(HKEY key, SECURITY_INFORMATION information, PSECURITY_DESCRIPTOR descriptor)
{
    BOOL present = FALSE, defaulted = TRUE;
    PACL acl = NULL;
    s_acl.clear();
    if (information == DACL_SECURITY_INFORMATION && ::GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted) &&
        present && !defaulted && acl != NULL)
    {
        s_acl.assign((BYTE*)acl, (BYTE*)acl + acl->AclSize);
    }
    return s_setSecurity(key, information, descriptor);
}

TEST_F(KeyTree, TheListIs52BytesAndTheKeyIsOpenedForWriteDacAlone)
{
    CreateRegistryKey(m_root, "K");
    ImportSwap<decltype(&RegOpenKeyExA)> open("advapi32.dll", "RegOpenKeyExA", RecordAccess);
    ImportSwap<decltype(&RegSetKeySecurity)> set("advapi32.dll", "RegSetKeySecurity", RecordList);
    s_open = open.Original();
    s_setSecurity = set.Original();
    EXPECT_TRUE(AllowAccessToKey(m_root, "K"));
    EXPECT_EQ((REGSAM)WRITE_DAC, s_access);
    ASSERT_EQ(52u, s_acl.size());
    const ACL* acl = (const ACL*)s_acl.data();
    EXPECT_EQ(ACL_REVISION, acl->AclRevision);
    EXPECT_EQ(2, acl->AceCount);
    const ACCESS_ALLOWED_ACE* first = (const ACCESS_ALLOWED_ACE*)(s_acl.data() + 8);
    EXPECT_EQ(0, first->Header.AceFlags);
    EXPECT_EQ((DWORD)KEY_READ, first->Mask);
    const ACCESS_ALLOWED_ACE* second = (const ACCESS_ALLOWED_ACE*)(s_acl.data() + 8 + first->Header.AceSize);
    EXPECT_EQ(0, second->Header.AceFlags);
    EXPECT_EQ((DWORD)KEY_ALL_ACCESS, second->Mask);
}

LSTATUS WINAPI RefuseSetSecurity(HKEY, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR)
{
    return ERROR_ACCESS_DENIED;
}
BOOL WINAPI FailInitializeAcl(PACL, DWORD, DWORD)
{
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

// Each failure leaves the key's list as it was, and no key, block or SID behind.
TEST_F(KeyTree, AllowAccessToKeyFailures)
{
    struct
    {
        const char* what;
        bool keyExists;
        int failHeapAlloc;
        int failSid;
        bool refuseSet;
        bool failInitializeAcl;
        Lines lines;
    } cases[] = {
        { "a missing key", false, 0, 0, false, false,
          { "AllowAccessToKey opening K for WRITE_DAC access", "AllowAccessToKey RegOpenKeyEx returned 2" } },
        { "no INTERACTIVE SID", true, 0, 1, false, false, { "AllowAccessToKey opening K for WRITE_DAC access" } },
        { "no Administrators SID", true, 0, 2, false, false, { "AllowAccessToKey opening K for WRITE_DAC access" } },
        { "no memory for the list", true, 1, 0, false, false, { "AllowAccessToKey opening K for WRITE_DAC access" } },
        { "a list that cannot be initialised", true, 0, 0, false, true, { "AllowAccessToKey opening K for WRITE_DAC access" } },
        { "RegSetKeySecurity refuses", true, 0, 0, true, false, { "AllowAccessToKey opening K for WRITE_DAC access" } },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        DeleteRegistryTree(m_root, "K");
        if (c.keyExists)
        {
            CreateRegistryKey(m_root, "K");
            SetDacl(m_root, "K", c_everyoneList);
        }
        StartTraceLog();
        {
            RegKeyCounter keys;
            HeapAndSidCounter heap;
            heap.FailHeapAlloc(c.failHeapAlloc);
            heap.FailSid(c.failSid);
            ImportSwap<decltype(&RegSetKeySecurity)> set("advapi32.dll", "RegSetKeySecurity",
                                                         c.refuseSet ? RefuseSetSecurity : ::RegSetKeySecurity);
            ImportSwap<decltype(&InitializeAcl)> init("advapi32.dll", "InitializeAcl",
                                                      c.failInitializeAcl ? FailInitializeAcl : ::InitializeAcl);
            EXPECT_FALSE(AllowAccessToKey(m_root, "K"));
            EXPECT_TRUE(keys.StillOpen().empty());
            EXPECT_EQ(keys.Opened(), keys.Closed());
            EXPECT_TRUE(heap.OutstandingBlocks().empty());
            EXPECT_TRUE(heap.OutstandingSids().empty());
        }
        if (c.keyExists)
        {
            EXPECT_EQ(c_everyoneList, Dacl(m_root, "K"));
        }
        EXPECT_EQ(c.lines, ReadTraceLogLines());
    }
}

TEST_F(KeyTree, AKeyWithoutSubkeys)
{
    CreateRegistryKey(m_root, "K");
    RegKeyCounter keys;
    EXPECT_TRUE(KillThisKeyAndAllItsSubkeys(m_root, "K"));
    EXPECT_FALSE(Exists("K"));
    EXPECT_TRUE(keys.StillOpen().empty());
    EXPECT_EQ(Lines({ "KillThisKeyAndAllItsSubkeys requesting access to K", "AllowAccessToKey opening K for WRITE_DAC access",
                      "KillThisKeyAndAllItsSubkeys opening K", "KillThisKeyAndAllItsSubkeys deleting K",
                      "KillThisKeyAndAllItsSubkeys returned BOOLEAN 1" }),
              ReadTraceLogLines());
}

TEST_F(KeyTree, AMissingKey)
{
    CreateRegistryKey(m_root, "Other");
    EXPECT_FALSE(KillThisKeyAndAllItsSubkeys(m_root, "K"));
    EXPECT_TRUE(Exists("Other"));
    EXPECT_EQ(Lines({ "KillThisKeyAndAllItsSubkeys requesting access to K", "AllowAccessToKey opening K for WRITE_DAC access",
                      "AllowAccessToKey RegOpenKeyEx returned 2", "KillThisKeyAndAllItsSubkeys returned BOOLEAN 0" }),
              ReadTraceLogLines());
}

// An empty name would name the root itself: nothing is touched.
TEST_F(KeyTree, AnEmptyNameDeletesNothing)
{
    CreateRegistryKey(m_root, "K");
    {
        RegKeyCounter keys;
        EXPECT_FALSE(KillThisKeyAndAllItsSubkeys(m_root, ""));
        EXPECT_EQ(0, keys.Opened());
    }
    EXPECT_TRUE(Exists("K"));
    EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, c_scratch));
    EXPECT_EQ(Lines({ "KillThisKeyAndAllItsSubkeys requesting access to ", "KillThisKeyAndAllItsSubkeys returned BOOLEAN 0" }),
              ReadTraceLogLines());
}

TEST_F(KeyTree, ThreeLevelsDeepTwoChildrenEach)
{
    const Node tree = ThreeLevels("K", 0);
    CreateTree(m_root, tree);
    CreateRegistryKey(m_root, "Sibling");
    RegKeyCounter keys;
    HeapAndSidCounter heap;
    EXPECT_TRUE(KillThisKeyAndAllItsSubkeys(m_root, "K"));
    EXPECT_FALSE(Exists("K"));
    EXPECT_TRUE(Exists("Sibling"));
    EXPECT_TRUE(keys.StillOpen().empty());
    EXPECT_EQ(keys.Opened(), keys.Closed());
    EXPECT_TRUE(heap.OutstandingBlocks().empty());
    EXPECT_TRUE(heap.OutstandingSids().empty());
    Lines expected;
    AddDeletionLines(tree, expected);
    EXPECT_EQ(expected, ReadTraceLogLines());
}

// A key can be named by a path of several levels; the path is the function's own copy.
TEST_F(KeyTree, APathOfSeveralLevels)
{
    CreateRegistryKey(m_root, "P\\K\\S");
    EXPECT_TRUE(KillThisKeyAndAllItsSubkeys(m_root, "P\\K"));
    EXPECT_FALSE(Exists("P\\K"));
    EXPECT_TRUE(Exists("P"));
}

// Wine deletes every key that the registry holds, whatever its list says, so a
// subkey that resists deletion is made by refusing its RegDeleteKeyA.
decltype(&RegDeleteKeyA) s_deleteKey;
LSTATUS WINAPI RefuseKA(HKEY root, LPCSTR path)
{
    if (std::string(path) == "KA")
        return ERROR_ACCESS_DENIED;
    return s_deleteKey(root, path);
}

TEST_F(KeyTree, ASubkeyThatResistsDeletion)
{
    const Node tree{ "K", { { "KA", { { "KAA", {} } } }, { "KB", {} } } };
    CreateTree(m_root, tree);
    RegKeyCounter keys;
    HeapAndSidCounter heap;
    ImportSwap<decltype(&RegDeleteKeyA)> swap("advapi32.dll", "RegDeleteKeyA", RefuseKA);
    s_deleteKey = swap.Original();
    EXPECT_FALSE(KillThisKeyAndAllItsSubkeys(m_root, "K"));
    EXPECT_TRUE(Exists("K\\KA"));
    EXPECT_FALSE(Exists("K\\KA\\KAA"));
    EXPECT_FALSE(Exists("K\\KB"));   // siblings after the failing one still go
    EXPECT_TRUE(keys.StillOpen().empty());
    EXPECT_EQ(keys.Opened(), keys.Closed());
    EXPECT_TRUE(heap.OutstandingBlocks().empty());
    EXPECT_TRUE(heap.OutstandingSids().empty());
    Lines expected = { "KillThisKeyAndAllItsSubkeys requesting access to K",
                       "AllowAccessToKey opening K for WRITE_DAC access",
                       "KillThisKeyAndAllItsSubkeys opening K",
                       "KillThisKeyAndAllItsSubkeys RegEnumKeyEx found KA",
                       "KillThisKeyAndAllItsSubkeys RegEnumKeyEx found KB",
                       "KillThisKeyAndAllItsSubkeys requesting access to KA",
                       "AllowAccessToKey opening KA for WRITE_DAC access",
                       "KillThisKeyAndAllItsSubkeys opening KA",
                       "KillThisKeyAndAllItsSubkeys RegEnumKeyEx found KAA" };
    AddDeletionLines(tree.children[0].children[0], expected);
    expected.push_back("KillThisKeyAndAllItsSubkeys deleting KA");
    expected.push_back("KillThisKeyAndAllItsSubkeys RegDeleteKey returned 5");
    expected.push_back("KillThisKeyAndAllItsSubkeys returned BOOLEAN 0");
    AddDeletionLines(tree.children[1], expected);
    expected.push_back("KillThisKeyAndAllItsSubkeys deleting K");
    expected.push_back("KillThisKeyAndAllItsSubkeys RegDeleteKey returned 5");
    expected.push_back("KillThisKeyAndAllItsSubkeys returned BOOLEAN 0");
    EXPECT_EQ(expected, ReadTraceLogLines());
}

// A child's access list that cannot be opened, and a key that cannot be opened after
// its list was set: the child stays, and so does every key above it.
decltype(&RegOpenKeyExA) s_openKey;
LSTATUS WINAPI RefuseToOpenKAForAllAccess(HKEY root, LPCSTR path, DWORD options, REGSAM desired, PHKEY result)
{
    if (path != NULL && std::string(path) == "KA" && desired == KEY_ALL_ACCESS)
    {
        *result = NULL;
        return ERROR_ACCESS_DENIED;
    }
    return s_openKey(root, path, options, desired, result);
}

TEST_F(KeyTree, AChildThatCannotBeOpened)
{
    CreateTree(m_root, Node{ "K", { { "KA", {} } } });
    RegKeyCounter keys;
    ImportSwap<decltype(&RegOpenKeyExA)> swap("advapi32.dll", "RegOpenKeyExA", RefuseToOpenKAForAllAccess);
    s_openKey = swap.Original();
    EXPECT_FALSE(KillThisKeyAndAllItsSubkeys(m_root, "K"));
    EXPECT_TRUE(Exists("K\\KA"));
    EXPECT_TRUE(keys.StillOpen().empty());
    EXPECT_EQ(Lines({ "KillThisKeyAndAllItsSubkeys requesting access to K", "AllowAccessToKey opening K for WRITE_DAC access",
                      "KillThisKeyAndAllItsSubkeys opening K", "KillThisKeyAndAllItsSubkeys RegEnumKeyEx found KA",
                      "KillThisKeyAndAllItsSubkeys requesting access to KA",
                      "AllowAccessToKey opening KA for WRITE_DAC access", "KillThisKeyAndAllItsSubkeys opening KA",
                      "KillThisKeyAndAllItsSubkeys RegOpenKeyEx returned 5", "KillThisKeyAndAllItsSubkeys returned BOOLEAN 0",
                      "KillThisKeyAndAllItsSubkeys deleting K", "KillThisKeyAndAllItsSubkeys RegDeleteKey returned 5",
                      "KillThisKeyAndAllItsSubkeys returned BOOLEAN 0" }),
              ReadTraceLogLines());
}

// No block for a subkey's name ends the enumeration: the names kept so far are
// visited, the key itself stays, and nothing is left allocated.
TEST_F(KeyTree, NoMemoryForASubkeyName)
{
    CreateTree(m_root, Node{ "K", { { "KA", {} }, { "KB", {} } } });
    RegKeyCounter keys;
    HeapAndSidCounter heap;
    // K's list, KA's name, then KB's name.
    heap.FailHeapAlloc(3);
    EXPECT_FALSE(KillThisKeyAndAllItsSubkeys(m_root, "K"));
    EXPECT_FALSE(Exists("K\\KA"));
    EXPECT_TRUE(Exists("K\\KB"));
    EXPECT_TRUE(keys.StillOpen().empty());
    EXPECT_TRUE(heap.OutstandingBlocks().empty());
    EXPECT_TRUE(heap.OutstandingSids().empty());
    Lines expected = { "KillThisKeyAndAllItsSubkeys requesting access to K", "AllowAccessToKey opening K for WRITE_DAC access",
                       "KillThisKeyAndAllItsSubkeys opening K", "KillThisKeyAndAllItsSubkeys RegEnumKeyEx found KA" };
    AddDeletionLines(Node{ "KA", {} }, expected);
    expected.push_back("KillThisKeyAndAllItsSubkeys deleting K");
    expected.push_back("KillThisKeyAndAllItsSubkeys RegDeleteKey returned 5");
    expected.push_back("KillThisKeyAndAllItsSubkeys returned BOOLEAN 0");
    EXPECT_EQ(expected, ReadTraceLogLines());
}

TEST_F(KeyTree, TwoHundredLevelsDeep)
{
    Node tree{ "D0", {} };
    Node* deepest = &tree;
    for (int level = 1; level < 200; level++)
    {
        deepest->children.push_back(Node{ "D" + std::to_string(level), {} });
        deepest = &deepest->children.back();
    }
    CreateTree(m_root, tree);
    RegKeyCounter keys;
    EXPECT_TRUE(KillThisKeyAndAllItsSubkeys(m_root, "D0"));
    EXPECT_FALSE(Exists("D0"));
    EXPECT_TRUE(keys.StillOpen().empty());
    EXPECT_EQ(400, keys.Opened());
    Lines expected;
    AddDeletionLines(tree, expected);
    EXPECT_EQ(expected, ReadTraceLogLines());
}

// 5,000 subkeys take about 16 s under Wine and 2,500 about 11 s (each key costs six
// log lines and two opens); 1,000 keep the test quick.
TEST_F(KeyTree, AThousandWide)
{
    const int width = 1000;
    Node tree{ "W", {} };
    char name[16];
    for (int index = 0; index < width; index++)
    {
        snprintf(name, sizeof(name), "C%04d", index);   // sorted as made
        tree.children.push_back(Node{ name, {} });
    }
    CreateTree(m_root, tree);
    RegKeyCounter keys;
    HeapAndSidCounter heap;
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(KillThisKeyAndAllItsSubkeys(m_root, "W"));
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    RecordProperty("seconds", std::to_string(seconds));
    printf("%d subkeys deleted in %.1f s\n", width, seconds);
    EXPECT_FALSE(Exists("W"));
    EXPECT_TRUE(keys.StillOpen().empty());
    EXPECT_TRUE(heap.OutstandingBlocks().empty());
    Lines expected;
    AddDeletionLines(tree, expected);
    EXPECT_EQ(expected, ReadTraceLogLines());
}
}   // namespace
