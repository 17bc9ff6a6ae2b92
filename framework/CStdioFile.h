// A file written through a C runtime stream. In text mode the stream stores each
// "\n" as "\r\n".
#pragma once

#include <cstdio>

#include "framework/CFile.h"

class CStdioFile : public CFile
{
public:
    CStdioFile();
    ~CStdioFile() override;

    // As CFile::Open, then a stream on the handle: "wt" with modeCreate, "at" without
    // (writes go to the end), "b" in place of "t" without typeText.
    BOOL Open(LPCSTR lpszFileName, UINT nOpenFlags, CFileException* pError = NULL) override;
    void Close() override;

    ULONGLONG Seek(LONGLONG lOff, UINT nFrom);
    // Writes the text as it stands; a failed write is not reported.
    void WriteString(LPCSTR lpsz);

    FILE* m_pStream;
};
