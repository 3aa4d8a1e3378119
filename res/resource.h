// Resource identifiers, shared by the resource script and the code.
#pragma once

#define IDI_APPLICATION_ICON    128

#define IDS_USAGE               129
#define IDS_INSTALLING          130
#define IDS_REMOVING            131
#define IDS_DONE                133
#define IDS_SHUTDOWN_REASON     134
#define IDS_WAITING_OTHER_RUN   140
// /c: the progress text.
#define IDS_CLEANING            141

// /v: the progress text and the results dialog.
#define IDS_VERIFYING           150
#define IDS_VERIFY_CAPTION      151
#define IDS_VERIFY_SUMMARY      152
#define IDS_VERIFY_NONE         153
#define IDS_VERIFY_PASSED       154
#define IDS_VERIFY_FAILED       155
#define IDS_VERIFY_PROBLEM      156
#define IDS_VERIFY_NOTE         157

#define IDD_USAGE               102
#define IDD_PROGRESS            130
#define IDD_VERIFY_RESULTS      140

#define IDC_PROGRESS_BAR        1002
#define IDC_STATUS_TEXT         1003
#define IDC_USAGE_TEXT          1004
#define IDC_VERIFY_RESULTS_TEXT 1010
