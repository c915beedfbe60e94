#include "app/SaveJob.h"

#include "app/Unit1.h"
#include "support/FileHelpers.h"
#include "support/SaveFilter.h"
#include "support/Settings.h"

// The host is neither locked nor changed here, and is not brought to the
// front afterwards. A file that cannot be written raises the file helper's
// error, which ends the job.
void RunSaveJob(TPelmarindMainForm& form, const std::string& editorText) {
    LoadAppIni();
    TqzSaveDialogEx& dialog = form.qzSaveDialogEx1;
    SetupSaveDialog(dialog);
    if (AppIni.AutoFileName) dialog.SetFileName(MakeDefaultFileName(editorText));
    if (dialog.Execute()) SaveTextToFile(editorText, dialog.FileName());
}
