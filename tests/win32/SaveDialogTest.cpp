// The Save dialog component in this process, driven by a robot thread while
// Execute runs the real system dialog on the test's thread.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <thread>
#include <utility>

#include "base/core/ScopeGuard.h"
#include "dialogs/SvDlgEx.h"
#include "host/HostLink.h"
#include "support/SaveFilter.h"
#include "support/Settings.h"
#include "support/core/SaveFilterRules.h"
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

HWND VisiblePopup(const char* title) {
    return CreateWindowExA(0, "STATIC", title, WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

// A stand-in for the system dialog function, for RunSystemDialog itself: it
// notes what it was handed and what it saw, writes results into the record
// as the system does, and then returns or throws.
struct FakeDialogRun {
    static inline OPENFILENAMEA seen{};
    static inline HWND watched = nullptr;
    static inline BOOL watchedEnabled = TRUE;
    static inline bool takeActivation = false;
    static inline HWND taker = nullptr;

    static void Act(LPOPENFILENAMEA record) {
        std::memcpy(&seen, record, record->lStructSize <= sizeof seen ? record->lStructSize : sizeof seen);
        watchedEnabled = IsWindowEnabled(watched);
        if (takeActivation) {
            taker = VisiblePopup("taker");
            SetActiveWindow(taker);
        }
        record->nFilterIndex = 9;
        record->nFileOffset = 3;
        record->Flags |= OFN_EXTENSIONDIFFERENT;
    }
    // Confirmed, with the read-only and extension-different bits set or clear.
    static BOOL WINAPI ConfirmedWithBits(LPOPENFILENAMEA record) {
        Act(record);
        record->Flags |= OFN_READONLY | OFN_EXTENSIONDIFFERENT;
        std::strcpy(record->lpstrFile, "C:\\picked.dat");
        return TRUE;
    }
    static BOOL WINAPI ConfirmedWithoutBits(LPOPENFILENAMEA record) {
        Act(record);
        record->Flags &= ~static_cast<DWORD>(OFN_READONLY | OFN_EXTENSIONDIFFERENT);
        std::strcpy(record->lpstrFile, "C:\\picked.txt");
        return TRUE;
    }
    static BOOL WINAPI Cancelled(LPOPENFILENAMEA record) {
        Act(record);
        return FALSE;
    }
    static BOOL WINAPI Throwing(LPOPENFILENAMEA record) {
        Act(record);
        throw std::runtime_error("system dialog failed");
    }
};

// The dialog run with a stand-in for the system function.
class DialogWithFakeRun : public TqzSaveDialogEx {
public:
    using TOpenDialog::DoExecute;
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
    std::string name, caption;
    HWND owner = nullptr;
    BOOL ownEnabledMeanwhile = TRUE;
    const bool result = ExecuteWithRobot(dialog, [&](HWND frame) {
        caption = TextOf(frame);
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
    // No title set: the system's own caption (an empty title text would
    // give the frame an empty caption).
    EXPECT_FALSE(caption.empty());
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
    // (Wine's name box takes 259 of them: its own limit, one below nMaxFile.)
    EXPECT_GE(shown.size(), 259u);
    EXPECT_LE(shown.size(), 260u);
    EXPECT_EQ(shown, longName.substr(0, shown.size()));
    EXPECT_EQ(dialog.seen.nMaxFile, 260u);
    EXPECT_EQ(dialog.seen.Flags & (OFN_ENABLEHOOK | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_EXPLORER | OFN_OVERWRITEPROMPT),
              static_cast<DWORD>(OFN_ENABLEHOOK | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_EXPLORER));
    EXPECT_EQ(dialog.seen.hwndOwner, host_.Owner());
    EXPECT_EQ(dialog.seen.hInstance, GetModuleHandleA(nullptr));
    EXPECT_EQ(dialog.seenDefExt, "txt");
    EXPECT_EQ(dialog.seenFilter, "A|*.a|B|*.b|");
    EXPECT_EQ(dialog.seen.nFilterIndex, 1u);
    EXPECT_EQ(dialog.seen.lStructSize, kLargeDialogRecordSize);  // the platform reports a version of 5 or more
    EXPECT_EQ(dialog.seen.lCustData, 0);
    EXPECT_EQ(dialog.FileName(), longName);
}

// The frame is given a known size as it shows (before the centring), so that
// every position is a number: the screen and the work area are the virtual
// desktop's 1024 x 768.
TEST_F(SaveDialog, PlacementFollowsTheHandlerInsideTheWorkArea) {
    ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    ASSERT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
    RECT workArea{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0);
    ASSERT_EQ(workArea.right, 1024);
    ASSERT_EQ(workArea.bottom, 768);
    struct Case {
        SIZE frame;
        bool handler;
        TPoint wanted;
        TPoint proposed;  // the centred position: (1024 - w) div 2, (768 - h) div 3
        TPoint placed;
    };
    // (The platform's dialog keeps its size from one run to the next and
    // will not shrink below it: the smaller frames come first.)
    const Case cases[] = {
        {{600, 420}, false, {}, {}, {212, 116}},
        {{600, 420}, true, {100, 50}, {212, 116}, {100, 50}},
        {{600, 420}, true, {-30, -20}, {212, 116}, {-30, -20}},  // left of and above: kept
        {{600, 420}, true, {424, 348}, {212, 116}, {424, 348}},  // edges on the work area's: kept
        {{600, 420}, true, {425, 349}, {212, 116}, {424, 348}},  // one pixel over: back by one
        {{600, 420}, true, {1014, 758}, {212, 116}, {424, 348}},
        // Wider and taller than the screen: the divisions truncate toward 0
        // (-5 div 2 is -2, -2 div 3 is 0). Without a handler nothing is
        // fitted (a fit would give -5, -2); with one the right and bottom
        // edges land on the work area's and the frame sticks out left and up.
        {{1029, 770}, false, {}, {}, {-2, 0}},
        {{1029, 770}, true, {0, 0}, {-2, 0}, {-5, -2}},
    };
    for (const Case& c : cases) {
        TqzSaveDialogEx dialog;
        dialog.OnShow = [&](TCommonDialog* sender) {
            SetWindowPos(GetParent(sender->Handle()), nullptr, 0, 0, c.frame.cx, c.frame.cy,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        };
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
        EXPECT_EQ(rect.left, c.placed.X) << c.frame.cx << " " << c.wanted.X;
        EXPECT_EQ(rect.top, c.placed.Y) << c.frame.cy << " " << c.wanted.Y;
        if (c.handler) {
            EXPECT_EQ(proposed, c.proposed) << c.frame.cx << " " << c.wanted.X;
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
    // Typed name and chosen file. (Wine does not report OFN_EXTENSIONDIFFERENT
    // for other.dat, so the option is checked where the answer is known: off.)
    struct Case { const char* typed; const char* chosen; };
    const Case cases[] = {{"chosen", "chosen.txt"}, {"other.dat", "other.dat"}};
    for (const Case& c : cases) {
        TqzSaveDialogEx dialog;
        dialog.SetDefaultExt("txt");
        dialog.SetFilter("Text|*.txt");
        dialog.SetInitialDir(dir_.Path());
        EXPECT_EQ(dialog.InitialDir() + "\\", dir_.Path());
        // Left over from an earlier run: cleared when the new result says so.
        dialog.SetOptions(dialog.Options() | ofExtensionDifferent);
        EXPECT_TRUE(ExecuteWithRobot(dialog, [&](HWND frame) {
            TypeSaveDialogName(frame, c.typed);
            ConfirmSaveDialog(frame);
        }));
        EXPECT_EQ(dialog.FileName(), dir_.File(c.chosen));
        if (std::string(c.typed) == "chosen") {
            EXPECT_EQ(dialog.Options() & ofExtensionDifferent, 0u);
        }
        EXPECT_EQ(dialog.Options() & ~static_cast<TOpenOptions>(ofExtensionDifferent), ofHideReadOnly | ofEnableSizing);
    }
}

// A dialog that the system cannot show is no cancelled dialog: what is missing
// is raised by name.
TEST(SaveDialogLibrary, AMissingLibraryOrFunctionIsNamed) {
    struct Case { const char* library; const char* function; const char* named; };
    const Case cases[] = {
        {"pelmarind-missing.dll", "GetSaveFileNameA", "pelmarind-missing.dll"},
        {"comdlg32.dll", "GetSaveFileNameX", "GetSaveFileNameX (comdlg32.dll)"},
    };
    for (const Case& c : cases) {
        try {
            DialogFunction(c.library, c.function);
            ADD_FAILURE() << c.named;
        } catch (const DialogUnavailableError& error) {
            EXPECT_STREQ(error.what(), c.named);
        }
    }
    EXPECT_NE(DialogFunction("comdlg32.dll", "GetSaveFileNameA"), nullptr);
}

// The record sizes come from the platform's headers; these are this build's.
TEST(SaveDialogRecord, SizesOfThisBuild) {
#if defined(__i386__) || defined(_M_IX86)
    const DWORD expected[] = {76, 88, 68};  // the shipped 32-bit program
#else
    const DWORD expected[] = {136, 152, 104};  // the x86-64 test build
#endif
    EXPECT_EQ(kDialogRecordSize, expected[0]);
    EXPECT_EQ(kLargeDialogRecordSize, expected[1]);
    EXPECT_EQ(sizeof(STARTUPINFOA), expected[2]);
}

TEST(SaveDialogRecord, LargeRecordOnThisPlatformWithTheSmallRecordCopiedBackAfterCancelAndError) {
    const TPlatformVersion& version = PlatformVersion();
    // Under Wine the platform reports 6.1 (Windows 7): the large record.
    ASSERT_TRUE(UsesLargeDialogRecord(version.PlatformId, version.MajorVersion, version.MinorVersion));
    using Run = BOOL(WINAPI*)(LPOPENFILENAMEA);
    for (const Run run : {Run{&FakeDialogRun::Cancelled}, Run{&FakeDialogRun::Throwing}}) {
        TqzSaveDialogEx dialog;
        OPENFILENAMEA record{};
        record.lStructSize = kDialogRecordSize;
        record.nFilterIndex = 2;
        // Beyond the small record the caller's record is not the system's to touch.
        record.pvReserved = reinterpret_cast<void*>(0x1234);
        record.dwReserved = 0x55;
        record.FlagsEx = 0x66;
        FakeDialogRun::seen = {};
        bool threw = false;
        try {
            EXPECT_FALSE(dialog.RunSystemDialog(run, record));
        } catch (const std::runtime_error&) {
            threw = true;
        }
        EXPECT_EQ(threw, run == &FakeDialogRun::Throwing);
        EXPECT_EQ(FakeDialogRun::seen.lStructSize, kLargeDialogRecordSize);
        EXPECT_EQ(FakeDialogRun::seen.nFilterIndex, 2u);
        EXPECT_EQ(FakeDialogRun::seen.pvReserved, nullptr);
        EXPECT_EQ(FakeDialogRun::seen.dwReserved, 0u);
        EXPECT_EQ(FakeDialogRun::seen.FlagsEx, 0u);
        // The results come back whether the run was confirmed or not.
        EXPECT_EQ(record.lStructSize, kLargeDialogRecordSize);
        EXPECT_EQ(record.nFilterIndex, 9u);
        EXPECT_EQ(record.nFileOffset, 3u);
        EXPECT_NE(record.Flags & OFN_EXTENSIONDIFFERENT, 0u);
        EXPECT_EQ(record.pvReserved, reinterpret_cast<void*>(0x1234));
        EXPECT_EQ(record.dwReserved, 0x55u);
        EXPECT_EQ(record.FlagsEx, 0x66u);
    }
}

// A confirmed run takes the name, the filter index and both option bits from
// the returned record, setting them as well as clearing them.
TEST(SaveDialogRecord, ExecuteTakesTheResultsAndBothOptionBitsFromTheRecord) {
    DialogWithFakeRun dialog;
    dialog.SetFilterIndex(2);
    const TOpenOptions base = ofHideReadOnly | ofEnableSizing;
    ASSERT_EQ(dialog.Options(), base);
    using Run = BOOL(WINAPI*)(LPOPENFILENAMEA);
    struct Case { Run run; const char* name; TOpenOptions options; };
    const Case cases[] = {
        {&FakeDialogRun::ConfirmedWithBits, "C:\\picked.dat", base | ofReadOnly | ofExtensionDifferent},
        {&FakeDialogRun::ConfirmedWithoutBits, "C:\\picked.txt", base},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(dialog.DoExecute(c.run));
        EXPECT_EQ(dialog.FileName(), c.name);
        EXPECT_EQ(dialog.FilterIndex(), 9);
        EXPECT_EQ(dialog.Options(), c.options) << c.name;
        // The option taken back goes into the next run's record.
        EXPECT_EQ(FakeDialogRun::seen.Flags & OFN_READONLY, c.run == &FakeDialogRun::ConfirmedWithBits ? 0u : OFN_READONLY);
    }
}

TEST(SaveDialogRecord, WindowsAreEnabledAndTheActiveOneRestoredOnEveryPath) {
    HWND own = VisiblePopup("own");
    HWND hidden = CreateWindowExA(0, "STATIC", "hidden", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HWND alreadyDisabled = VisiblePopup("disabled");
    EnableWindow(alreadyDisabled, FALSE);
    ScopeGuard destroy([&] {
        for (HWND w : {own, hidden, alreadyDisabled}) DestroyWindow(w);
    });
    using Run = BOOL(WINAPI*)(LPOPENFILENAMEA);
    for (const Run run : {Run{&FakeDialogRun::Cancelled}, Run{&FakeDialogRun::Throwing}}) {
        SetActiveWindow(own);
        ASSERT_EQ(GetActiveWindow(), own);
        // The fake takes the activation, as a dialog window does.
        FakeDialogRun::watched = own;
        FakeDialogRun::watchedEnabled = TRUE;
        FakeDialogRun::takeActivation = true;
        TSaveDialog dialog;
        OPENFILENAMEA record{};
        record.lStructSize = kDialogRecordSize;
        try {
            dialog.RunSystemDialog(run, record);
        } catch (const std::runtime_error&) {
        }
        FakeDialogRun::takeActivation = false;
        ScopeGuard destroyTaker([] { DestroyWindow(std::exchange(FakeDialogRun::taker, nullptr)); });
        EXPECT_FALSE(FakeDialogRun::watchedEnabled);
        EXPECT_TRUE(IsWindowEnabled(own));
        EXPECT_TRUE(IsWindowEnabled(hidden));
        EXPECT_FALSE(IsWindowEnabled(alreadyDisabled));  // not the dialog's to enable
        EXPECT_EQ(GetActiveWindow(), own);
        // The family's own run hands the record over as it is.
        EXPECT_EQ(FakeDialogRun::seen.lStructSize, kDialogRecordSize);
    }
}

TEST_F(SaveDialog, ShowThenCentringThenPlacementWithTheHookWindowHeldMeanwhile) {
    TqzSaveDialogEx dialog;
    std::vector<std::string> steps;
    HWND hookAtShow = nullptr, frameAtShow = nullptr;
    RECT atQuery{};
    TPoint proposed{};
    dialog.OnShow = [&](TCommonDialog* sender) {
        steps.push_back("show");
        hookAtShow = sender->Handle();
        frameAtShow = GetParent(hookAtShow);
        // Moved away (and given a known size): only a centring after the show
        // brings it back.
        SetWindowPos(frameAtShow, nullptr, 3, 7, 600, 420, SWP_NOZORDER | SWP_NOACTIVATE);
    };
    dialog.OnQueryDlgPos = [&](TCommonDialog*, TPoint& pt) {
        steps.push_back("query");
        atQuery = WindowRectOf(frameAtShow);
        proposed = pt;
        pt = {20, 30};
    };
    dialog.OnClose = [&](TCommonDialog* sender) {
        steps.push_back("close");
        EXPECT_EQ(sender->Handle(), hookAtShow);
    };
    HWND frame = nullptr;
    RECT placed{};
    EXPECT_FALSE(ExecuteWithRobot(dialog, [&](HWND f) {
        frame = f;
        placed = SettledRect(f);
        CancelSaveDialog(f);
    }));
    EXPECT_EQ(steps, (std::vector<std::string>{"show", "query", "close"}));
    EXPECT_EQ(frameAtShow, frame);
    // Centred on the 1024 x 768 screen: (1024 - 600) div 2, (768 - 420) div 3.
    EXPECT_EQ((TPoint{atQuery.left, atQuery.top}), (TPoint{212, 116}));
    EXPECT_EQ(proposed, (TPoint{212, 116}));
    EXPECT_EQ(placed.left, 20);
    EXPECT_EQ(placed.top, 30);
    // The hook window is let go when it is destroyed.
    EXPECT_EQ(dialog.Handle(), nullptr);
    EXPECT_FALSE(IsWindow(hookAtShow));
}

TEST_F(SaveDialog, AnErrorInAHandlerCancelsTheDialogAndIsRaisedAfterIt) {
    HWND own = VisiblePopup("own");
    ScopeGuard destroyOwn([own] { DestroyWindow(own); });
    TqzSaveDialogEx dialog;
    dialog.SetFileName("kept");
    dialog.OnQueryDlgPos = [](TCommonDialog*, TPoint&) { throw std::runtime_error("placement failed"); };
    // Should the cancel not come, the watchdog answers the dialog.
    std::atomic<bool> done{false};
    std::atomic<bool> watchdogCancelled{false};
    std::thread watchdog([&] {
        for (int i = 0; i < 250 && !done; ++i) Sleep(20);
        if (done) return;
        if (HWND frame = WaitForSaveDialog(GetCurrentProcessId(), 100)) CancelSaveDialog(frame);
        watchdogCancelled = true;
    });
    std::string error;
    try {
        dialog.Execute();
    } catch (const std::runtime_error& e) {
        error = e.what();
    }
    done = true;
    watchdog.join();
    EXPECT_FALSE(watchdogCancelled);
    EXPECT_EQ(error, "placement failed");
    EXPECT_TRUE(IsWindowEnabled(own));
    EXPECT_EQ(dialog.Handle(), nullptr);
    EXPECT_EQ(dialog.FileName(), "kept");
    EXPECT_TRUE(TopLevelWindowsOf(GetCurrentProcessId(), "#32770").empty());
}


// The start folder is set only when DefDirOn is on, whatever DefDir holds.
TEST(SaveDialogSetup, StartFolderOnlyWithDefDirOn) {
    TempDir dir;
    struct Case { bool defDirOn; std::string initialDir; };
    const Case cases[] = {{false, ""}, {true, dir.Path().substr(0, dir.Path().size() - 1)}};
    for (const Case& c : cases) {
        AppIni.DefDir = dir.Path();
        AppIni.DefDirOn = c.defDirOn;
        TqzSaveDialogEx dialog;
        SetupSaveDialog(dialog);
        AppIni = TAppIni{};
        EXPECT_EQ(dialog.InitialDir(), c.initialDir) << c.defDirOn;
    }
}
