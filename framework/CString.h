// An 8-bit string with value semantics, in the system's ANSI code page.
//
// The text lives in one heap block. When a block cannot be allocated the string
// keeps no text (it reads as empty): no exception ever leaves this class.
#pragma once

#include "framework/Afx.h"

class CString
{
public:
    CString();
    CString(const CString& stringSrc);
    CString(LPCSTR lpsz);
    ~CString();

    const CString& operator=(const CString& stringSrc);
    const CString& operator=(LPCSTR lpsz);
    const CString& operator+=(LPCSTR lpsz);
    const CString& operator+=(const CString& string);

    operator LPCSTR() const { return m_pchData; }

    int GetLength() const { return m_nDataLength; }
    BOOL IsEmpty() const { return m_nDataLength == 0; }
    void Empty();

    // Replaces every chOld by chNew; returns how many were replaced.
    int Replace(char chOld, char chNew);

    // Loads string nID of the program's module; FALSE (and an empty string) when it has none.
    BOOL LoadString(UINT nID);

    // printf-style formatting of any length.
    void Format(LPCSTR lpszFormat, ...) __attribute__((format(gnu_printf, 2, 3)));

    friend CString operator+(const CString& string1, LPCSTR string2);

private:
    void AssignCopy(LPCSTR lpsz, int nLength);
    void Append(LPCSTR lpsz, int nLength);
    void Release();

    char* m_pchData;     // never null: points to a shared empty text when nothing is allocated
    int m_nDataLength;
};

bool operator==(const CString& s1, LPCSTR s2);
bool operator!=(const CString& s1, LPCSTR s2);
