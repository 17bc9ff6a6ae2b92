#include "tests/support/ImportSwap.h"

#include <cstring>

void* SwapImport(const char* moduleName, const char* functionName, void* replacement)
{
    BYTE* base = (BYTE*)::GetModuleHandleA(NULL);
    IMAGE_DOS_HEADER* dosHeader = (IMAGE_DOS_HEADER*)base;
    IMAGE_NT_HEADERS* ntHeaders = (IMAGE_NT_HEADERS*)(base + dosHeader->e_lfanew);
    IMAGE_DATA_DIRECTORY& directory = ntHeaders->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0)
        return NULL;

    for (IMAGE_IMPORT_DESCRIPTOR* descriptor = (IMAGE_IMPORT_DESCRIPTOR*)(base + directory.VirtualAddress);
         descriptor->Name != 0; descriptor++)
    {
        if (_stricmp((const char*)(base + descriptor->Name), moduleName) != 0 || descriptor->OriginalFirstThunk == 0)
            continue;
        IMAGE_THUNK_DATA* names = (IMAGE_THUNK_DATA*)(base + descriptor->OriginalFirstThunk);
        IMAGE_THUNK_DATA* addresses = (IMAGE_THUNK_DATA*)(base + descriptor->FirstThunk);
        for (; names->u1.AddressOfData != 0; names++, addresses++)
        {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            IMAGE_IMPORT_BY_NAME* byName = (IMAGE_IMPORT_BY_NAME*)(base + names->u1.AddressOfData);
            if (strcmp((const char*)byName->Name, functionName) != 0)
                continue;

            void* previous = (void*)addresses->u1.Function;
            DWORD oldProtection = 0;
            ::VirtualProtect(&addresses->u1.Function, sizeof(addresses->u1.Function), PAGE_READWRITE, &oldProtection);
            addresses->u1.Function = (ULONG_PTR)replacement;
            ::VirtualProtect(&addresses->u1.Function, sizeof(addresses->u1.Function), oldProtection, &oldProtection);
            return previous;
        }
    }
    return NULL;
}
