#pragma once
// The Save dialog component: the system's Explorer-style Save dialog, owned
// by the host's owner window, that asks its owner where to appear and keeps
// itself inside the work area.
#include <windows.h>
#include <commdlg.h>

#include <cstddef>
#include <exception>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "dialogs/core/DialogRules.h"

// One window message as the dialog objects handle it.
struct TMessage {
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
    LRESULT Result;
};

class TCommonDialog;
using TNotifyEvent = std::function<void(TCommonDialog* Sender)>;
// pt holds the proposed top-left corner of the dialog frame (screen
// coordinates) on entry and the wanted one on return.
using TQueryDlgPosEvent = std::function<void(TCommonDialog* Sender, TPoint& pt)>;

using TDialogFunc = BOOL(WINAPI*)(LPOPENFILENAMEA);

// Raised by Execute when the system's dialog library or its dialog function
// cannot be had, so that no dialog can be shown at all. The message names
// what is missing: the library's file name, or the function followed by its
// library in brackets.
class DialogUnavailableError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The dialog function of that name in the system library of that name, loaded
// when first asked for and kept until the tool ends (SystemLibrary); raises
// DialogUnavailableError when either is missing.
TDialogFunc DialogFunction(const char* library, const char* function);

// Root of the dialog family: runs a system dialog modally and routes the
// messages of the dialog's hook window through the object.
class TCommonDialog {
public:
    TCommonDialog() = default;
    virtual ~TCommonDialog();
    TCommonDialog(const TCommonDialog&) = delete;
    TCommonDialog& operator=(const TCommonDialog&) = delete;

    // Fallback for messages without a handler of their own: the hook
    // window's previous window procedure.
    virtual void DefaultHandler(TMessage& message);
    // Runs the system function with the program's windows disabled; they are
    // enabled again and the active window restored on every path. An
    // exception raised while the dialog was open (it cannot cross the
    // system's dialog code) cancelled the dialog and is raised again here.
    virtual BOOL RunSystemDialog(TDialogFunc function, OPENFILENAMEA& record);
    // Shows the dialog; true when the user confirmed it. Raises
    // DialogUnavailableError when the system cannot show one.
    virtual bool Execute() = 0;

    // The hook window while a dialog is shown, else 0.
    HWND Handle() const { return handle_; }

    TNotifyEvent OnShow;
    TNotifyEvent OnClose;

protected:
    // The object's window procedure: every message of the hook window comes
    // here first.
    virtual void WndProc(TMessage& message);

    static UINT_PTR CALLBACK ExplorerHook(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static UINT_PTR CALLBACK DialogHook(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND handle_ = nullptr;

private:
    static LRESULT CALLBACK ObjectWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void TakeOverHookWindow(HWND wnd);
    void ReleaseHookWindow();
    // Runs the object's window procedure on a message of the hook window;
    // an exception is held and the dialog cancelled.
    void Dispatch(HWND wnd, TMessage& message) noexcept;

    WNDPROC defWndProc_ = nullptr;
    std::exception_ptr pendingError_;
};

// Option bits of the file dialogs (those the program's flags come from).
enum TOpenOption : unsigned {
    ofReadOnly = 1u << 0,
    ofOverwritePrompt = 1u << 1,
    ofHideReadOnly = 1u << 2,
    ofExtensionDifferent = 1u << 3,
    ofEnableSizing = 1u << 4,
    ofOldStyleDialog = 1u << 5,
};
using TOpenOptions = unsigned;

class TOpenDialog : public TCommonDialog {
public:
    bool Execute() override;

    // While the dialog is open (new-style), the path now in the dialog; else the stored one.
    std::string FileName() const;
    void SetFileName(const std::string& value) { fileName_ = value; }
    const std::string& Filter() const { return filter_; }
    void SetFilter(const std::string& value) { filter_ = value; }
    int FilterIndex() const { return filterIndex_; }
    void SetFilterIndex(int value) { filterIndex_ = value; }
    const std::string& InitialDir() const { return initialDir_; }
    // Stored less one trailing backslash; a drive root stays whole.
    void SetInitialDir(const std::string& value);
    const std::string& DefaultExt() const { return defaultExt_; }
    void SetDefaultExt(const std::string& value) { defaultExt_ = value; }
    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& value) { title_ = value; }
    TOpenOptions Options() const { return options_; }
    void SetOptions(TOpenOptions value) { options_ = value; }

    TNotifyEvent OnTypeChange;
    TNotifyEvent OnFolderChange;
    TNotifyEvent OnSelectionChange;

protected:
    bool DoExecute(TDialogFunc function);
    void WndProc(TMessage& message) override;

private:
    std::string fileName_, filter_, initialDir_, defaultExt_, title_;
    int filterIndex_ = 1;
    int currentFilterIndex_ = 1;
    TOpenOptions options_ = ofHideReadOnly | ofEnableSizing;
};

class TSaveDialog : public TOpenDialog {
public:
    bool Execute() override;
};

// A row that the program adds below the file-type row of the Explorer-style
// dialog: a label and a drop-down list, two controls of the child template.
struct TDialogListRow {
    int LabelId = 0;
    int ListId = 0;
    std::string Label;  // with its access key, as in "種類(&T):"
    std::vector<std::string> Items;
    // Preselected; after a confirmed dialog, the user's choice.
    int ItemIndex = 0;
};

class TqzSaveDialogEx : public TSaveDialog {
public:
    // The family's handling; once the dialog is initialised the rows, then
    // the placement; the rows again whenever the dialog is resized, and the
    // choices taken when the user confirms.
    void DefaultHandler(TMessage& message) override;
    // The large record on Windows 2000 and later and on Windows Me; the
    // child template in either (the Explorer-style dialog only).
    BOOL RunSystemDialog(TDialogFunc function, OPENFILENAMEA& record) override;
    // Proposes the centred position, lets OnQueryDlgPos change it, keeps the
    // frame inside the work area and moves it there.
    virtual void AdjustDialogPos();

    // The dialog resource that the system shows under the hook, below its
    // own controls (the frame grows by its height): the ListRows' controls.
    // Without one (name nullptr) the dialog is the system's alone.
    void SetTemplate(HINSTANCE instance, const char* name) {
        templateInstance_ = instance;
        templateName_ = name;
    }

    TQueryDlgPosEvent OnQueryDlgPos;
    std::vector<TDialogListRow> ListRows;

private:
    void ShowListRows();
    void LayoutListRows();
    void TakeListChoices();

    HINSTANCE templateInstance_ = nullptr;
    const char* templateName_ = nullptr;
    bool layingOut_ = false;
    bool layoutPosted_ = false;
};

// The point pulled back so that a frame with the given right and bottom edges
// stays inside the primary display's work area.
TPoint FitToWorkArea(TPoint pt, std::int32_t right, std::int32_t bottom);

// The two forms of the dialog record, as the platform's headers lay them out:
// the small one ends with lpTemplateName, the large one has pvReserved,
// dwReserved and FlagsEx after it (76 and 88 bytes in the 32-bit program).
inline constexpr DWORD kDialogRecordSize = offsetof(OPENFILENAMEA, pvReserved);
inline constexpr DWORD kLargeDialogRecordSize = sizeof(OPENFILENAMEA);

// The platform version as read once at start-up (all 0 if that failed).
struct TPlatformVersion {
    DWORD PlatformId = 0, MajorVersion = 0, MinorVersion = 0;
};
const TPlatformVersion& PlatformVersion();
bool NewStyleControls();
