#pragma once
// The Save dialog's child template and its controls (the resource script
// reads this too): the 文字コード and 改行 rows below the file types.
#define IDD_SAVE_OPTIONS 101
#define IDC_SAVE_ENCODING_LABEL 3001
#define IDC_SAVE_ENCODING 3002
#define IDC_SAVE_LINE_ENDS_LABEL 3003
#define IDC_SAVE_LINE_ENDS 3004
