#include "app/Unit1.h"

#include <string>

#include "app/ExternalToolJob.h"
#include "app/SaveJob.h"
#include "host/HostLink.h"
#include "support/PhaseLog.h"
#include "support/Switches.h"
#include "support/core/ScopeGuard.h"
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

TPelmarindMainForm::~TPelmarindMainForm() {
    if (handle_ != nullptr) DestroyWindow(handle_);
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
    ShowWindow(handle_, SW_SHOWNORMAL);
    PostMessageA(handle_, WM_FORM_ACTIVATE, 0, 0);
}

LRESULT CALLBACK TPelmarindMainForm::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* form = static_cast<TPelmarindMainForm*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        form->handle_ = window;
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
            form->handle_ = nullptr;
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
    SetWindowPos(handle_, nullptr, -100, -100, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE);
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
    std::string editorText = GetHostSelText(HostWindow);
    EndPhase("selection read");
    SelLength = static_cast<std::int32_t>(editorText.size());
    if (SelLength == 0) {
        editorText = GetHostAllText(HostWindow);
        EndPhase("whole-text read");
    }
    if (ChosenJob() == JobKind::SaveToFile) RunSaveJob(*this, editorText);
    else RunExternalToolJob(*this, editorText);
}

// The dialog opens at the top-left corner of the host's client area; the
// proposal is not used.
void TPelmarindMainForm::qzSaveDialogEx1QueryDlgPos(TCommonDialog*, TPoint& pt) {
    POINT origin{0, 0};
    ClientToScreen(HostWindow, &origin);
    pt = {origin.x, origin.y};
}
