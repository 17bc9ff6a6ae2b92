#include "wizard/CUninstReportOKPage.h"

#include <cstdio>

#include <setupapi.h>

#include "app/Trace.h"
#include "driver/DisableTheCancelButton.h"
#include "modem/ClassDevice.h"
#include "resources/resource.h"
#include "wizard/CWizPropSheet.h"
#include "wizard/PageText.h"

IMPLEMENT_DYNCREATE(CUninstReportOKPage, CPropertyPage)

BEGIN_MESSAGE_MAP(CUninstReportOKPage, CPropertyPage)
END_MESSAGE_MAP()

CUninstReportOKPage::CUninstReportOKPage()
    : CPropertyPage(IDD_UN_ROK), driversetupUninstReportOK(NULL), propsheetUninstReportOK(NULL)
{
    m_psp.dwFlags &= ~PSP_HASHELP;
}

CUninstReportOKPage::~CUninstReportOKPage()
{
}

void CUninstReportOKPage::SetPageData(CWizPropSheet* sheet, CDriverSetup* driverSetup)
{
    propsheetUninstReportOK = sheet;
    driversetupUninstReportOK = driverSetup;
}

void CUninstReportOKPage::DoDataExchange(CDataExchange* /*pDX*/)
{
}

// The page is created once the driver removal has run: its top text says whether the
// driver went.
BOOL CUninstReportOKPage::OnInitDialog()
{
    CPropertyPage::OnInitDialog();
    if (propsheetUninstReportOK != NULL && propsheetUninstReportOK->removalfailedPropSheet)
    {
        if (!PutPageText(*this, IDC_TOP_TITLE, IDS_UN_RNG_TOP_TITLE))
            Trace("CUninstReportOKPage::OnInitDialog no translated string for IDS_UN_RNG_TOP_TITLE (%X)\n",
                  (UINT)IDS_UN_RNG_TOP_TITLE);
    }
    else if (!PutPageText(*this, IDC_TOP_TITLE, IDS_UN_ROK_TOP_TITLE))
        Trace("CUninstReportOKPage::OnInitDialog no translated string for IDS_UN_ROK_TOP_TITLE (%X)\n",
              (UINT)IDS_UN_ROK_TOP_TITLE);
    if (!PutPageText(*this, IDC_BOTTOM_TITLE, IDS_UN_ROK_BOTTOM_TITLE))
        Trace("CUninstReportOKPage::OnInitDialog no translated string for IDS_UN_ROK_BOTTOM_TITLE (%X)\n",
              (UINT)IDS_UN_ROK_BOTTOM_TITLE);
    return TRUE;
}

BOOL CUninstReportOKPage::OnSetActive()
{
    if (propsheetUninstReportOK == NULL)
    {
        Trace("CUninstReportOKPage::OnSetActive propsheetUninstReportOK NULL (%X)\n", 0u);
    }
    else
    {
        propsheetUninstReportOK->SetWizardButtons(propsheetUninstReportOK->dryrunPropSheet ? PSWIZB_BACK | PSWIZB_FINISH
                                                                                          : PSWIZB_FINISH);
        // What was removed stays removed: from here on the wizard can only be finished.
        HWND hSheet = propsheetUninstReportOK->GetSafeHwnd();
        if (hSheet != NULL)
            ::EnumChildWindows(hSheet, DisableTheCancelButton, 0);
    }
    return CPropertyPage::OnSetActive();
}

// The finish-time removal: the modem's responses key, then the modem device, and once
// the device is gone the deletion of this program and the restart prompt. The wizard
// closes whatever happened.
BOOL CUninstReportOKPage::OnWizardFinish()
{
    if (driversetupUninstReportOK == NULL)
    {
        Trace("CUninstReportOKPage::OnWizardFinish driversetupUninstReportOK NULL (%X)\n", 0u);
        return CPropertyPage::OnWizardFinish();
    }
    POSITION pos = NULL;
    if (!driversetupUninstReportOK->GetFirstDriver(pos) || !driversetupUninstReportOK->GetNextDriver(pos))
        return CPropertyPage::OnWizardFinish();

    CString id;
    driversetupUninstReportOK->GetPnPEnumID(pos, id);
    // One unit fewer than the buffer holds, so that the converted ID stays terminated.
    WCHAR wideId[256];
    ZeroMemory(wideId, sizeof(wideId));
    if (::MultiByteToWideChar(CP_ACP, 0, id, id.GetLength(), wideId, 255) == 0)
    {
        Trace("CUninstReportOKPage::OnWizardFinish MultiByteToWideChar cannot convert %s \n", (LPCSTR)id);
        return CPropertyPage::OnWizardFinish();
    }

    // The device removal deletes the keys that name the responses key: that comes first.
    CString responsesKeyName;
    if (FetchOurModemResponses(responsesKeyName, id))
        RemoveUnimodemResponses(responsesKeyName);

    if (UnInstallClassDevice(L"Modem", wideId))
    {
        PrepareSelfDeletion(driversetupUninstReportOK);
        ::SetupPromptReboot(NULL, m_hWnd, FALSE);
    }
    return CPropertyPage::OnWizardFinish();
}

