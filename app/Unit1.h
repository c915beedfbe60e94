#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "app/Application.h"
#include "dialogs/SvDlgEx.h"

// The length in bytes of the selection read at the start of the job; 0 when
// the selection was empty and the whole text was read instead.
extern std::int32_t SelLength;

// The tool's main window: borderless, empty and off-screen. It exists so that
// the message loop runs and so that its activation starts the job.
class TPelmarindMainForm {
public:
    explicit TPelmarindMainForm(TApplication& application);
    TPelmarindMainForm(const TPelmarindMainForm&) = delete;
    TPelmarindMainForm& operator=(const TPelmarindMainForm&) = delete;

    // Creates the window from the form's description (FormCreate runs).
    bool Create();
    // Shows the window and has it activated, which runs the job once the
    // message loop runs.
    void Show();

    HWND Handle() const { return window_.Get(); }
    TApplication& Application() const { return application_; }

    void FormCreate(TPelmarindMainForm* sender);
    void FormActivate(TPelmarindMainForm* sender);

    // The temporary file's modification time when the text was handed over.
    double InitialModifiedTime = 0;

    // The Save dialog of the Save job: default extension "txt", placed at the
    // host window's client origin.
    TqzSaveDialogEx qzSaveDialogEx1;
    void qzSaveDialogEx1QueryDlgPos(TCommonDialog* Sender, TPoint& pt);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnCreate(WPARAM, LPARAM) { FormCreate(this); }
    void OnActivateForm(WPARAM, LPARAM);

    struct MessageHandler {
        UINT message;
        void (TPelmarindMainForm::*handle)(WPARAM, LPARAM);
    };
    static const MessageHandler kHandlers[];

    TApplication& application_;
    WindowOwner window_;
    bool activated_ = false;
};
