#include "framework/CFile.h"

CFile::CFile() : m_hFile(INVALID_HANDLE_VALUE)
{
}

CFile::~CFile()
{
    if (m_hFile != INVALID_HANDLE_VALUE)
        Close();
}

BOOL CFile::Open(LPCSTR lpszFileName, UINT nOpenFlags, CFileException* pError)
{
    DWORD dwAccess = GENERIC_READ;
    if (nOpenFlags & modeWrite)
        dwAccess = GENERIC_WRITE;
    else if (nOpenFlags & modeReadWrite)
        dwAccess = GENERIC_READ | GENERIC_WRITE;
    DWORD dwCreation = (nOpenFlags & modeCreate) ? CREATE_ALWAYS : OPEN_EXISTING;

    HANDLE hFile = ::CreateFileA(lpszFileName, dwAccess, 0, NULL, dwCreation, FILE_ATTRIBUTE_NORMAL, NULL);
    if (hFile == INVALID_HANDLE_VALUE)
    {
        if (pError != NULL)
        {
            pError->m_cause = CFileException::genericException;
            pError->m_lOsError = (LONG)::GetLastError();
        }
        return FALSE;
    }
    m_hFile = hFile;
    return TRUE;
}

void CFile::Close()
{
    if (m_hFile != INVALID_HANDLE_VALUE)
        ::CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
}
