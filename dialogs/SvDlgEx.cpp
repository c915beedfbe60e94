#include "dialogs/SvDlgEx.h"

#include <dlgs.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <utility>
#include <vector>

#include "base/CodePageWin32.h"
#include "base/Handles.h"
#include "base/core/ScopeGuard.h"
#include "host/HostLink.h"

#if defined(__i386__) || defined(_M_IX86)
static_assert(kDialogRecordSize == 76 && kLargeDialogRecordSize == 88, "the 32-bit program's dialog records");
#endif

namespace {

constexpr char kDialogObjectProperty[] = "PelmarindDialogObject";
constexpr DWORD kNameBufferSize = 262;
constexpr DWORD kMaxFileName = 260;
constexpr std::size_t kFileNameCopyLimit = 260;
constexpr int kDialogPathLength = 261;
// Posted to the hook window to lay the rows out after a resize.
constexpr UINT kLayoutListRowsMessage = WM_APP + 0x51;

// The dialog being run: set just before the system dialog function is
// called, taken and cleared by the hook procedure at WM_INITDIALOG. The hook
// procedure receives no pointer to the object; this is its only link.
TCommonDialog* CreationControl = nullptr;

TPlatformVersion ReadPlatformVersion() {
    TPlatformVersion version;
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (GetVersionExA(&info)) {
        version.PlatformId = info.dwPlatformId;
        version.MajorVersion = info.dwMajorVersion;
        version.MinorVersion = info.dwMinorVersion;
    }
    return version;
}

// Read once at start-up.
const TPlatformVersion gPlatformVersion = ReadPlatformVersion();
const bool gNewStyleControls = LOBYTE(LOWORD(GetVersion())) >= 4;

TPoint ScreenCentredPosition(HWND frame, LONG& width, LONG& height) {
    RECT rect{};
    GetWindowRect(frame, &rect);
    width = rect.right - rect.left;
    height = rect.bottom - rect.top;
    return CentredFramePosition(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), width, height);
}

void CentreWindow(HWND window) {
    LONG width = 0, height = 0;
    const TPoint pt = ScreenCentredPosition(window, width, height);
    SetWindowPos(window, nullptr, pt.X, pt.Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

UINT NotifyCode(LPARAM lParam) { return reinterpret_cast<const NMHDR*>(lParam)->code; }

// A window's rectangle in the client coordinates of another window.
RECT RectIn(HWND parent, HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

struct DisabledWindows {
    std::vector<HWND> windows;
};

// A window is disabled only once it is remembered, so that it is enabled
// again; nothing may be thrown through the system's enumeration.
BOOL CALLBACK DisableIfEnabledAndVisible(HWND window, LPARAM param) {
    if (IsWindowVisible(window) && IsWindowEnabled(window)) {
        try {
            reinterpret_cast<DisabledWindows*>(param)->windows.push_back(window);
        } catch (...) {
            return FALSE;
        }
        EnableWindow(window, FALSE);
    }
    return TRUE;
}

// The window that ends the dialog: the frame of the Explorer-style dialog,
// whose hook window is a child of it, or the old-style dialog itself.
HWND DialogWindowOf(HWND hookWindow) {
    return (GetWindowLongPtrA(hookWindow, GWL_STYLE) & WS_CHILD) != 0 ? GetParent(hookWindow) : hookWindow;
}

void Raise(const TNotifyEvent& event, TCommonDialog* sender) {
    if (event) event(sender);
}

}  // namespace

TDialogFunc DialogFunction(const char* library, const char* function) {
    const SystemLibrary dialogs(library);
    if (!dialogs.Loaded()) throw DialogUnavailableError(library);
    const auto found = dialogs.Get<TDialogFunc>(function);
    if (found == nullptr) throw DialogUnavailableError(std::string(function) + " (" + library + ")");
    return found;
}

const TPlatformVersion& PlatformVersion() { return gPlatformVersion; }
bool NewStyleControls() { return gNewStyleControls; }

TCommonDialog::~TCommonDialog() {
    if (CreationControl == this) CreationControl = nullptr;
    ReleaseHookWindow();
}

void TCommonDialog::TakeOverHookWindow(HWND wnd) {
    handle_ = wnd;
    SetPropA(wnd, kDialogObjectProperty, this);
    defWndProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TCommonDialog::ObjectWindowProc)));
}

