// A file on a Win32 handle, and the record that a failed open fills in.
#pragma once

#include "framework/Afx.h"

class CFileException
{
public:
    enum
    {
        none = 0,
        genericException = 1,
    };

    CFileException() : m_cause(none), m_lOsError(0) { }

    int m_cause;
    LONG m_lOsError;   // GetLastError of the failed call
};

class CFile
{
public:
    enum OpenFlags
    {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        modeCreate = 0x1000,
        typeText = 0x4000,
        typeBinary = 0x8000,
    };
    enum SeekPosition
    {
        begin = 0,
        current = 1,
        end = 2,
    };

    CFile();
    virtual ~CFile();

    // Opens lpszFileName with no sharing: modeCreate creates the file or cuts it to
    // zero length, without it the file must exist. FALSE on failure, with the error
    // in pError when one is given.
    virtual BOOL Open(LPCSTR lpszFileName, UINT nOpenFlags, CFileException* pError = NULL);
    virtual void Close();

    HANDLE m_hFile;

private:
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;
};
