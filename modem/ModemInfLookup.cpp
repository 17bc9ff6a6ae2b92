// The modem's name: the key of the Models line that lists the board's identifier, in
// the first INF file beside the program that has one.
#include "wizard/CInstDriverPage.h"

#include <cstring>

#include "app/Trace.h"
#include "framework/ScopedHandles.h"

namespace
{
const DWORD c_pathSize = 512;
const DWORD c_fieldSize = 132;   // a key or a hardware identifier of at most 131 characters

// The program's directory with its trailing backslash. FALSE when the program's path
// does not fit the buffers of 512 characters or has no file part: then no INF is
// looked at at all, which is the outcome of a directory without a matching INF.
bool GetProgramDirectory(char (&directory)[c_pathSize])
{
    char modulePath[c_pathSize];
    DWORD length = ::GetModuleFileNameA(NULL, modulePath, c_pathSize);
    if (length == 0 || length >= c_pathSize)
        return false;
    LPSTR filePart = NULL;
    length = ::GetFullPathNameA(modulePath, c_pathSize, directory, &filePart);
    if (length == 0 || length >= c_pathSize || filePart == NULL)
        return false;
    *filePart = '\0';
    return true;
}

// Looks through the Models section of one open INF. TRUE, with the line's key, when a
// line's field 2 equals the identifier; a line without its key or its field 2 (missing,
// or longer than 131 characters) ends the search of this INF.
bool FindIdentifierInModels(HINF inf, LPCSTR identifier, CString& description)
{
    INFCONTEXT context;
    if (!::SetupFindFirstLineA(inf, "Models", NULL, &context))
        return false;
    int identifierLength = (int)strlen(identifier);
    do
    {
        char key[c_fieldSize];
        char hardwareId[c_fieldSize];
        if (!::SetupGetStringFieldA(&context, 0, key, c_fieldSize, NULL))
            return false;
        if (!::SetupGetStringFieldA(&context, 2, hardwareId, c_fieldSize, NULL))
            return false;
        if (::CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, hardwareId, (int)strlen(hardwareId), identifier,
                             identifierLength)
            == CSTR_EQUAL)
        {
            description = key;
            return true;
        }
    } while (::SetupFindNextLine(&context, &context));
    return false;
}
}   // namespace

BOOLEAN CInstDriverPage::GetTheInfFileDescription(LPCSTR identifier, CString& description)
{
    if (identifier == NULL)
        identifier = "";
    BOOLEAN found = FALSE;

    char directory[c_pathSize];
    if (GetProgramDirectory(directory))
    {
        CString pattern = directory;
        pattern += "*.INF";
        WIN32_FIND_DATAA findData;
        HANDLE search = ::FindFirstFileA(pattern, &findData);
        if (search != INVALID_HANDLE_VALUE)
        {
            do
            {
                CString infPath = directory;
                infPath += findData.cFileName;
                UINT errorLine = 0;
                CInfHandle inf(::SetupOpenInfFileA(infPath, NULL, INF_STYLE_WIN4, &errorLine));
                if (!inf.IsValid())
                {
                    Trace("GetTheInfFileDescription SetupOpenInfFile error at line %u\n", errorLine);
                    continue;
                }
                if (FindIdentifierInModels(inf, identifier, description))
                    found = TRUE;
                inf.Close();   // before the next INF is opened
            } while (!found && ::FindNextFileA(search, &findData));
            ::FindClose(search);
        }
    }
    Trace("CInstDriverPage::GetTheInfFileDescription return with %X\n", (unsigned)found);
    return found;
}
