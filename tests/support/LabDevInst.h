// The lab's device-installer stand-in (LABDEVINST.DLL) for the test programs: what
// Wine's device installer lacks (class-driver lists, the class installer's
// DIF_INSTALLDEVICE), supplied from outside the program's code.
//
// Loaded into a test program, it swaps the program's own imports of those functions,
// and so serves the program's code linked into it. Swaps of ImportSwap made after the
// loading stack on top of it. Link setup_lab_devinst to use these.
#pragma once

#include <string>

// Loads the stand-in once; later calls do nothing. False, and a test failure, when it
// cannot be loaded.
bool LoadLabDevInst();
// The stand-in as built, as a path of the Wine prefix (Z: is the Unix root).
std::string LabDevInstBuildPath();
// Copies the stand-in into directory (with a trailing backslash), where LABRUN.EXE
// looks for it beside itself: the bench copies only programs to C:\bench. False, and a
// test failure, when it cannot.
bool CopyLabDevInstTo(const std::string& directory);
