#include "wizard/WizardRun.h"

int PerformWizardRun(const SETUP_SETTINGS& /*settings*/)
{
    // The wizard sheet and its pages are not part of the program yet: no procedure runs.
    return 0;
}
