// Ids of the test-only dialog template of the layer tests.
#pragma once

#define IDD_LAYER_TEST 100
#define IDC_TEST_BUTTON 1001
#define IDC_TEST_EDIT 1002
#define IDC_TEST_LABEL 1003
#define IDC_TEST_COMBO 1004
#define IDC_TEST_LIST 1005
