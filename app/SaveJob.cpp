#include "app/SaveJob.h"

#include "app/LockWatcher.h"
#include "app/Messages.h"
#include "dialogs/SvDlgEx.h"
#include "host/HostLink.h"
#include "support/FileHelpers.h"
#include "support/SaveFilter.h"
#include "support/Settings.h"
#include "support/core/Texts.h"
#include "support/core/ToolError.h"

// The host is neither locked nor changed here (but for the dialog's own
// disabling of its owner window), and is not brought to the
// front afterwards. A file that cannot be written raises the file helper's
// error, which ends the job. A dialog that the system cannot show ends the
// job with a message that names what is missing: never as if cancelled.
void RunSaveJob(TqzSaveDialogEx& dialog, const std::string& editorText) {
    LoadAppIni();
    SetupSaveDialog(dialog);
    if (AppIni.AutoFileName) dialog.SetFileName(MakeDefaultFileName(editorText));
    bool confirmed = false;
    try {
        // The dialog disables the host's owner window while it is open: if
        // the tool is ended or crashes meanwhile, a watcher enables it again
        // (the titles are not the Save job's to touch).
        LockWatcher watcher(LockState{HostWindow, HostOwnerWindow, false, {}, {}});
        watcher.TitlesRestored();
        confirmed = dialog.Execute();
    } catch (const DialogUnavailableError& missing) {
        ShowWarning(FormatMessageText(kSaveDialogUnavailable, missing.what()));
        return;
    }
    if (confirmed) SaveTextToFile(editorText, dialog.FileName());
}
