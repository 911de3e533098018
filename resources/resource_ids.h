// Identifiers shared by the resource script and the code.
#pragma once

#define IDI_TAMRIVEL 1
#define IDD_ORDER_EDITOR 101
#define IDC_FOLDER_TREE 1000
#define IDC_MOVE_UP 1001
#define IDC_MOVE_DOWN 1002
// Controls the editor makes at run time: the check's notice under the tree
// and its button, and those of the check's list.
#define IDC_CHECK_NOTICE 1003
#define IDC_CHECK_OPEN 1004
#define IDC_CHECK_HEADER 1100
#define IDC_CHECK_LIST 1101
#define IDC_CHECK_DETAIL 1102
#define IDC_CHECK_FIX 1103
#define IDC_CHECK_REMOVE 1104
#define IDC_CHECK_KEEP 1105
#define IDC_CHECK_REMOVE_ALL 1106
