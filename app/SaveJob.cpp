#include "app/SaveJob.h"

#include <iterator>
#include <vector>

#include "app/HostLock.h"
#include "app/Messages.h"
#include "app/SaveOptionsIds.h"
#include "dialogs/SvDlgEx.h"
#include "host/HostLink.h"
#include "support/FileHelpers.h"
#include "support/SaveFilter.h"
#include "support/Settings.h"
#include "support/core/SaveEncoding.h"
#include "support/core/Texts.h"
#include "support/core/ToolError.h"

static_assert(std::size(kSaveEncodingNames) == kSaveEncodingCount, "one name for each SaveEncoding, in its order");
static_assert(std::size(kSaveLineEndsNames) == kSaveLineEndsCount, "one name for each SaveLineEnds, in its order");

namespace {

enum : std::size_t { kEncodingRow, kLineEndsRow };

// The 文字コード and 改行 rows of the dialog's child template, each opening
// with its first entry, the default.
std::vector<TDialogListRow> SaveChoiceRows() {
    return {
        {IDC_SAVE_ENCODING_LABEL, IDC_SAVE_ENCODING, kSaveEncodingLabel,
         {std::begin(kSaveEncodingNames), std::end(kSaveEncodingNames)}, 0},
        {IDC_SAVE_LINE_ENDS_LABEL, IDC_SAVE_LINE_ENDS, kSaveLineEndsLabel,
         {std::begin(kSaveLineEndsNames), std::end(kSaveLineEndsNames)}, 0},
    };
}

}  // namespace

// The host is not locked here, only held while the dialog is open, and is
// not brought to the front afterwards. A file that cannot be written raises
// the file helper's error, which ends the job, with the chosen file as it
// was. A dialog that the system cannot show ends the
// job with a message that names what is missing: never as if cancelled. A
// text that the chosen encoding cannot take is refused with a message before
// any file is created.
void RunSaveJob(TqzSaveDialogEx& dialog, const std::string& editorText) {
    LoadAppIni();
    SetupSaveDialog(dialog);
    dialog.SetTemplate(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SAVE_OPTIONS));
    dialog.ListRows = SaveChoiceRows();
    if (AppIni.AutoFileName) dialog.SetFileName(MakeDefaultFileName(editorText));
    bool confirmed = false;
    try {
        // Both windows of the host are disabled while the dialog is open (the
        // dialog itself would disable only its owner, and what the user typed
        // meanwhile would be missing from the file), and enabled as they
        // were; the titles are not the Save job's to touch.
        const HostLock hold(HostWindow, HostOwnerWindow, HostHold::Dialog);
        confirmed = dialog.Execute();
    } catch (const DialogUnavailableError& missing) {
        ShowWarning(FormatMessageText(kSaveDialogUnavailable, missing.what()));
        return;
    }
    if (!confirmed) return;
    const int encodingIndex = dialog.ListRows[kEncodingRow].ItemIndex;
    const auto encoding = static_cast<SaveEncoding>(encodingIndex);
    const auto lineEnds = static_cast<SaveLineEnds>(dialog.ListRows[kLineEndsRow].ItemIndex);
    // The defaults write the editor's text itself, as it is: no copy.
    if (SavesTextAsItIs(encoding, lineEnds)) {
        ReplaceFileWithText(editorText, dialog.FileName());
        return;
    }
    std::string bytes;
    const TextConversion converted = EncodeTextForSave(editorText, encoding, lineEnds, bytes);
    if (!converted.ok()) {
        ShowWarning(FormatMessageTexts(kSaveNotShiftJis,
                                       {kSaveEncodingNames[encodingIndex], std::to_string(converted.line)}));
        return;
    }
    ReplaceFileWithText(bytes, dialog.FileName());
}
