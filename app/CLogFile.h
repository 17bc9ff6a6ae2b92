// The trace log: SETUP.TXT beside the program. Each line is appended by opening the
// file, writing the line and closing the file again, so that the file on disk is
// complete after every line and no handle is held between lines.
#pragma once

#include "framework/CStdioFile.h"
#include "framework/CString.h"

class CLogFile : public CStdioFile
{
public:
    CLogFile();
    ~CLogFile() override;

    void Enable();
    // The log becomes lpszFileName in the directory of the program file. A program
    // path that does not fit the 260-character buffers leaves the log without a file,
    // so that nothing is written.
    void SetFileName(LPCSTR lpszFileName);
    // Appends one line, which ends with "\n". Does nothing before Enable, and a line
    // that cannot be written is lost without a report.
    void WriteLine(LPCSTR lpszLine);

    BOOL OpenForAppend();
    void CloseIfOpen();

    bool openLogFile;
    CString pathLogFile;
    bool enabledLogFile;
};

extern CLogFile theLogFile;
