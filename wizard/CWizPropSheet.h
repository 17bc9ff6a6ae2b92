// The wizard sheet: owner of the pages and the driver list of one run, and holder of
// the command-line settings that the pages and procedures read.
#pragma once

#include "driver/CDriverSetup.h"
#include "framework/CPropertySheet.h"

class CInstIntroPage;
class CInstDriverPage;
class CInstReportOKPage;
class CInstReportFailPage;
class CUninstIntroPage;
class CUninstReportOKPage;

class CWizPropSheet : public CPropertySheet
{
    DECLARE_DYNAMIC(CWizPropSheet)

public:
    // The caption is string titleid; the sheet has no Help button.
    CWizPropSheet(bool install, HINSTANCE hinstance, UINT titleid, bool silent, bool countryflag, WORD countrycode,
                  bool log, bool dryrun);
    // Deletes the pages, in the order of the members, then the driver list.
    ~CWizPropSheet() override;

    // Builds the driver list and the pages of the mode; TRUE when the sheet is ready to
    // run. A setup INF that lists no driver is shown to the user (string 11) and
    // recorded as ST_INF_FILE_NOT_FOUND in exitcodePropSheet.
    BOOL MakeNewPropertySheet(CString& setupDirectory, CString& setupInfPath, CString& driverSection);
    // Shows the message of a status, if it has one, owned by the sheet's window (none
    // while the sheet has no window); MessageBoxA's result, 0 when nothing was shown.
    int MsgBox(UINT status, UINT type);

    CInstIntroPage* instintroPropSheet;
    CInstDriverPage* instdriverPropSheet;
    CInstReportOKPage* instreportokPropSheet;
    CInstReportFailPage* instreportfailPropSheet;
    CUninstIntroPage* uninstintroPropSheet;
    CUninstReportOKPage* uninstreportokPropSheet;
    CDriverSetup* driversetupPropSheet;
    bool dryrunPropSheet;
    bool countryflagPropSheet;
    bool installPropSheet;
    bool logPropSheet;
    bool silentPropSheet;
    WORD countrycodePropSheet;
    HINSTANCE hinstancePropSheet;
    UINT titleidPropSheet;

    // The status of the last procedure that ran, 0 when none did: the process exit code.
    SETUP_STATUS exitcodePropSheet;
    // The last driver removal failed: the uninstall report page says so.
    bool removalfailedPropSheet;

private:
    BOOL MakeInstallPages();
    BOOL MakeUninstallPages();

    DECLARE_MESSAGE_MAP()
};
