// The texts of the pages: every page puts its strings into the empty text controls
// of its template when its window is created.
#pragma once

#include "framework/CWnd.h"

// Puts string stringId of the program's module into the page's control controlId.
// FALSE when the string does not load: the control stays empty, and the page logs it.
BOOL PutPageText(CWnd& page, int controlId, UINT stringId);
