#include "app/ResultWindow.h"

#include <windows.h>

#include "app/HostLock.h"
#include "app/Messages.h"
#include "app/ResultWindowIds.h"
#include "app/ToolWindow.h"
#include "host/HostLink.h"
#include "support/Clipboard.h"
#include "support/core/Texts.h"

namespace {

// An edit control breaks lines only at CR LF: a bare LF or CR is shown as one.
std::wstring WithCrLf(const std::wstring& text) {
    std::wstring shown;
    shown.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') {
            shown += L"\r\n";
            ++i;
        } else if (c == L'\r' || c == L'\n') {
            shown += L"\r\n";
        } else {
            shown += c;
        }
    }
    return shown;
}

class ResultWindow {
public:
    explicit ResultWindow(const ResultView& view) : view_(view) {}
    ResultChoice Choice() const { return choice_; }

private:
    friend INT_PTR CALLBACK DispatchDialogMessage<ResultWindow>(HWND, UINT, WPARAM, LPARAM);
    static const DialogHandler<ResultWindow> kHandlers[4];

    void Attach(HWND window) { window_ = window; }
    INT_PTR OnInitDialog(WPARAM, LPARAM);
    INT_PTR OnCommand(WPARAM wParam, LPARAM);
    INT_PTR OnSize(WPARAM, LPARAM);
    INT_PTR OnGetMinMaxInfo(WPARAM, LPARAM lParam);
    void LayOut();
    int Dialog(int units, bool vertical) const;
    HWND Item(int id) const { return GetDlgItem(window_, id); }

    const ResultView& view_;
    ResultChoice choice_ = ResultChoice::Close;
    MessageFont font_;
    HWND window_ = nullptr;
    HWND text_ = nullptr;
};

const DialogHandler<ResultWindow> ResultWindow::kHandlers[4] = {
    {WM_INITDIALOG, &ResultWindow::OnInitDialog},
    {WM_COMMAND, &ResultWindow::OnCommand},
    {WM_SIZE, &ResultWindow::OnSize},
    {WM_GETMINMAXINFO, &ResultWindow::OnGetMinMaxInfo},
};

INT_PTR ResultWindow::OnInitDialog(WPARAM, LPARAM) {
    // The result's own control is a Unicode one, so that a character code
    // page 932 lacks is shown as it is; it follows the error output in the
    // tab order.
    text_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                                ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL,
                            0, 0, 0, 0, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_RESULT_TEXT)),
                            GetModuleHandleA(nullptr), nullptr);
    SetWindowPos(text_, Item(IDC_RESULT_ERRORS), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    font_.ApplyTo(window_);
    SendMessageW(text_, EM_SETLIMITTEXT, 0, 0);
    SetWindowTextW(text_, WithCrLf(view_.result).c_str());
    const std::pair<int, const char*> texts[] = {{IDC_RESULT_STATUS, view_.status.c_str()},
                                                 {IDC_RESULT_ERRORS, view_.errors.c_str()},
                                                 {IDC_RESULT_NOTE, view_.notForEditor.c_str()},
                                                 {IDC_RESULT_REPLACE, kResultReplaceButton},
                                                 {IDC_RESULT_AFTER, kResultAfterButton},
                                                 {IDC_RESULT_COPY, kResultCopyButton},
                                                 {IDCANCEL, kResultCloseButton}};
    for (const auto& [id, text] : texts) SetDlgItemTextA(window_, id, text);
    ShowWindow(Item(IDC_RESULT_STATUS), view_.status.empty() ? SW_HIDE : SW_SHOW);
    ShowWindow(Item(IDC_RESULT_ERRORS), view_.errors.empty() ? SW_HIDE : SW_SHOW);
    ShowWindow(Item(IDC_RESULT_NOTE), view_.notForEditor.empty() ? SW_HIDE : SW_SHOW);
    const bool fits = view_.notForEditor.empty();
    EnableWindow(Item(IDC_RESULT_REPLACE), fits);
    EnableWindow(Item(IDC_RESULT_AFTER), fits);
    const int defaultButton = view_.failed || !fits ? IDCANCEL : IDC_RESULT_REPLACE;
    SendMessageA(window_, DM_SETDEFID, static_cast<WPARAM>(defaultButton), 0);
    LayOut();
    CentreOver(window_, GetWindow(window_, GW_OWNER));
    SetFocus(text_);
    return FALSE;  // the focus set here
}

