// The Save dialog component in this process, driven by a robot thread while
// Execute runs the real system dialog on the test's thread.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <thread>

#include "dialogs/SvDlgEx.h"
#include "host/HostLink.h"
#include "support/core/ScopeGuard.h"
#include "support/core/SaveFilterCore.h"
#include "tests/robot/Robot.h"
#include "tests/robot/SaveDialogRobot.h"

namespace {

// The host's owner window for the length of a test, as the start-up capture
// would set it.
class HostOwnerFor {
public:
    explicit HostOwnerFor(HWND owner) : saved_(HostOwnerWindow) { HostOwnerWindow = owner; }
    ~HostOwnerFor() { HostOwnerWindow = saved_; }

private:
    HWND saved_;
};

// Runs Execute while `robot` looks at the dialog; whatever the robot does,
// the dialog is cancelled if it is still open afterwards, so no test hangs.
bool ExecuteWithRobot(TOpenDialog& dialog, const std::function<void(HWND frame)>& robot) {
    std::atomic<bool> done{false};
    std::thread helper([&] {
        HWND frame = nullptr;
        while (!done && frame == nullptr) frame = WaitForSaveDialog(GetCurrentProcessId(), 200);
        if (frame == nullptr) return;
        robot(frame);
        for (int i = 0; i < 250 && !done; ++i) Sleep(20);
        while (!done) {
            ADD_FAILURE() << "the dialog was still open: cancelled";
            CancelSaveDialog(frame);
            for (int i = 0; i < 50 && !done; ++i) Sleep(20);
        }
    });
    const bool result = dialog.Execute();
    done = true;
    helper.join();
    return result;
}

TAppIni DefaultSettings() {
    TAppIni settings;
    for (const PatternListKey& key : kPatternListKeys) settings.*key.field = key.defaultValue;
    return settings;
}

// Waits until the frame has been placed (the placement runs before it shows,
// but the robot may see it between two moves).
RECT SettledRect(HWND frame) {
    RECT before = WindowRectOf(frame);
    for (int i = 0; i < 10; ++i) {
        Sleep(50);
        const RECT now = WindowRectOf(frame);
        if (EqualRect(&now, &before)) break;
        before = now;
    }
    return before;
}

// Keeps what the system was handed: the dialog record and its name buffer,
// as the hook window sees them once the dialog is initialised.
class RecordProbe : public TqzSaveDialogEx {
public:
    OPENFILENAMEA seen{};
    std::string seenName, seenFilter, seenDefExt;
    int typeChanges = 0;

    RecordProbe() { OnTypeChange = [this](TCommonDialog*) { ++typeChanges; }; }

protected:
    void WndProc(TMessage& message) override {
        if (message.Msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(message.LParam)->code == static_cast<UINT>(CDN_INITDONE)) {
            const OPENFILENAMEA* record = reinterpret_cast<OFNOTIFYA*>(message.LParam)->lpOFN;
            std::memcpy(&seen, record, std::min<DWORD>(record->lStructSize, sizeof seen));
            seenName = record->lpstrFile;
            if (record->lpstrDefExt != nullptr) seenDefExt = record->lpstrDefExt;
            for (const char* p = record->lpstrFilter; p != nullptr && *p != '\0'; p += std::strlen(p) + 1) {
                seenFilter += std::string(p) + "|";
            }
        }
        TqzSaveDialogEx::WndProc(message);
    }
};

class SaveDialog : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(host_.Ready()); }
    StandinHost host_{{}};
    HostOwnerFor owner_{host_.Owner()};
    TempDir dir_;
};

}  // namespace

