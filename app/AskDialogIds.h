#pragma once
// The ask dialog and its controls (the resource script reads this too). 実行
// and キャンセル are the dialog's OK and cancel buttons (IDOK, IDCANCEL), so
// that Enter and Esc do what they do.
#define IDD_ASK 200
#define IDC_ASK_LABEL 2001
#define IDC_ASK_COMMAND 2002
#define IDC_ASK_PIPE 2003
#define IDC_ASK_UTF8 2004
#define IDC_ASK_HIDE 2005
#define IDC_ASK_OUTPUT_LABEL 2006
#define IDC_ASK_OUTPUT 2007
#define IDC_ASK_FOLDER_LABEL 2008
#define IDC_ASK_FOLDER 2009
