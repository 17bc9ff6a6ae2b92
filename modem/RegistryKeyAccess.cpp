// Access to protected registry keys and the deletion of whole key trees.
#include "modem/RegistryKeyAccess.h"

#include <cstring>

#include "app/Trace.h"
#include "framework/CString.h"
#include "framework/ScopedHandles.h"

namespace
{
// The 8-byte list header, and for each of the two entries the 8 bytes that an
// access-allowed entry has ahead of its SID.
const DWORD c_aclOverhead = 24;

// A name buffer of the registry's own limit for a key name, 255 characters and the zero.
const DWORD c_keyNameSize = 256;

// Sets a list of the two entries on the key, which must be open for WRITE_DAC.
BOOLEAN SetAdministratorsAccessList(HKEY key)
{
    BOOLEAN result = FALSE;
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID interactive = NULL;
    PSID administrators = NULL;
    if (!::AllocateAndInitializeSid(&ntAuthority, 1, SECURITY_INTERACTIVE_RID, 0, 0, 0, 0, 0, 0, 0, &interactive))
        return FALSE;
    if (!::AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                    &administrators))
    {
        ::FreeSid(interactive);
        return FALSE;
    }

    DWORD aclSize = ::GetLengthSid(interactive) + ::GetLengthSid(administrators) + c_aclOverhead;
    PACL acl = (PACL)::HeapAlloc(::GetProcessHeap(), 0, aclSize);
    if (acl != NULL)
    {
        SECURITY_DESCRIPTOR descriptor;
        if (::InitializeAcl(acl, aclSize, ACL_REVISION) && ::AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ, interactive) &&
            ::AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS, administrators) &&
            ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
            ::SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE))
        {
            result = ::RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
        }
        ::HeapFree(::GetProcessHeap(), 0, acl);
    }
    ::FreeSid(administrators);
    ::FreeSid(interactive);
    return result;
}

// The names of one key's direct subkeys, taken from the head in the order they were
// added. The nodes come from the process heap.
class CSubkeyNames
{
public:
    CSubkeyNames() : m_head(NULL), m_tail(NULL) { }
    ~CSubkeyNames() { RemoveAll(); }

    BOOL IsEmpty() const { return m_head == NULL; }

    // FALSE (and the list unchanged) when no node can be allocated.
    BOOL AddTail(LPCSTR name)
    {
        CNode* node = (CNode*)::HeapAlloc(::GetProcessHeap(), 0, sizeof(CNode));
        if (node == NULL)
            return FALSE;
        node->next = NULL;
        lstrcpynA(node->name, name, sizeof(node->name));
        if (m_tail == NULL)
            m_head = node;
        else
            m_tail->next = node;
        m_tail = node;
        return TRUE;
    }

    // Copies the head's name into name and drops the head.
    void RemoveHead(char (&name)[c_keyNameSize])
    {
        CNode* node = m_head;
        lstrcpynA(name, node->name, sizeof(name));
        m_head = node->next;
        if (m_head == NULL)
            m_tail = NULL;
        ::HeapFree(::GetProcessHeap(), 0, node);
    }

    void RemoveAll()
    {
        char name[c_keyNameSize];
        while (!IsEmpty())
            RemoveHead(name);
    }

private:
    struct CNode
    {
        CNode* next;
        char name[c_keyNameSize];
    };

    CSubkeyNames(const CSubkeyNames&) = delete;
    CSubkeyNames& operator=(const CSubkeyNames&) = delete;

    CNode* m_head;
    CNode* m_tail;
};

// Steps 3 to 8 of the tree deletion, once the key's access list is open.
BOOLEAN KillOpenableKey(HKEY root, LPCSTR path)
{
    Trace("KillThisKeyAndAllItsSubkeys opening %s\n", path);
    CRegKeyHandle key;
    LONG error = ::RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS, &key);
    if (error != ERROR_SUCCESS)
    {
        Trace("KillThisKeyAndAllItsSubkeys RegOpenKeyEx returned %x\n", (unsigned)error);
        return FALSE;
    }

    // All names first: nothing is deleted while the indices are in use. A name that
    // cannot be kept ends the enumeration as an error of the registry would.
    CSubkeyNames subkeys;
    for (DWORD index = 0;; index++)
    {
        char name[c_keyNameSize];
        DWORD nameSize = c_keyNameSize;
        FILETIME lastWrite;
        if (::RegEnumKeyExA(key, index, name, &nameSize, NULL, NULL, NULL, &lastWrite) != ERROR_SUCCESS)
            break;
        if (!subkeys.AddTail(name))
            break;
        Trace("KillThisKeyAndAllItsSubkeys RegEnumKeyEx found %s\n", name);
    }

    // A child that stays makes this key's own deletion fail below, which is how its
    // failure shows; its result is not needed here.
    while (!subkeys.IsEmpty())
    {
        char name[c_keyNameSize];
        subkeys.RemoveHead(name);
        KillThisKeyAndAllItsSubkeys(key, name);
    }

    Trace("KillThisKeyAndAllItsSubkeys deleting %s\n", path);
    key.Close();
    BOOLEAN result = FALSE;
    error = ::RegDeleteKeyA(root, path);
    if (error != ERROR_SUCCESS)
        Trace("KillThisKeyAndAllItsSubkeys RegDeleteKey returned %x\n", (unsigned)error);
    else
        result = TRUE;
    return result;
}
}   // namespace

BOOLEAN AllowAccessToKey(HKEY root, LPCSTR path)
{
    if (path == NULL)
        path = "";
    Trace("AllowAccessToKey opening %s for WRITE_DAC access\n", path);
    CRegKeyHandle key;
    LONG error = ::RegOpenKeyExA(root, path, 0, WRITE_DAC, &key);
    if (error != ERROR_SUCCESS)
    {
        Trace("AllowAccessToKey RegOpenKeyEx returned %x\n", (unsigned)error);
        return FALSE;
    }
    BOOLEAN result = SetAdministratorsAccessList(key);
    key.Close();
    return result;
}

BOOLEAN KillThisKeyAndAllItsSubkeys(HKEY root, LPCSTR path)
{
    if (path == NULL)
        path = "";
    // The function's own copy of the name, which the caller may change meanwhile.
    CString name = path;
    Trace("KillThisKeyAndAllItsSubkeys requesting access to %s\n", path);

    // An empty name would name root itself, and a copy that could not be made reads
    // as empty: neither is a key below root to delete.
    BOOLEAN result = FALSE;
    if (!name.IsEmpty() && (size_t)name.GetLength() == strlen(path) && AllowAccessToKey(root, name))
        result = KillOpenableKey(root, name);
    Trace("KillThisKeyAndAllItsSubkeys returned BOOLEAN %u\n", (unsigned)result);
    return result;
}
