// Ids of the button tests' dialog template (clear of the program's own resource ids).
#pragma once

#define IDD_BUTTON_TEST 300
#define IDC_BT_SHADED 1101
#define IDC_BT_PLAIN 1102
#define IDC_BT_CHECK 1103
#define IDC_BT_EDIT 1104
#define IDC_BT_LAST 1105
