// Resource IDs of the country applet, pmzcpl.cpl.
#pragma once

// Strings
#define IDS_CPL_NAME            1    // the applet's name: Control Panel, dialog title, message boxes
#define IDS_CPL_INFO            2    // the Control Panel's description of the applet
#define IDS_CPL_PROMPT          3    // the text above the list
#define IDS_CPL_OK              4
#define IDS_CPL_CANCEL          5
#define IDS_CPL_NO_MODEM        6    // no modem of the board is installed
#define IDS_CPL_CANNOT_RECORD   7    // Country\Current could not be written
// The name of country number n in the user's language is string IDS_COUNTRY_FIRST + n
// (names/*.rc, written by make_country_names.py).
#define IDS_COUNTRY_FIRST       1000

// Icon
#define IDI_PMZCPL              100

// The dialog: a prompt, the list of countries (a plain list box; each item's data is
// its country number), OK (IDOK) and Cancel (IDCANCEL).
#define IDD_PMZCPL              200
#define IDC_PMZCPL_PROMPT       1001
#define IDC_PMZCPL_COUNTRIES    1002
