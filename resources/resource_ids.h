// Identifiers shared by the resource script and the code.
#pragma once

#define IDI_TAMRIVEL 1
#define IDD_ORDER_EDITOR 101
#define IDC_FOLDER_TREE 1000
#define IDC_MOVE_UP 1001
#define IDC_MOVE_DOWN 1002
