// Resource IDs of the program: strings, page templates, controls, picture and icon.
#pragma once

// Strings
#define IDS_APP_ERR_TITLE               1
#define IDS_WIZ_ERR_ALREADY_INSTALLED   10
#define IDS_WIZ_ERR_SETUP_INF           11
#define IDS_WIZ_ERR_MODEM_INF           12
#define IDS_IN_WIZ_TITLE                13
#define IDS_WIZ_ERR_NO_ACCESS           14
#define IDS_UN_WIZ_TITLE                15
#define IDS_WIZ_ERR_TITLE               16
#define IDS_IN_TRO_TOP_TITLE            111
#define IDS_IN_TRO_MIDDLE_TITLE         112
#define IDS_IN_TRO_BOTTOM_TITLE         113
#define IDS_IN_DRV_TOP_TITLE            114
#define IDS_IN_DRV_BOTTOM_TITLE         116
#define IDS_IN_ROK_TOP_TITLE            117
#define IDS_IN_ROK_BOTTOM_TITLE         119
#define IDS_IN_RNG_TOP_TITLE            120
#define IDS_IN_RNG_BOTTOM_TITLE         121
#define IDS_UN_DRV_TOP_TITLE            122
#define IDS_UN_DRV_BOTTOM_TITLE         124
#define IDS_UN_ROK_TOP_TITLE            125
#define IDS_UN_ROK_BOTTOM_TITLE         127
#define IDS_UN_RNG_TOP_TITLE            128

// Page templates
#define IDD_IN_TRO                      101
#define IDD_IN_DRV                      102
#define IDD_IN_ROK                      103
#define IDD_IN_RNG                      104
#define IDD_UN_DRV                      105
#define IDD_UN_ROK                      106

// Controls of the page templates
#define IDC_TOP_TITLE                   1000
#define IDC_BOTTOM_TITLE                1001
#define IDC_MIDDLE_TITLE                1002

// Picture and icon
#define IDB_WIZ_PICTURE                 110
#define IDR_MAINFRAME                   128