// Gives the hook window back its previous procedure: when the window gets
// its last message, or when the object goes while its window still exists.
void TCommonDialog::ReleaseHookWindow() {
    if (handle_ == nullptr) return;
    if (IsWindow(handle_)) {
        SetWindowLongPtrA(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(defWndProc_));
        RemovePropA(handle_, kDialogObjectProperty);
    }
    handle_ = nullptr;
}

LRESULT CALLBACK TCommonDialog::ObjectWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* dialog = static_cast<TCommonDialog*>(GetPropA(wnd, kDialogObjectProperty));
    if (dialog == nullptr) return DefWindowProcA(wnd, msg, wParam, lParam);
    TMessage message{msg, wParam, lParam, 0};
    dialog->Dispatch(wnd, message);
    return message.Result;
}

void TCommonDialog::Dispatch(HWND wnd, TMessage& message) noexcept {
    try {
        WndProc(message);
    } catch (...) {
        if (!pendingError_) pendingError_ = std::current_exception();
        const HWND dialogWindow = DialogWindowOf(wnd);
        PostMessageA(dialogWindow, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialogWindow, IDCANCEL)));
    }
}

void TCommonDialog::WndProc(TMessage& message) {
    switch (message.Msg) {
        case WM_DESTROY:
            DefaultHandler(message);
            Raise(OnClose, this);
            break;
        case WM_NCDESTROY:
            DefaultHandler(message);
            ReleaseHookWindow();
            break;
        default:
            DefaultHandler(message);
    }
}

void TCommonDialog::DefaultHandler(TMessage& message) {
    if (handle_ != nullptr) {
        message.Result = CallWindowProcA(defWndProc_, handle_, message.Msg, message.WParam, message.LParam);
    }
}

BOOL TCommonDialog::RunSystemDialog(TDialogFunc function, OPENFILENAMEA& record) {
    const HWND activeWindow = GetActiveWindow();
    DisabledWindows disabled;
    BOOL result = FALSE;
    {
        ScopeGuard restore([&] {
            if (CreationControl == this) CreationControl = nullptr;  // the system failed before WM_INITDIALOG
            for (HWND window : disabled.windows) {
                if (IsWindow(window)) EnableWindow(window, TRUE);
            }
            if (activeWindow != nullptr && IsWindow(activeWindow)) SetActiveWindow(activeWindow);
        });
        EnumThreadWindows(GetCurrentThreadId(), DisableIfEnabledAndVisible, reinterpret_cast<LPARAM>(&disabled));
        pendingError_ = nullptr;
        CreationControl = this;
        result = function(&record);
    }
    if (pendingError_) std::rethrow_exception(std::exchange(pendingError_, nullptr));
    return result;
}

// The hook of the Explorer-style dialog. Its window is a child of the dialog
// frame; the frame is what gets placed.
UINT_PTR CALLBACK TCommonDialog::ExplorerHook(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        if (TCommonDialog* dialog = CreationControl) {
            dialog->TakeOverHookWindow(wnd);
            TMessage message{msg, wParam, lParam, 0};
            dialog->Dispatch(wnd, message);
            CreationControl = nullptr;
        }
    } else if (msg == WM_NOTIFY && NotifyCode(lParam) == static_cast<UINT>(CDN_INITDONE)) {
        CentreWindow(GetParent(wnd));
    }
    return 0;
}

