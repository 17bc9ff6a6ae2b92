// Access to registry keys that the system protects against change, and the deletion
// of a key with everything below it.
#pragma once

#include <windows.h>

// Replaces the discretionary access list of the key at path below root with two
// entries: read access for INTERACTIVE, full access for the Administrators. The
// owner, the group, the system list and the keys below are left as they are. TRUE
// when the key took the new list.
BOOLEAN AllowAccessToKey(HKEY root, LPCSTR path);

// Deletes the key at path below root and every key below it, depth first, children
// in the order the registry lists them; each key's access list is opened with
// AllowAccessToKey before the key is opened. TRUE when the key itself was deleted.
BOOLEAN KillThisKeyAndAllItsSubkeys(HKEY root, LPCSTR path);
