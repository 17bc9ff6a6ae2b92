#include "framework/CWinApp.h"

namespace
{
CWinApp* g_pApp = NULL;
char g_szNoCommandLine[] = "";
}

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCSTR lpszAppName)
    : m_pszAppName(lpszAppName), m_hInstance(NULL), m_lpCmdLine(g_szNoCommandLine), m_nCmdShow(SW_SHOWNORMAL),
      m_nExitCode(0)
{
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this)
        g_pApp = NULL;
}

BOOL CWinApp::InitInstance()
{
    return FALSE;
}

int CWinApp::ExitInstance()
{
    return m_nExitCode;
}

void CWinApp::OnHelp()
{
    // The program has no help file.
}

CWinApp* AfxGetApp()
{
    return g_pApp;
}

HINSTANCE AfxGetInstanceHandle()
{
    if (g_pApp != NULL && g_pApp->m_hInstance != NULL)
        return g_pApp->m_hInstance;
    return ::GetModuleHandleA(NULL);
}