// The hook of the old-style dialog, on platforms without new-style controls:
// its window is the dialog itself, centred at once.
UINT_PTR CALLBACK TCommonDialog::DialogHook(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        CentreWindow(wnd);
        if (TCommonDialog* dialog = CreationControl) {
            dialog->TakeOverHookWindow(wnd);
            TMessage message{msg, wParam, lParam, 0};
            dialog->Dispatch(wnd, message);
            CreationControl = nullptr;
        }
    }
    return 0;
}

void TOpenDialog::SetInitialDir(const std::string& value) { initialDir_ = InitialDirValue(value, SystemCodePage()); }

std::string TOpenDialog::FileName() const {
    if (handle_ == nullptr || !NewStyleControls()) return fileName_;
    char path[kDialogPathLength + 1] = {};
    SendMessageA(GetParent(handle_), CDM_GETFILEPATH, kDialogPathLength, reinterpret_cast<LPARAM>(path));
    return std::string(path, strnlen(path, kDialogPathLength));
}

void TOpenDialog::WndProc(TMessage& message) {
    message.Result = 0;
    if (message.Msg == WM_INITDIALOG && (options_ & ofOldStyleDialog) == 0) return;
    if (message.Msg == WM_NOTIFY) {
        const auto* notify = reinterpret_cast<const OFNOTIFYA*>(message.LParam);
        switch (notify->hdr.code) {
            case CDN_TYPECHANGE:
                if (notify->lpOFN != nullptr && static_cast<int>(notify->lpOFN->nFilterIndex) != currentFilterIndex_) {
                    currentFilterIndex_ = static_cast<int>(notify->lpOFN->nFilterIndex);
                    Raise(OnTypeChange, this);
                }
                break;
            case CDN_FOLDERCHANGE: Raise(OnFolderChange, this); break;
            case CDN_SELCHANGE: Raise(OnSelectionChange, this); break;
            case CDN_INITDONE: Raise(OnShow, this); break;
            default: break;
        }
    }
    TCommonDialog::WndProc(message);
}

bool TOpenDialog::DoExecute(TDialogFunc function) {
    const bool explorer = NewStyleControls() && (options_ & ofOldStyleDialog) == 0;
    const std::string filter = ConvertFilter(filter_, SystemCodePage());
    char name[kNameBufferSize] = {};
    std::memcpy(name, fileName_.data(), std::min(fileName_.size(), kFileNameCopyLimit));

    OPENFILENAMEA record{};
    record.lStructSize = kDialogRecordSize;
    record.hwndOwner = HostOwnerWindow;
    record.hInstance = GetModuleHandleA(nullptr);
    record.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
    record.nFilterIndex = static_cast<DWORD>(filterIndex_);
    currentFilterIndex_ = filterIndex_;
    record.lpstrFile = name;
    record.nMaxFile = kMaxFileName;
    // Empty texts are passed as none: the system's own start folder and caption.
    record.lpstrInitialDir = initialDir_.empty() ? nullptr : initialDir_.c_str();
    record.lpstrTitle = title_.empty() ? nullptr : title_.c_str();
    record.Flags = OFN_ENABLEHOOK;
    if (options_ & ofReadOnly) record.Flags |= OFN_READONLY;
    if (options_ & ofOverwritePrompt) record.Flags |= OFN_OVERWRITEPROMPT;
    if (options_ & ofHideReadOnly) record.Flags |= OFN_HIDEREADONLY;
    if (options_ & ofEnableSizing) record.Flags |= OFN_ENABLESIZING;
    if (explorer) record.Flags |= OFN_EXPLORER;
    record.lpstrDefExt = defaultExt_.empty() ? nullptr : defaultExt_.c_str();
    record.lpfnHook = explorer ? &TCommonDialog::ExplorerHook : &TCommonDialog::DialogHook;

    if (!RunSystemDialog(function, record)) return false;
    fileName_.assign(name, strnlen(name, kNameBufferSize));
    options_ = (record.Flags & OFN_EXTENSIONDIFFERENT) ? options_ | ofExtensionDifferent : options_ & ~ofExtensionDifferent;
    options_ = (record.Flags & OFN_READONLY) ? options_ | ofReadOnly : options_ & ~ofReadOnly;
    filterIndex_ = static_cast<int>(record.nFilterIndex);
    return true;
}

