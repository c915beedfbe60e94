#pragma once
// The running window's dialog and its controls (the resource script reads
// this too). The 中止 button is the dialog's cancel button, so that Esc and
// the close box do what it does.
#define IDD_RUNNING 100
#define IDC_RUNNING_STATUS 1001
#define IDC_RUNNING_NOTE 1002