TEST_F(SaveDialog, ShowsTheTypesAndNameOwnedByTheHostOwner) {
    TqzSaveDialogEx dialog;
    dialog.SetDefaultExt("txt");
    dialog.SetFilter(MakeFilterText(DefaultSettings()));
    dialog.SetFilterIndex(5);
    dialog.SetFileName("Memo- 2024-01-02");
    // A visible window of the program is disabled while the dialog is open.
    HWND own = CreateWindowExA(0, "STATIC", "own", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ScopeGuard destroyOwn([own] { DestroyWindow(own); });
    std::vector<std::string> types;
    int selected = -2;
    std::string name;
    HWND owner = nullptr;
    BOOL ownEnabledMeanwhile = TRUE;
    const bool result = ExecuteWithRobot(dialog, [&](HWND frame) {
        types = SaveDialogTypes(frame);
        selected = SaveDialogSelectedType(frame);
        name = SaveDialogName(frame);
        owner = GetWindow(frame, GW_OWNER);
        ownEnabledMeanwhile = IsWindowEnabled(own);
        CancelSaveDialog(frame);
    });
    EXPECT_FALSE(result);
    const std::vector<std::string> expected = {
        "テキストファイル(*.txt)", "ユーザー(*.txt,*.htm,*.html,*.cgi,*.pl)", "HTMLファイル(*.htm,*.html,*.asp)",
        "Perlファイル(*.cgi,*.pl)", "Rubyファイル(*.rb)", "INIファイル(*.ini,*.inf,*.url)", "BATファイル(*.bat)",
        "C/C++ファイル(*.c,*.cpp,*.h)", "Javaファイル(*.java)", "VBファイル(*.bas,*.vbs)", "HSPファイル(*.as)",
        "Delphiファイル(*.pas,*.dpr)", "すべてのファイル(*.*)"};
    EXPECT_EQ(types, expected);
    EXPECT_EQ(selected, 4);
    EXPECT_EQ(name, "Memo- 2024-01-02");
    EXPECT_EQ(owner, host_.Owner());
    EXPECT_FALSE(ownEnabledMeanwhile);
    EXPECT_TRUE(IsWindowEnabled(own));
    // Cancelled: the stored values stay.
    EXPECT_EQ(dialog.FileName(), "Memo- 2024-01-02");
    EXPECT_EQ(dialog.FilterIndex(), 5);
}

TEST_F(SaveDialog, RecordHoldsTheFirst260BytesOfTheFileNameAndTheProgramsFlags) {
    RecordProbe dialog;
    dialog.SetDefaultExt("txt");
    dialog.SetFilter("A|*.a|B|*.b");
    const std::string longName = std::string(200, 'a') + std::string(100, 'b');
    dialog.SetFileName(longName);
    std::string shown;
    EXPECT_FALSE(ExecuteWithRobot(dialog, [&](HWND frame) {
        shown = SaveDialogName(frame);
        CancelSaveDialog(frame);
    }));
    EXPECT_EQ(dialog.seenName, longName.substr(0, 260));
    // The system's name box holds what the record gives, up to its own limit.
    EXPECT_GE(shown.size(), 259u);
    EXPECT_EQ(shown, longName.substr(0, shown.size()));
    EXPECT_EQ(dialog.seen.nMaxFile, 260u);
    EXPECT_EQ(dialog.seen.Flags & (OFN_ENABLEHOOK | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_EXPLORER | OFN_OVERWRITEPROMPT),
              static_cast<DWORD>(OFN_ENABLEHOOK | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_EXPLORER));
    EXPECT_EQ(dialog.seen.hwndOwner, host_.Owner());
    EXPECT_EQ(dialog.seen.hInstance, GetModuleHandleA(nullptr));
    EXPECT_EQ(dialog.seenDefExt, "txt");
    EXPECT_EQ(dialog.seenFilter, "A|*.a|B|*.b|");
    EXPECT_EQ(dialog.seen.nFilterIndex, 1u);
    EXPECT_EQ(dialog.seen.lStructSize, 88u);  // the platform reports a version of 5 or more
    EXPECT_EQ(dialog.seen.lCustData, 0);
    EXPECT_EQ(dialog.FileName(), longName);
}

TEST_F(SaveDialog, PlacementFollowsTheHandlerInsideTheWorkArea) {
    RECT workArea{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0);
    const int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    struct Case {
        bool handler;
        TPoint wanted;
    };
    const Case cases[] = {
        {false, {}},
        {true, {100, 50}},
        {true, {-30, -20}},                                      // left of and above: kept
        {true, {workArea.right - 10, workArea.bottom - 10}},     // pulled back
    };
    for (const Case& c : cases) {
        TqzSaveDialogEx dialog;
        TPoint proposed{-1, -1};
        if (c.handler) {
            dialog.OnQueryDlgPos = [&](TCommonDialog* sender, TPoint& pt) {
                EXPECT_EQ(sender, &dialog);
                proposed = pt;
                pt = c.wanted;
            };
        }
        RECT rect{};
        ExecuteWithRobot(dialog, [&](HWND frame) {
            rect = SettledRect(frame);
            CancelSaveDialog(frame);
        });
        const int w = rect.right - rect.left, h = rect.bottom - rect.top;
        const TPoint centred{(screenW - w) / 2, (screenH - h) / 3};
        TPoint expected = c.handler ? c.wanted : centred;
        if (expected.X + w > workArea.right) expected.X = workArea.right - w;
        if (expected.Y + h > workArea.bottom) expected.Y = workArea.bottom - h;
        EXPECT_EQ(rect.left, expected.X) << c.wanted.X;
        EXPECT_EQ(rect.top, expected.Y) << c.wanted.Y;
        if (c.handler) {
            EXPECT_EQ(proposed, centred);
        }
    }
}

TEST_F(SaveDialog, ConfirmingAnExistingFileAsksNothingAndTakesTheResults) {
    const std::string existing = dir_.File("exists.txt");
    WriteFileBytes(existing, "old");
    RecordProbe dialog;
    dialog.SetFilter(MakeFilterText(DefaultSettings()));
    dialog.SetFilterIndex(2);
    dialog.SetDefaultExt("txt");
    EXPECT_TRUE(ExecuteWithRobot(dialog, [&](HWND frame) {
        SelectSaveDialogType(frame, 12);  // the results come back through the copied record
        TypeSaveDialogName(frame, existing);
        ConfirmSaveDialog(frame);
    }));
    EXPECT_EQ(dialog.FileName(), existing);
    EXPECT_EQ(dialog.FilterIndex(), 13);
    EXPECT_EQ(dialog.typeChanges, 1);
    EXPECT_EQ(ReadFileBytes(existing), "old");  // the component itself writes nothing
}

TEST_F(SaveDialog, StartsInTheInitialDirAndAddsTheDefaultExtension) {
    TqzSaveDialogEx dialog;
    dialog.SetDefaultExt("txt");
    dialog.SetFilter("Text|*.txt");
    dialog.SetInitialDir(dir_.Path());
    EXPECT_EQ(dialog.InitialDir() + "\\", dir_.Path());
    EXPECT_TRUE(ExecuteWithRobot(dialog, [&](HWND frame) {
        TypeSaveDialogName(frame, "chosen");
        ConfirmSaveDialog(frame);
    }));
    EXPECT_EQ(dialog.FileName(), dir_.File("chosen.txt"));
}