// Due only once the driver's service is gone: then the helper beside the system
// directory is handed this program's path.
void CUninstReportOKPage::PrepareSelfDeletion(CDriverSetup* driverSetup)
{
    if (driverSetup == NULL)
        return;
    POSITION pos = NULL;
    if (!driverSetup->GetFirstDriver(pos) || !driverSetup->GetNextDriver(pos))
        return;
    DRV_STATE state = DRV_S_NONE;
    if (driverSetup->GetInfo(pos, &state) != ST_SUCCESS || state != DRV_S_NONE)
        return;

    char programPath[MAX_PATH];
    DWORD programLength = ::GetModuleFileNameA(NULL, programPath, sizeof(programPath));
    if (programLength == 0 || programLength >= sizeof(programPath))
        return;   // a cut path would name another file

    char systemDirectory[512];
    UINT systemLength = ::GetSystemDirectoryA(systemDirectory, sizeof(systemDirectory));
    if (systemLength == 0 || systemLength >= sizeof(systemDirectory))
        return;
    char helperPath[512];
    LPSTR lastComponent = NULL;
    DWORD fullLength = ::GetFullPathNameA(systemDirectory, sizeof(helperPath), helperPath, &lastComponent);
    if (fullLength == 0 || fullLength >= sizeof(helperPath) || lastComponent == NULL)
        return;
    static const char helperName[] = "ISDEL.EXE";
    size_t parentLength = (size_t)(lastComponent - helperPath);
    if (parentLength + sizeof(helperName) > sizeof(helperPath))
        return;
    ::lstrcpynA(lastComponent, helperName, (int)sizeof(helperName));

    ScheduleSelfDeletionTask(helperPath, programPath);
}

// Starts the helper with this process's number and this program's path, and waits
// until it has set the event named from that number, or has ended without doing so.
void CUninstReportOKPage::ScheduleSelfDeletionTask(LPCSTR helperPath, LPCSTR secondArgument)
{
    if (helperPath == NULL)
        return;
    if (secondArgument == NULL)
        secondArgument = "";

    DWORD processId = ::GetCurrentProcessId();
    char eventName[32];
    ::wsprintfA(eventName, "push-me%x", processId);
    HANDLE event = ::CreateEventA(NULL, TRUE, FALSE, eventName);
    if (event == NULL)
        return;
    Trace("CUninstReportOKPage::ScheduleSelfDeletionTask CreateEvent ok for %s\n", eventName);

    HANDLE helperFile = ::CreateFileA(helperPath, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                                      FILE_FLAG_DELETE_ON_CLOSE, NULL);
    if (helperFile != INVALID_HANDLE_VALUE)
    {
        Trace("CUninstReportOKPage::ScheduleSelfDeletionTask CreateFile ok for %s\n", helperPath);

        // " -L" when the log is off; not without a sheet to ask.
        bool noSheet = propsheetUninstReportOK == NULL;
        bool addNoLog = !noSheet && !propsheetUninstReportOK->logPropSheet;

        char programPath[MAX_PATH];
        DWORD programLength = ::GetModuleFileNameA(NULL, programPath, sizeof(programPath));
        char processNumber[16];
        ::wsprintfA(processNumber, "%x", processId);

        // The buffer holds exactly the parts: "<helper> <number> <program>[ <second>][ -L]".
        size_t secondLength = (size_t)::lstrlenA(secondArgument);
        size_t size = (size_t)::lstrlenA(helperPath) + 1 + (size_t)::lstrlenA(processNumber) + 1 + programLength
                      + (secondLength != 0 ? 1 + secondLength : 0) + (addNoLog ? 3 : 0) + 1;
        LPSTR commandLine = NULL;
        if (programLength != 0 && programLength < sizeof(programPath))
            commandLine = (LPSTR)::GlobalAlloc(GMEM_ZEROINIT, size);
        if (commandLine != NULL)
        {
            if (noSheet)
                Trace("CUninstReportOKPage::ScheduleSelfDeletionTask propsheetUninstReportOK NULL (%X)\n", 0u);
            snprintf(commandLine, size, "%s %s %s%s%s%s", helperPath, processNumber, programPath,
                     secondLength != 0 ? " " : "", secondArgument, addNoLog ? " -L" : "");
            Trace("allocated command line of %u bytes\n", (UINT)::lstrlenA(commandLine));

            STARTUPINFOA startup;
            ZeroMemory(&startup, sizeof(startup));
            startup.cb = sizeof(startup);
            startup.dwFlags = STARTF_FORCEOFFFEEDBACK;
            PROCESS_INFORMATION process;
            ZeroMemory(&process, sizeof(process));
            // The helper's path is also the program to start: a path with blanks in it
            // cannot start another program.
            if (::CreateProcessA(helperPath, commandLine, NULL, NULL, TRUE, 0, NULL, NULL, &startup, &process))
            {
                ::CloseHandle(process.hThread);
                Trace("waiting for %x\n", (UINT)(UINT_PTR)event);
                // Until the helper has set the event, or has ended without setting it.
                HANDLE waitFor[2] = { event, process.hProcess };
                ::WaitForMultipleObjects(2, waitFor, FALSE, INFINITE);
                ::CloseHandle(process.hProcess);
            }
            ::GlobalFree(commandLine);
        }
        // The helper file goes as soon as no other handle on it is open.
        ::CloseHandle(helperFile);
    }
    ::CloseHandle(event);
}
