// The program's one application object.
#include "app/CSetupApp.h"

CSetupApp theApp;
