#include "wizard/PageText.h"

#include "framework/CString.h"

BOOL PutPageText(CWnd& page, int controlId, UINT stringId)
{
    CString text;
    if (!text.LoadString(stringId))
        return FALSE;
    page.SetDlgItemText(controlId, text);
    return TRUE;
}
