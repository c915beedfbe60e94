#include "app/AskDialog.h"

#include <utility>
#include <vector>

#include "app/AskDialogIds.h"
#include "app/ToolWindow.h"
#include "base/CodePageWin32.h"
#include "support/HistoryFile.h"
#include "support/core/InterpreterCommand.h"
#include "support/core/Texts.h"

namespace {

// The options of a history entry as the item data of its line in the list:
// three bits, then where its result goes.
constexpr LPARAM kPipeBit = 1, kUtf8Bit = 2, kHideBit = 4;
constexpr int kOutputShift = 3;

std::string TextOfWindow(HWND window) {
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

class AskDialog {
public:
    AskDialog(const AskInitial& initial, std::vector<HistoryEntry> history)
        : initial_(initial), history_(std::move(history)) {}

    const std::optional<AskAnswer>& Answer() const { return answer_; }
    const std::vector<std::string>& Removed() const { return removed_; }

private:
    friend INT_PTR CALLBACK DispatchDialogMessage<AskDialog>(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK CommandEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam);
    static const DialogHandler<AskDialog> kHandlers[3];

    void Attach(HWND window) { window_ = window; }
    INT_PTR OnInitDialog(WPARAM, LPARAM);
    INT_PTR OnCommand(WPARAM wParam, LPARAM);
    INT_PTR OnDestroy(WPARAM, LPARAM);
    void Init();
    void Command(int id, int code);
    void ShowOptions(bool pipe, bool utf8, bool hide, OutputMode output);
    void Update(const std::string& command);
    bool ForgetSelected();
    void Run();
    void Destroyed();

    bool Checked(int id) const { return IsDlgButtonChecked(window_, id) == BST_CHECKED; }
    HWND Combo() const { return GetDlgItem(window_, IDC_ASK_COMMAND); }

    AskInitial initial_;
    std::vector<HistoryEntry> history_;
    std::vector<std::string> removed_;
    std::optional<AskAnswer> answer_;
    MessageFont font_;
    HWND window_ = nullptr;
    HWND edit_ = nullptr;
};

const DialogHandler<AskDialog> AskDialog::kHandlers[3] = {
    {WM_INITDIALOG, &AskDialog::OnInitDialog},
    {WM_COMMAND, &AskDialog::OnCommand},
    {WM_DESTROY, &AskDialog::OnDestroy},
};

INT_PTR AskDialog::OnInitDialog(WPARAM, LPARAM) {
    Init();
    CentreOver(window_, GetWindow(window_, GW_OWNER));
    return TRUE;  // the focus to the first control, the combo box
}

INT_PTR AskDialog::OnCommand(WPARAM wParam, LPARAM) {
    Command(LOWORD(wParam), HIWORD(wParam));
    return TRUE;
}

INT_PTR AskDialog::OnDestroy(WPARAM, LPARAM) {
    Destroyed();
    return FALSE;
}

void AskDialog::Init() {
    const HWND window = window_;
    const std::pair<int, const char*> texts[] = {{IDC_ASK_LABEL, kAskCommandLabel}, {IDC_ASK_PIPE, kAskPipeOption},
                                                 {IDC_ASK_UTF8, kAskUtf8Option},    {IDC_ASK_HIDE, kAskHideOption},
                                                 {IDOK, kAskRunButton},             {IDCANCEL, kAskCancelButton},
                                                 {IDC_ASK_OUTPUT_LABEL, kAskOutputLabel},
                                                 {IDC_ASK_FOLDER_LABEL, kAskFolderLabel}};
    for (const auto& [id, text] : texts) SetDlgItemTextA(window, id, text);
    font_.ApplyTo(window);
    const HWND combo = Combo();
    SendMessageA(combo, CB_LIMITTEXT, kMaxHistoryCommandBytes, 0);
    for (const HistoryEntry& entry : history_) {
        const auto index = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.command.c_str()));
        if (index < 0) continue;
        const LPARAM options = (entry.pipe ? kPipeBit : 0) | (entry.utf8 ? kUtf8Bit : 0) | (entry.hide ? kHideBit : 0) |
                               static_cast<LPARAM>(entry.output) << kOutputShift;
        SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(index), options);
    }
    // Shift+Delete reaches the combo box's edit control, which keeps the
    // keyboard while the list is open: its keys are looked at first.
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    if (GetComboBoxInfo(combo, &info) && info.hwndItem != nullptr) {
        edit_ = info.hwndItem;
        SetWindowLongPtrA(edit_, GWLP_USERDATA, GetWindowLongPtrA(edit_, GWLP_WNDPROC));
        SetWindowLongPtrA(edit_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CommandEditProc));
    }
    for (const char* name : kAskOutputNames) {
        SendDlgItemMessageA(window, IDC_ASK_OUTPUT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    }
    ShowOptions(initial_.pipe, initial_.utf8, initial_.hide, initial_.output);
    SetDlgItemTextA(window, IDC_ASK_FOLDER, initial_.folder.c_str());
    Update({});
}