bool TOpenDialog::Execute() { return DoExecute(DialogFunction("comdlg32.dll", "GetOpenFileNameA")); }

bool TSaveDialog::Execute() { return DoExecute(DialogFunction("comdlg32.dll", "GetSaveFileNameA")); }

void TqzSaveDialogEx::DefaultHandler(TMessage& message) {
    TSaveDialog::DefaultHandler(message);
    if (message.Msg == WM_SIZE) {
        // The system may still move the template's controls after the hook
        // window's new size (Wine does, taking the hook window's coordinates
        // for the frame's): the rows follow once the resizing is done.
        if (!layoutPosted_ && !layingOut_ && handle_ != nullptr && !ListRows.empty()) {
            layoutPosted_ = PostMessageA(handle_, kLayoutListRowsMessage, 0, 0) != FALSE;
        }
    } else if (message.Msg == kLayoutListRowsMessage) {
        layoutPosted_ = false;
        LayoutListRows();
    } else if (message.Msg == WM_NOTIFY) {
        const UINT code = NotifyCode(message.LParam);
        if (code == static_cast<UINT>(CDN_INITDONE)) {
            ShowListRows();
            AdjustDialogPos();
        } else if (code == static_cast<UINT>(CDN_FILEOK)) {
            TakeListChoices();
        }
    }
}

BOOL TqzSaveDialogEx::RunSystemDialog(TDialogFunc function, OPENFILENAMEA& record) {
    // (The template's name is the small record's last field: both forms carry it.)
    if (templateName_ != nullptr && (record.Flags & OFN_EXPLORER) != 0) {
        record.Flags |= OFN_ENABLETEMPLATE;
        record.hInstance = templateInstance_;
        record.lpTemplateName = templateName_;
    }
    const TPlatformVersion& v = PlatformVersion();
    if (!UsesLargeDialogRecord(v.PlatformId, v.MajorVersion, v.MinorVersion)) {
        return TSaveDialog::RunSystemDialog(function, record);
    }
    OPENFILENAMEA large{};
    std::memcpy(&large, &record, kDialogRecordSize);
    large.lStructSize = kLargeDialogRecordSize;
    // The system writes its results into the record it was given; they reach
    // the caller's record after a cancelled run too.
    ScopeGuard copyBack([&] { std::memcpy(&record, &large, kDialogRecordSize); });
    return TSaveDialog::RunSystemDialog(function, large);
}

// The rows' controls get the dialog's own font, their texts and the
// preselected entries.
void TqzSaveDialogEx::ShowListRows() {
    layoutPosted_ = false;  // (a message posted to an earlier run's window is gone with it)
    if (handle_ == nullptr || ListRows.empty()) return;
    const HWND typeList = GetDlgItem(GetParent(handle_), cmb1);
    const auto font = typeList != nullptr ? static_cast<WPARAM>(SendMessageA(typeList, WM_GETFONT, 0, 0)) : 0;
    for (const TDialogListRow& row : ListRows) {
        const HWND label = GetDlgItem(handle_, row.LabelId), list = GetDlgItem(handle_, row.ListId);
        if (label == nullptr || list == nullptr) continue;
        if (font != 0) {
            SendMessageA(label, WM_SETFONT, font, FALSE);
            SendMessageA(list, WM_SETFONT, font, FALSE);
        }
        SetWindowTextA(label, row.Label.c_str());
        SendMessageA(list, CB_RESETCONTENT, 0, 0);
        for (const std::string& item : row.Items) SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
        SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(row.ItemIndex), 0);
    }
    LayoutListRows();
}

