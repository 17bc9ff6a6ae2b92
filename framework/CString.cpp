#include "framework/CString.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/CWinApp.h"

namespace
{
char g_chNil = '\0';
}

CString::CString() : m_pchData(&g_chNil), m_nDataLength(0)
{
}

CString::CString(const CString& stringSrc) : CString()
{
    AssignCopy(stringSrc.m_pchData, stringSrc.m_nDataLength);
}

CString::CString(LPCSTR lpsz) : CString()
{
    if (lpsz != NULL)
        AssignCopy(lpsz, (int)strlen(lpsz));
}

CString::~CString()
{
    Release();
}

const CString& CString::operator=(const CString& stringSrc)
{
    if (this != &stringSrc)
        AssignCopy(stringSrc.m_pchData, stringSrc.m_nDataLength);
    return *this;
}

const CString& CString::operator=(LPCSTR lpsz)
{
    if (lpsz == NULL)
        Empty();
    else
        AssignCopy(lpsz, (int)strlen(lpsz));
    return *this;
}

const CString& CString::operator+=(LPCSTR lpsz)
{
    if (lpsz != NULL)
        Append(lpsz, (int)strlen(lpsz));
    return *this;
}

const CString& CString::operator+=(const CString& string)
{
    Append(string.m_pchData, string.m_nDataLength);
    return *this;
}

void CString::Empty()
{
    Release();
}

int CString::Replace(char chOld, char chNew)
{
    int nCount = 0;
    for (int i = 0; i < m_nDataLength; i++)
    {
        if (m_pchData[i] == chOld)
        {
            m_pchData[i] = chNew;
            nCount++;
        }
    }
    return nCount;
}

BOOL CString::LoadString(UINT nID)
{
    char szBuffer[256] = "";
    int nLength = ::LoadStringA(AfxGetInstanceHandle(), nID, szBuffer, sizeof(szBuffer));
    if (nLength <= 0)
    {
        Empty();
        return FALSE;
    }
    AssignCopy(szBuffer, nLength);
    return TRUE;
}

void CString::Format(LPCSTR lpszFormat, ...)
{
    va_list args;
    va_start(args, lpszFormat);
    va_list argsForLength;
    va_copy(argsForLength, args);
    int nLength = vsnprintf(NULL, 0, lpszFormat, argsForLength);
    va_end(argsForLength);

    // Formatted into a new block first: an argument may be this string's own text.
    char* pchData = NULL;
    if (nLength > 0)
    {
        pchData = (char*)malloc((size_t)nLength + 1);
        if (pchData != NULL)
            vsnprintf(pchData, (size_t)nLength + 1, lpszFormat, args);
    }
    va_end(args);

    Release();
    if (pchData != NULL)
    {
        m_pchData = pchData;
        m_nDataLength = nLength;
    }
}

CString operator+(const CString& string1, LPCSTR string2)
{
    CString result(string1);
    result += string2;
    return result;
}

bool operator==(const CString& s1, LPCSTR s2)
{
    return strcmp(s1, s2 != NULL ? s2 : "") == 0;
}

bool operator!=(const CString& s1, LPCSTR s2)
{
    return !(s1 == s2);
}

// Both copy the source before the old text is freed, so the source may lie inside it.
void CString::AssignCopy(LPCSTR lpsz, int nLength)
{
    char* pchData = NULL;
    if (nLength > 0)
    {
        pchData = (char*)malloc((size_t)nLength + 1);
        if (pchData != NULL)
        {
            memcpy(pchData, lpsz, (size_t)nLength);
            pchData[nLength] = '\0';
        }
    }
    Release();
    if (pchData != NULL)
    {
        m_pchData = pchData;
        m_nDataLength = nLength;
    }
}

void CString::Append(LPCSTR lpsz, int nLength)
{
    if (nLength == 0)
        return;
    char* pchData = (char*)malloc((size_t)m_nDataLength + (size_t)nLength + 1);
    if (pchData == NULL)
        return;   // the string keeps what it had
    memcpy(pchData, m_pchData, (size_t)m_nDataLength);
    memcpy(pchData + m_nDataLength, lpsz, (size_t)nLength);
    pchData[m_nDataLength + nLength] = '\0';
    int nNewLength = m_nDataLength + nLength;
    Release();
    m_pchData = pchData;
    m_nDataLength = nNewLength;
}

void CString::Release()
{
    if (m_pchData != &g_chNil)
        free(m_pchData);
    m_pchData = &g_chNil;
    m_nDataLength = 0;
}
