#include "app/SaveJob.h"

#include "app/Messages.h"
#include "dialogs/SvDlgEx.h"
#include "support/FileHelpers.h"
#include "support/SaveFilter.h"
#include "support/Settings.h"
#include "support/core/Texts.h"
#include "support/core/ToolError.h"

// The host is neither locked nor changed here, and is not brought to the
// front afterwards. A file that cannot be written raises the file helper's
// error, which ends the job. A dialog that the system cannot show ends the
// job with a message that names what is missing: never as if cancelled.
void RunSaveJob(TqzSaveDialogEx& dialog, const std::string& editorText) {
    LoadAppIni();
    SetupSaveDialog(dialog);
    if (AppIni.AutoFileName) dialog.SetFileName(MakeDefaultFileName(editorText));
    bool confirmed = false;
    try {
        confirmed = dialog.Execute();
    } catch (const DialogUnavailableError& missing) {
        ShowWarning(FormatMessageText(kSaveDialogUnavailable, missing.what()));
        return;
    }
    if (confirmed) SaveTextToFile(editorText, dialog.FileName());
}