// The rows follow the file-type row at the distance from the name row to it,
// each label under the file-type label and each list under the file-type
// list, as wide as it. The hook window is cut down to the band below the
// file-type row, no wider than that list, and put right after the list in the
// frame's z-order: Tab then goes from the file types through the rows to the
// buttons, and the hook window, now above the buttons, covers none of them.
// Without the dialog's own rows to follow, the template's layout stays.
void TqzSaveDialogEx::LayoutListRows() {
    if (handle_ == nullptr || ListRows.empty() || layingOut_) return;
    const HWND frame = GetParent(handle_);
    const HWND typeLabel = GetDlgItem(frame, stc2), typeList = GetDlgItem(frame, cmb1);
    HWND nameBox = GetDlgItem(frame, cmb13);
    if (nameBox == nullptr) nameBox = GetDlgItem(frame, edt1);
    if (typeLabel == nullptr || typeList == nullptr || nameBox == nullptr) return;
    const RECT label = RectIn(frame, typeLabel), list = RectIn(frame, typeList);
    const LONG pitch = list.top - RectIn(frame, nameBox).top;
    if (pitch <= 0) return;
    // (Resizing the hook window sends it WM_SIZE again.)
    layingOut_ = true;
    const ScopeGuard laidOut([this] { layingOut_ = false; });
    RECT client{};
    GetClientRect(frame, &client);
    const LONG bandTop = list.bottom;
    SetWindowPos(handle_, typeList, 0, bandTop, list.right, std::max<LONG>(client.bottom - bandTop, 0), SWP_NOACTIVATE);
    LONG offset = 0;
    for (const TDialogListRow& row : ListRows) {
        const HWND rowLabel = GetDlgItem(handle_, row.LabelId), rowList = GetDlgItem(handle_, row.ListId);
        if (rowLabel == nullptr || rowList == nullptr) continue;
        offset += pitch;
        SetWindowPos(rowLabel, nullptr, label.left, label.top + offset - bandTop, label.right - label.left,
                     label.bottom - label.top, SWP_NOZORDER | SWP_NOACTIVATE);
        // A drop-down list's height is its field's and its open list's together.
        const RECT field = RectIn(handle_, rowList);
        const auto itemHeight = static_cast<LONG>(SendMessageA(rowList, CB_GETITEMHEIGHT, 0, 0));
        const auto items = static_cast<LONG>(std::max<std::size_t>(row.Items.size(), 1));
        SetWindowPos(rowList, nullptr, list.left, list.top + offset - bandTop, list.right - list.left,
                     field.bottom - field.top + itemHeight * items + 2 * GetSystemMetrics(SM_CYBORDER),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void TqzSaveDialogEx::TakeListChoices() {
    if (handle_ == nullptr) return;
    for (TDialogListRow& row : ListRows) {
        const HWND list = GetDlgItem(handle_, row.ListId);
        if (list == nullptr) continue;
        const LRESULT index = SendMessageA(list, CB_GETCURSEL, 0, 0);
        if (index >= 0 && index < static_cast<LRESULT>(row.Items.size())) row.ItemIndex = static_cast<int>(index);
    }
}

void TqzSaveDialogEx::AdjustDialogPos() {
    if (!OnQueryDlgPos) return;
    const HWND frame = GetParent(handle_);
    LONG width = 0, height = 0;
    TPoint pt = ScreenCentredPosition(frame, width, height);
    OnQueryDlgPos(this, pt);
    pt = FitToWorkArea(pt, pt.X + width, pt.Y + height);
    SetWindowPos(frame, nullptr, pt.X, pt.Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

TPoint FitToWorkArea(TPoint pt, std::int32_t right, std::int32_t bottom) {
    RECT workArea{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0);
    return FitToWorkArea(pt, right, bottom, TRect{workArea.left, workArea.top, workArea.right, workArea.bottom});
}
