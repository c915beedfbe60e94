#pragma once
// The result window (/out=show) and its controls (the resource script reads
// this too). 閉じる is the dialog's cancel button, so that Esc and the close
// box do what it does. The result's own edit control (Unicode) is made by the
// program, with IDC_RESULT_TEXT.
#define IDD_RESULT 300
#define IDC_RESULT_STATUS 3001
#define IDC_RESULT_ERRORS 3002
#define IDC_RESULT_TEXT 3003
#define IDC_RESULT_NOTE 3004
#define IDC_RESULT_REPLACE 3005
#define IDC_RESULT_AFTER 3006
#define IDC_RESULT_COPY 3007
