#include "app/CSetupApp.h"

#include "app/CLogFile.h"
#include "app/CommandLine.h"
#include "app/CountryTable.h"
#include "resources/resource.h"
#include "wizard/WizardRun.h"

#ifndef ERROR_ELEVATION_REQUIRED
#define ERROR_ELEVATION_REQUIRED 740
#endif

namespace
{
const char c_szProbeKey[] = "SYSTEM\\CurrentControlSet\\Enum\\HTREE\\Root\\0";
const char c_szSetupInfName[] = "DRV_QVX.INF";
const char c_szDriverSection[] = "Models";
const char c_szLogFileName[] = "SETUP.TXT";

// Whoever may rewrite the access list of the device tree's root may change the device
// registry. Anybody else is told so, with no owner window, also in silent mode.
bool ProbeDeviceRegistryAccess(HINSTANCE hInstance)
{
    HKEY hKey = NULL;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, c_szProbeKey, 0, WRITE_DAC, &hKey) == ERROR_SUCCESS)
    {
        ::RegCloseKey(hKey);
        return true;
    }
    char szCaption[256] = "";
    char szText[256] = "";
    ::LoadStringA(hInstance, IDS_APP_ERR_TITLE, szCaption, sizeof(szCaption));
    ::LoadStringA(hInstance, IDS_WIZ_ERR_NO_ACCESS, szText, sizeof(szText));
    ::MessageBoxA(NULL, szText, szCaption, MB_OK);
    return false;
}

// The program's directory, with its trailing backslash. A path that does not fit the
// 512-character buffers leaves both paths empty: no setup INF is found then.
void LocateSetupFiles(SETUP_SETTINGS& settings)
{
    settings.driverSection = c_szDriverSection;

    char szModulePath[512];
    DWORD dwLength = ::GetModuleFileNameA(NULL, szModulePath, sizeof(szModulePath));
    if (dwLength == 0 || dwLength >= sizeof(szModulePath))
        return;
    char szDirectory[512];
    LPSTR lpszFilePart = NULL;
    dwLength = ::GetFullPathNameA(szModulePath, sizeof(szDirectory), szDirectory, &lpszFilePart);
    if (dwLength == 0 || dwLength >= sizeof(szDirectory) || lpszFilePart == NULL)
        return;
    *lpszFilePart = '\0';

    settings.setupDirectory = szDirectory;
    settings.setupInfPath = settings.setupDirectory + c_szSetupInfName;
}
}

BEGIN_MESSAGE_MAP(CSetupApp, CWinApp)
    ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

CSetupApp::CSetupApp() : CWinApp(NULL)
{
}

CSetupApp::~CSetupApp()
{
}

BOOL CSetupApp::InitInstance()
{
    SETUP_SETTINGS settings;
    settings.hInstance = AfxGetInstanceHandle();
    Enable3dControlsStatic();

    LPCSTR lpszCmdLine = m_lpCmdLine != NULL ? m_lpCmdLine : "";
    settings.logFlag = false;
    if (IsOptionPresent(lpszCmdLine, 'l'))
    {
        theLogFile.Enable();
        theLogFile.SetFileName(c_szLogFileName);
        settings.logFlag = true;
    }
    settings.installFlag = !IsOptionPresent(lpszCmdLine, 'u');
    settings.titleId = settings.installFlag ? IDS_IN_WIZ_TITLE : IDS_UN_WIZ_TITLE;
    settings.silentFlag = IsOptionPresent(lpszCmdLine, 's');
    settings.countryFlag = IsOptionPresent(lpszCmdLine, 'h');
    settings.countryCode = settings.countryFlag ? ReadCountryCode(lpszCmdLine) : COUNTRY_CODE_NONE;
    settings.dryRunFlag = IsOptionPresent(lpszCmdLine, 'd');

    if (!ProbeDeviceRegistryAccess(settings.hInstance))
    {
        m_nExitCode = ERROR_ELEVATION_REQUIRED;
        return FALSE;
    }

    LocateSetupFiles(settings);
    m_nExitCode = PerformWizardRun(settings);
    return FALSE;
}
