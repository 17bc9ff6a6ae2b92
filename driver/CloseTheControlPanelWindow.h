// Closes an open Control Panel window, so that the removal of a driver's files does not
// run while the Control Panel may be holding one of them.
#pragma once

// Sends WM_CLOSE to the first top-level window, in the system's enumeration order,
// whose title is the Control Panel's display name (letter case aside), and returns once
// that window has handled it. Closes nothing when the name cannot be read.
void CloseTheControlPanelWindow();
