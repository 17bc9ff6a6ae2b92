// The applet's one job: the dialog in which the user chooses the modem's country.
#pragma once

#include <windows.h>

// Finds the installed modem and shows the country dialog, owned by owner; without a
// modem, the message that none is installed instead. OK records the chosen country in
// the modem's Country\Current, Cancel changes nothing. Returns once the dialog or the
// message is closed, with everything it acquired released.
void RunCountryApplet(HINSTANCE instance, HWND owner);