void AskDialog::Command(int id, int code) {
    switch (id) {
    case IDC_ASK_COMMAND:
        if (code == CBN_EDITCHANGE) {
            Update(TextOfWindow(Combo()));
        } else if (code == CBN_SELCHANGE) {
            // The edit control gets the chosen line only after this notice:
            // the line is read from the list.
            const HWND combo = Combo();
            const auto index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
            const auto length = index < 0 ? CB_ERR : SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
            if (length < 0) return;
            std::string chosen(static_cast<std::size_t>(length) + 1, '\0');
            chosen.resize(static_cast<std::size_t>(
                SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(chosen.data()))));
            const auto options = SendMessageA(combo, CB_GETITEMDATA, static_cast<WPARAM>(index), 0);
            ShowOptions((options & kPipeBit) != 0, (options & kUtf8Bit) != 0, (options & kHideBit) != 0,
                        static_cast<OutputMode>(options >> kOutputShift));
            // The folder the command ran in comes with it (commands are
            // unique in the history).
            for (const HistoryEntry& entry : history_) {
                if (entry.command == chosen) SetDlgItemTextA(window_, IDC_ASK_FOLDER, entry.folder.c_str());
            }
            Update(chosen);
        }
        return;
    case IDC_ASK_PIPE:
        if (code == BN_CLICKED) Update(TextOfWindow(Combo()));
        return;
    case IDOK:
        Run();
        return;
    case IDCANCEL:
        EndDialog(window_, IDCANCEL);
        return;
    default:
        return;
    }
}

void AskDialog::ShowOptions(bool pipe, bool utf8, bool hide, OutputMode output) {
    SendDlgItemMessageA(window_, IDC_ASK_OUTPUT, CB_SETCURSEL, static_cast<WPARAM>(output), 0);
    CheckDlgButton(window_, IDC_ASK_PIPE, pipe ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(window_, IDC_ASK_UTF8, utf8 ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(window_, IDC_ASK_HIDE, hide ? BST_CHECKED : BST_UNCHECKED);
}

// 実行 only for a command that is not blank; the hidden console only where the
// launcher would hide one: a file run of a command-interpreter call. (Its
// check is kept while it is disabled, for when it applies again.)
void AskDialog::Update(const std::string& command) {
    EnableWindow(GetDlgItem(window_, IDOK), !TrimmedCommand(command).empty());
    EnableWindow(GetDlgItem(window_, IDC_ASK_HIDE),
                 !Checked(IDC_ASK_PIPE) && IsInterpreterCommand(command, SystemCodePage()));
}

LRESULT CALLBACK AskDialog::CommandEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto original = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(edit, GWLP_USERDATA));
    if (message == WM_KEYDOWN && wParam == VK_DELETE && GetKeyState(VK_SHIFT) < 0) {
        auto* self = reinterpret_cast<AskDialog*>(GetWindowLongPtrA(GetAncestor(edit, GA_ROOT), DWLP_USER));
        if (self != nullptr && self->ForgetSelected()) return 0;
    }
    return CallWindowProcA(original, edit, message, wParam, lParam);
}

// Shift+Delete on a line of the open list: the line goes, from the list and
// from the history that 実行 writes. The next line (or the one before, for the
// last) is chosen then, with its options. Elsewhere Shift+Delete cuts text as
// usual.
bool AskDialog::ForgetSelected() {
    const HWND combo = Combo();
    if (!SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0)) return false;
    const auto index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    const auto length = index < 0 ? CB_ERR : SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0) return false;
    std::string command(static_cast<std::size_t>(length) + 1, '\0');
    command.resize(static_cast<std::size_t>(
        SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(command.data()))));
    const auto remaining = SendMessageA(combo, CB_DELETESTRING, static_cast<WPARAM>(index), 0);
    ForgetCommand(history_, command);
    removed_.push_back(std::move(command));
    if (remaining > 0) {
        SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index < remaining ? index : remaining - 1), 0);
        Command(IDC_ASK_COMMAND, CBN_SELCHANGE);
    }
    return true;
}

void AskDialog::Run() {
    const std::string command = TrimmedCommand(TextOfWindow(Combo()));
    if (command.empty()) return;
    const bool hideApplies = IsWindowEnabled(GetDlgItem(window_, IDC_ASK_HIDE)) != 0;
    const auto output = SendDlgItemMessageA(window_, IDC_ASK_OUTPUT, CB_GETCURSEL, 0, 0);
    answer_ = AskAnswer{command, Checked(IDC_ASK_PIPE), Checked(IDC_ASK_UTF8), hideApplies && Checked(IDC_ASK_HIDE),
                        output < 0 ? OutputMode::Replace : static_cast<OutputMode>(output),
                        TrimmedCommand(TextOfWindow(GetDlgItem(window_, IDC_ASK_FOLDER)))};
    EndDialog(window_, IDOK);
}

void AskDialog::Destroyed() {
    if (edit_ != nullptr) SetWindowLongPtrA(edit_, GWLP_WNDPROC, GetWindowLongPtrA(edit_, GWLP_USERDATA));
    edit_ = nullptr;
}

}  // namespace

std::optional<AskAnswer> AskForCommand(HINSTANCE instance, HWND owner, const AskInitial& initial) {
    const std::string path = HistoryFilePath();
    AskDialog dialog(initial, LoadHistory(path).entries);
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_ASK), owner, &DispatchDialogMessage<AskDialog>,
                    reinterpret_cast<LPARAM>(&dialog));
    const std::optional<AskAnswer>& answer = dialog.Answer();
    if (!answer) return std::nullopt;
    // Written only now, after 実行: a failure to write costs the history, not
    // the run.
    UpdateHistory(path, [&](std::vector<HistoryEntry>& history) {
        for (const std::string& removed : dialog.Removed()) ForgetCommand(history, removed);
        RememberCommand(history, HistoryEntry{answer->command, answer->pipe, answer->utf8, answer->hide,
                                              answer->output, answer->folder});
    });
    return answer;
}
