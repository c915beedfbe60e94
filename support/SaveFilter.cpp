#include "support/SaveFilter.h"

#include "base/CodePageWin32.h"
#include "host/HostLink.h"
#include "support/Settings.h"

void SetupSaveDialog(TqzSaveDialogEx& dialog) {
    dialog.SetFilter(MakeFilterText(AppIni));
    if (AppIni.DefDirOn) dialog.SetInitialDir(ExpandDefDir(AppIni.DefDir));
    SelectFilterIndex(dialog);
}

void SelectFilterIndex(TqzSaveDialogEx& dialog) {
    dialog.SetFilterIndex(FilterIndexForMode(GetEditorMode(HostWindow), AppIni));
}

std::string MakeDefaultFileName(const std::string& text) { return MakeDefaultFileName(text, SystemCodePage()); }

std::string CleanFileNameLine(const std::string& line) { return CleanFileNameLine(line, SystemCodePage()); }

bool IsLeadByteAt(const std::string& text, std::size_t position) {
    return IsLeadByteAt(text, position, SystemCodePage());
}
