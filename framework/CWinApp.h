// The application object. The program defines exactly one, as a global; the entry
// point (AfxMain.cpp) fills in its instance handle and command line and runs its
// InitInstance.
#pragma once

#include "framework/CCmdTarget.h"

#ifndef ID_HELP
#define ID_HELP 0xE146
#endif

class CWinApp : public CCmdTarget
{
public:
    explicit CWinApp(LPCSTR lpszAppName = NULL);
    ~CWinApp() override;

    // Start-up. TRUE would ask for a message loop, which this framework does not have:
    // the program ends when InitInstance returns, whatever it returns.
    virtual BOOL InitInstance();
    // The process exit code: m_nExitCode.
    virtual int ExitInstance();

    // Kept for the programs that ask for three-dimensional controls; every Windows
    // version that this framework runs on draws them so already.
    BOOL Enable3dControlsStatic() { return TRUE; }

    afx_msg void OnHelp();

    LPCSTR m_pszAppName;
    HINSTANCE m_hInstance;
    LPSTR m_lpCmdLine;
    int m_nCmdShow;
    int m_nExitCode;

    DECLARE_MESSAGE_MAP()
};

CWinApp* AfxGetApp();
// The module of the program; also right before the entry point has run.
HINSTANCE AfxGetInstanceHandle();
