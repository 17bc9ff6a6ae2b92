#include "framework/CStdioFile.h"

#include <fcntl.h>
#include <io.h>

CStdioFile::CStdioFile() : m_pStream(NULL)
{
}

CStdioFile::~CStdioFile()
{
    if (m_pStream != NULL || m_hFile != INVALID_HANDLE_VALUE)
        Close();
}

BOOL CStdioFile::Open(LPCSTR lpszFileName, UINT nOpenFlags, CFileException* pError)
{
    if (!CFile::Open(lpszFileName, nOpenFlags & ~(UINT)(typeText | typeBinary), pError))
        return FALSE;

    bool bText = (nOpenFlags & typeText) != 0;
    bool bCreate = (nOpenFlags & modeCreate) != 0;
    int nFlags = bText ? _O_TEXT : _O_BINARY;
    const char* pszMode;
    if (bCreate)
        pszMode = bText ? "wt" : "wb";
    else
    {
        nFlags |= _O_APPEND;
        pszMode = bText ? "at" : "ab";
    }

    int nHandle = _open_osfhandle((intptr_t)m_hFile, nFlags);
    if (nHandle == -1)
    {
        CFile::Close();
        if (pError != NULL)
            pError->m_cause = CFileException::genericException;
        return FALSE;
    }
    m_pStream = _fdopen(nHandle, pszMode);
    if (m_pStream == NULL)
    {
        _close(nHandle);   // closes m_hFile as well
        m_hFile = INVALID_HANDLE_VALUE;
        if (pError != NULL)
            pError->m_cause = CFileException::genericException;
        return FALSE;
    }
    return TRUE;
}

void CStdioFile::Close()
{
    if (m_pStream != NULL)
    {
        fclose(m_pStream);   // flushes, and closes the descriptor and its handle
        m_pStream = NULL;
        m_hFile = INVALID_HANDLE_VALUE;
    }
    else
        CFile::Close();
}

ULONGLONG CStdioFile::Seek(LONGLONG lOff, UINT nFrom)
{
    if (m_pStream == NULL)
        return (ULONGLONG)-1;
    int nOrigin = nFrom == begin ? SEEK_SET : nFrom == current ? SEEK_CUR : SEEK_END;
    if (_fseeki64(m_pStream, lOff, nOrigin) != 0)
        return (ULONGLONG)-1;
    return (ULONGLONG)_ftelli64(m_pStream);
}

void CStdioFile::WriteString(LPCSTR lpsz)
{
    if (m_pStream != NULL && lpsz != NULL)
        fputs(lpsz, m_pStream);
}
