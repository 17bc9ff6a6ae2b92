#include "wizard/WizardRun.h"

#include <new>

#include "wizard/CInstDriverPage.h"
#include "wizard/CUninstIntroPage.h"
#include "wizard/CWizPropSheet.h"

int PerformWizardRun(const SETUP_SETTINGS& settings)
{
    CWizPropSheet* sheet = new (std::nothrow)
        CWizPropSheet(settings.installFlag, settings.hInstance, settings.titleId, settings.silentFlag,
                      settings.countryFlag, settings.countryCode, settings.logFlag, settings.dryRunFlag);
    if (sheet == NULL)
        return ST_SUCCESS;   // nothing was done

    CString setupDirectory = settings.setupDirectory;
    CString setupInfPath = settings.setupInfPath;
    CString driverSection = settings.driverSection;
    if (sheet->MakeNewPropertySheet(setupDirectory, setupInfPath, driverSection))
    {
        if (!sheet->silentPropSheet)
            sheet->DoModal();
        else if (sheet->installPropSheet && sheet->instdriverPropSheet != NULL)
            sheet->exitcodePropSheet = sheet->instdriverPropSheet->InstallDrivers(sheet->GetSafeHwnd());
        else if (!sheet->installPropSheet && sheet->uninstintroPropSheet != NULL)
            // Only the driver removal: the modem device and this program stay.
            sheet->exitcodePropSheet = sheet->uninstintroPropSheet->UninstallDrivers(sheet->GetSafeHwnd());
    }
    int exitCode = (int)sheet->exitcodePropSheet;
    delete sheet;
    return exitCode;
}