INT_PTR ResultWindow::OnCommand(WPARAM wParam, LPARAM) {
    const bool fits = view_.notForEditor.empty();
    switch (LOWORD(wParam)) {
    case IDC_RESULT_REPLACE:
        if (!fits) return TRUE;
        choice_ = ResultChoice::Replace;
        break;
    case IDC_RESULT_AFTER:
        if (!fits) return TRUE;
        choice_ = ResultChoice::After;
        break;
    case IDC_RESULT_COPY:
        if (!CopyToClipboard(view_.result)) ShowWarning(kCopyFailed);
        return TRUE;
    case IDCANCEL:
        choice_ = ResultChoice::Close;
        break;
    default:
        return FALSE;
    }
    EndDialog(window_, LOWORD(wParam));
    return TRUE;
}

INT_PTR ResultWindow::OnSize(WPARAM, LPARAM) {
    LayOut();
    return TRUE;
}

INT_PTR ResultWindow::OnGetMinMaxInfo(WPARAM, LPARAM lParam) {
    auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
    info->ptMinTrackSize.x = Dialog(300, false);
    info->ptMinTrackSize.y = Dialog(150, true);
    return TRUE;
}

int ResultWindow::Dialog(int units, bool vertical) const {
    RECT r{0, 0, units, units};
    MapDialogRect(window_, &r);
    return vertical ? r.bottom : r.right;
}

// Top down: the status line, the error output, the result taking what is
// left, the note, then the buttons in a row (閉じる on the right).
void ResultWindow::LayOut() {
    if (text_ == nullptr) return;
    RECT client{};
    GetClientRect(window_, &client);
    const int margin = Dialog(7, false), marginY = Dialog(7, true), gap = Dialog(4, true);
    const int lineHeight = Dialog(9, true), errorsHeight = Dialog(44, true);
    const int buttonWidth = Dialog(64, false), buttonHeight = Dialog(14, true), buttonGap = Dialog(4, false);
    const int width = client.right - 2 * margin;
    int top = marginY;
    int bottom = client.bottom - marginY - buttonHeight;
    const auto place = [&](HWND control, int x, int y, int w, int h) {
        SetWindowPos(control, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    };
    int x = margin;
    for (int id : {IDC_RESULT_REPLACE, IDC_RESULT_AFTER, IDC_RESULT_COPY}) {
        place(Item(id), x, bottom, buttonWidth, buttonHeight);
        x += buttonWidth + buttonGap;
    }
    place(Item(IDCANCEL), client.right - margin - buttonWidth, bottom, buttonWidth, buttonHeight);
    bottom -= gap;
    if (!view_.notForEditor.empty()) {
        bottom -= lineHeight;
        place(Item(IDC_RESULT_NOTE), margin, bottom, width, lineHeight);
        bottom -= gap;
    }
    if (!view_.status.empty()) {
        place(Item(IDC_RESULT_STATUS), margin, top, width, lineHeight);
        top += lineHeight + gap;
    }
    if (!view_.errors.empty()) {
        place(Item(IDC_RESULT_ERRORS), margin, top, width, errorsHeight);
        top += errorsHeight + gap;
    }
    place(text_, margin, top, width, bottom > top ? bottom - top : 0);
}

}  // namespace

ResultChoice ShowResultWindow(const ResultView& view) {
    // The editor held (and watched) while the window waits for the user: the
    // run's lock already does, or a hold of its own.
    const HostLock hold(HostWindow, HostOwnerWindow, HostHold::Dialog);
    ResultWindow window(view);
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_RESULT), HostWindow,
                    &DispatchDialogMessage<ResultWindow>, reinterpret_cast<LPARAM>(&window));
    return window.Choice();
}
