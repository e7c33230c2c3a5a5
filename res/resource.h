// Resource ids of the Windows program, shared by the resource script and the code.
#pragma once

#define IDD_MAIN 102
#define IDI_MAIN 128
#define IDD_PROGRAM 129

// Main window
#define IDC_PROGRAM_LIST 1000
#define IDC_ADD 1001
#define IDC_DELETE 1002
#define IDC_HOST_LINE 1003
#define IDC_EDIT 1004
#define IDC_SEARCH_FOLDER 1005
#define IDC_DELETE_ALL 1008

// Program dialog
#define IDC_PROGRAM_FILE 1004
#define IDC_PROGRAM_SIZE 1005
#define IDC_PROGRAM_TYPE 1006
#define IDC_PROGRAM_PID 1007

#define IDC_STATIC -1
