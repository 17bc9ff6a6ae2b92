// The country dialog: the countries of the setup program's country table by their names
// in the user's language, sorted for that language, the modem's recorded country chosen.
#include "helpers/pmzcpl/CountryDialog.h"

#include <algorithm>
#include <string>
#include <vector>

#include "app/CountryTable.h"
#include "helpers/pmzcpl/ModemCountry.h"
#include "helpers/pmzcpl/PmzCplResource.h"

namespace
{
struct CountryItem
{
    std::string name;
    WORD code;
};

struct DialogState
{
    HINSTANCE instance;
    HKEY classKey;
};

std::string LoadText(HINSTANCE instance, UINT id)
{
    char text[256] = "";
    ::LoadStringA(instance, id, text, sizeof(text));
    return text;
}

// Every country of the table under its name in the user's language (its letters when the
// applet has no name for it), in the user's sort order.
std::vector<CountryItem> SortedCountries(HINSTANCE instance)
{
    int count = 0;
    const COUNTRY_ENTRY* table = GetCountryTable(&count);
    std::vector<CountryItem> items;
    items.reserve(count);
    for (int i = 0; i < count; i++)
    {
        std::string name = LoadText(instance, IDS_COUNTRY_FIRST + table[i].wCountryCode);
        items.push_back({ name.empty() ? table[i].szLetters : name, table[i].wCountryCode });
    }
    std::stable_sort(items.begin(), items.end(), [](const CountryItem& a, const CountryItem& b) {
        return ::CompareStringA(LOCALE_USER_DEFAULT, 0, a.name.c_str(), -1, b.name.c_str(), -1) == CSTR_LESS_THAN;
    });
    return items;
}

// The country of the user's locale, when the table has it; COUNTRY_CODE_INVALID if not.
WORD CountryOfTheUser()
{
    char letters[8] = "";
    if (::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SISO3166CTRYNAME, letters, sizeof(letters)) != 3)
        return COUNTRY_CODE_INVALID;
    ::CharUpperBuffA(letters, 2);
    return LookUpCountryCode((WORD)(((BYTE)letters[0] << 8) | (BYTE)letters[1]));
}

void FillTheList(HWND dialog, const DialogState& state)
{
    HWND list = ::GetDlgItem(dialog, IDC_PMZCPL_COUNTRIES);
    // The country recorded for the modem; else the user's own; else the first in the list.
    WORD chosen = COUNTRY_CODE_INVALID;
    if (!ReadRecordedCountry(state.classKey, chosen))
        chosen = CountryOfTheUser();
    LRESULT chosenIndex = 0;
    for (const CountryItem& item : SortedCountries(state.instance))
    {
        LRESULT index = ::SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)item.name.c_str());
        if (index < 0)
            continue;
        ::SendMessageA(list, LB_SETITEMDATA, index, item.code);
        if (item.code == chosen)
            chosenIndex = index;
    }
    ::SendMessageA(list, LB_SETCURSEL, chosenIndex, 0);
}

void InitDialog(HWND dialog, DialogState& state)
{
    ::SetWindowLongPtrA(dialog, DWLP_USER, (LONG_PTR)&state);
    ::SetWindowTextA(dialog, LoadText(state.instance, IDS_CPL_NAME).c_str());
    ::SetDlgItemTextA(dialog, IDC_PMZCPL_PROMPT, LoadText(state.instance, IDS_CPL_PROMPT).c_str());
    ::SetDlgItemTextA(dialog, IDOK, LoadText(state.instance, IDS_CPL_OK).c_str());
    ::SetDlgItemTextA(dialog, IDCANCEL, LoadText(state.instance, IDS_CPL_CANCEL).c_str());
    HICON icon = ::LoadIconA(state.instance, MAKEINTRESOURCEA(IDI_PMZCPL));
    ::SendMessageA(dialog, WM_SETICON, ICON_BIG, (LPARAM)icon);
    FillTheList(dialog, state);
}

// OK: the chosen country goes into Country\Current and the dialog closes; when it cannot
// be written, the user is told so and the dialog stays.
void RecordTheChoice(HWND dialog, const DialogState& state)
{
    HWND list = ::GetDlgItem(dialog, IDC_PMZCPL_COUNTRIES);
    LRESULT index = ::SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (index < 0)
        return;
    WORD code = (WORD)::SendMessageA(list, LB_GETITEMDATA, index, 0);
    if (RecordCountry(state.classKey, code) != ERROR_SUCCESS)
    {
        ::MessageBoxA(dialog, LoadText(state.instance, IDS_CPL_CANNOT_RECORD).c_str(),
                      LoadText(state.instance, IDS_CPL_NAME).c_str(), MB_OK | MB_ICONERROR);
        return;
    }
    ::EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK CountryDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    DialogState* state = (DialogState*)::GetWindowLongPtrA(dialog, DWLP_USER);
    switch (message)
    {
    case WM_INITDIALOG:
        InitDialog(dialog, *(DialogState*)lParam);
        return TRUE;
    case WM_COMMAND:
        if (state == NULL)
            break;
        if (LOWORD(wParam) == IDOK
            || (LOWORD(wParam) == IDC_PMZCPL_COUNTRIES && HIWORD(wParam) == LBN_DBLCLK))
        {
            RecordTheChoice(dialog, *state);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL)
        {
            ::EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}
}   // namespace

void RunCountryApplet(HINSTANCE instance, HWND owner)
{
    DialogState state = { instance, OpenTheModemClassKey() };
    if (state.classKey == NULL)
    {
        ::MessageBoxA(owner, LoadText(instance, IDS_CPL_NO_MODEM).c_str(), LoadText(instance, IDS_CPL_NAME).c_str(),
                      MB_OK | MB_ICONINFORMATION);
        return;
    }
    ::DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_PMZCPL), owner, CountryDialogProc, (LPARAM)&state);
    ::RegCloseKey(state.classKey);
}
