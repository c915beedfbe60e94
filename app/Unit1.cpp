#include "app/Unit1.h"

#include <optional>
#include <string>
#include <utility>

#include "app/ExternalToolJob.h"
#include "app/HostLock.h"
#include "app/LockWatcher.h"
#include "app/Messages.h"
#include "app/RunMark.h"
#include "app/RunRequest.h"
#include "app/SaveJob.h"
#include "base/core/ScopeGuard.h"
#include "host/HostLink.h"
#include "support/PhaseLog.h"
#include "support/Switches.h"
#include "support/core/Texts.h"

std::int32_t SelLength = 0;

namespace {

constexpr char kMainFormClass[] = "TPelmarindMainForm";
// Posted when the window is shown: the platform's show-then-activate order,
// without depending on the window really being visible or getting activated.
constexpr UINT WM_FORM_ACTIVATE = WM_APP + 0x100;

// The form's description: no border; position and size are set by FormCreate.
constexpr DWORD kFormStyle = WS_POPUP;
constexpr int kDescribedLeft = 200, kDescribedTop = 120, kDescribedWidth = 320, kDescribedHeight = 240;

// The selection, or the whole text when nothing is selected (or the host
// declines to give the selection); sets the selection length. False when the
// text could not be taken: a transfer that failed on the tool's side, or the
// host declining the whole text, whatever its text-editing window reported
// (a length of 0 may only mean that there is no such window, or no longer).
// Running on an empty text in its place would replace the user's document
// with the program's output on an empty file: an empty text is only one that
// the host gave.
bool ReadEditorText(std::string& editorText) {
    THostText selection = GetHostSelText(HostWindow);
    EndPhase("selection read");
    if (selection.Result == HostReadResult::Failed) return false;
    SelLength = static_cast<std::int32_t>(selection.Text.size());
    if (SelLength != 0) {
        editorText = std::move(selection.Text);
        return true;
    }
    THostText whole = GetHostAllText(HostWindow);
    EndPhase("whole-text read");
    if (whole.Result != HostReadResult::Text) return false;
    editorText = std::move(whole.Text);
    return true;
}

}  // namespace

const TPelmarindMainForm::MessageHandler TPelmarindMainForm::kHandlers[] = {
    {WM_CREATE, &TPelmarindMainForm::OnCreate},
    {WM_FORM_ACTIVATE, &TPelmarindMainForm::OnActivateForm},
};

TPelmarindMainForm::TPelmarindMainForm(TApplication& application) : application_(application) {
    // The form's description of its Save dialog.
    qzSaveDialogEx1.SetDefaultExt("txt");
    qzSaveDialogEx1.OnQueryDlgPos = [this](TCommonDialog* sender, TPoint& pt) { qzSaveDialogEx1QueryDlgPos(sender, pt); };
}

bool TPelmarindMainForm::Create() {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = application_.Instance();
    wc.lpszClassName = kMainFormClass;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    if (RegisterClassExA(&wc) == 0) return false;
    // The application window owns the form, so the form has no task-bar button.
    return CreateWindowExA(0, kMainFormClass, kAppCaption, kFormStyle, kDescribedLeft, kDescribedTop, kDescribedWidth,
                           kDescribedHeight, application_.Handle(), nullptr, application_.Instance(), this) != nullptr;
}

void TPelmarindMainForm::Show() {
    ShowWindow(window_.Get(), SW_SHOWNORMAL);
    PostMessageA(window_.Get(), WM_FORM_ACTIVATE, 0, 0);
}

LRESULT CALLBACK TPelmarindMainForm::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* form = static_cast<TPelmarindMainForm*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        form->window_.Reset(window);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<TPelmarindMainForm*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (form != nullptr) {
        for (const MessageHandler& handler : kHandlers) {
            if (handler.message != message) continue;
            form->application_.Guarded([&] { (form->*handler.handle)(wParam, lParam); });
            return 0;
        }
        if (message == WM_NCDESTROY) {
            SetWindowLongPtrA(window, GWLP_USERDATA, 0);
            form->window_.Forget();
        }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void TPelmarindMainForm::OnActivateForm(WPARAM, LPARAM) {
    if (activated_) return;
    activated_ = true;
    FormActivate(this);
}

void TPelmarindMainForm::FormCreate(TPelmarindMainForm*) {
    SetWindowPos(window_.Get(), nullptr, -100, -100, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE);
    InitialModifiedTime = 0;
}

void TPelmarindMainForm::FormActivate(TPelmarindMainForm*) {
    // Every path ends the program, an escaping error included (it is shown
    // first by the default error display).
    ScopeGuard terminate([this] { application_.Terminate(); });
    if (!IsHostWindow(HostWindow)) {
        MessageBoxA(nullptr, kNotStartedFromHost, kAppCaption, MB_OK | MB_ICONWARNING);
        return;
    }
    EndPhase("start-up");
    // One run per editor. The message has no owner: the other copy keeps the
    // editor's windows disabled, and nothing here may touch them.
    const HostRunMark runMark(HostWindow);
    if (!runMark.Acquired()) {
        MessageBoxA(nullptr, kAlreadyRunning, kAppCaption, MB_OK | MB_ICONWARNING);
        return;
    }
    // Every job holds the host at some point (a lock, a dialog, a message):
    // the watcher that covers it starts now, alongside the job's first steps.
    LockWatcher::Start();
    SetAroundShowing(HostLock::HoldForMessage);
    // Nothing is locked, written, started or shown before the text is had.
    std::string editorText;
    if (!ReadEditorText(editorText)) {
        ShowWarning(kTextNotTaken);
        return;
    }
    if (ChosenJob() == JobKind::SaveToFile) {
        RunSaveJob(qzSaveDialogEx1, editorText);
        return;
    }
    const std::optional<RunRequest> request = ReadRunRequest(application_.Instance(), SelLength != 0);
    if (request) RunExternalToolJob(application_.Instance(), *request, editorText, InitialModifiedTime);
}

// The dialog opens at the top-left corner of the host's client area; the
// proposal is not used.
void TPelmarindMainForm::qzSaveDialogEx1QueryDlgPos(TCommonDialog*, TPoint& pt) {
    POINT origin{0, 0};
    ClientToScreen(HostWindow, &origin);
    pt = {origin.x, origin.y};
}
