#pragma once
#include <string>

// The result window (/out=show): the program's result in a read-only edit
// control that shows Unicode, its error output above it, and what may be done
// with it. Caption "Pelmarind", owned by the editor's main window and modal to
// it, centred over it inside its monitor's work area, resizable.

// What the window shows.
struct ResultView {
    std::wstring result;        // the result as the program meant it (line ends shown as they are)
    std::string status;         // a first line (a failed program's exit code), or empty
    std::string errors;         // the error output, code page 932 with CR LF line ends, or empty
    std::string notForEditor;   // why the result cannot go into the editor, or empty when it can
    bool failed = false;        // 閉じる the default button, not 置き換える
};

// What the user chose. コピー is done by the window itself (it stays open).
enum class ResultChoice { Close, Replace, After };

ResultChoice ShowResultWindow(const ResultView& view);
