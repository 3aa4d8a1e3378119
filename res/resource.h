// Resource identifiers, shared by the resource script and the code.
#pragma once

#define IDI_APPLICATION_ICON    128

#define IDS_USAGE               129
#define IDS_INSTALLING          130
#define IDS_REMOVING            131
#define IDS_DONE                133
#define IDS_SHUTDOWN_REASON     134
#define IDS_WAITING_OTHER_RUN   140

#define IDD_USAGE               102
#define IDD_PROGRESS            130

#define IDC_PROGRESS_BAR        1002
#define IDC_STATUS_TEXT         1003
#define IDC_USAGE_TEXT          1004
