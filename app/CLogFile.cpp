#include "app/CLogFile.h"

#include <cstring>

CLogFile theLogFile;

CLogFile::CLogFile() : openLogFile(false), enabledLogFile(false)
{
}

CLogFile::~CLogFile()
{
    openLogFile = false;
    enabledLogFile = false;
    pathLogFile.Empty();
}

void CLogFile::Enable()
{
    enabledLogFile = true;
}

void CLogFile::SetFileName(LPCSTR lpszFileName)
{
    if (lpszFileName == NULL)
        return;

    char szModulePath[260];
    DWORD dwLength = ::GetModuleFileNameA(NULL, szModulePath, sizeof(szModulePath));
    if (dwLength == 0 || dwLength >= sizeof(szModulePath))
        return;   // no path, or cut short

    char szFullPath[260];
    LPSTR lpszFilePart = NULL;
    dwLength = ::GetFullPathNameA(szModulePath, sizeof(szFullPath), szFullPath, &lpszFilePart);
    if (dwLength == 0 || dwLength >= sizeof(szFullPath) || lpszFilePart == NULL)
        return;

    *lpszFilePart = '\0';
    if ((size_t)(lpszFilePart - szFullPath) + strlen(lpszFileName) >= sizeof(szFullPath))
        return;   // the name does not fit behind the directory
    ::lstrcpyA(lpszFilePart, lpszFileName);
    pathLogFile = szFullPath;
}

BOOL CLogFile::OpenForAppend()
{
    if (!enabledLogFile)
        return FALSE;
    if (!openLogFile && !pathLogFile.IsEmpty())
    {
        CFileException fileException;
        if (Open(pathLogFile, CFile::modeWrite | CFile::typeText, &fileException)
            || Open(pathLogFile, CFile::modeCreate | CFile::modeWrite | CFile::typeText, &fileException))
        {
            openLogFile = true;
        }
    }
    return openLogFile;
}

void CLogFile::CloseIfOpen()
{
    if (openLogFile)
    {
        Close();
        openLogFile = false;
    }
}

void CLogFile::WriteLine(LPCSTR lpszLine)
{
    if (!OpenForAppend())
        return;
    Seek(0, CFile::end);
    WriteString(lpszLine);
    CloseIfOpen();
}
