#include "framework/CWnd.h"

IMPLEMENT_DYNAMIC(CWnd, CObject)
