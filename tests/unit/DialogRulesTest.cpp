#include <gtest/gtest.h>

#include "dialogs/core/DialogRules.h"
#include "tests/unit/TestCodePage.h"

TEST(DialogRecordSize, LargeRecordFromWindows2000AndOnWindowsMe) {
    constexpr bool kLarge = true, kSmall = false;
    struct Case { std::uint32_t platform, major, minor; bool large; };
    const Case cases[] = {
        {2, 5, 0, kLarge}, {2, 6, 1, kLarge}, {2, 10, 0, kLarge}, {1, 4, 90, kLarge}, {1, 4, 10, kSmall},
        {1, 4, 0, kSmall}, {2, 4, 0, kSmall}, {2, 4, 90, kSmall}, {0, 0, 0, kSmall}, {1, 5, 0, kLarge},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UsesLargeDialogRecord(c.platform, c.major, c.minor), c.large)
            << c.platform << " " << c.major << "." << c.minor;
    }
}

TEST(CentredFramePosition, TruncatesTowardZero) {
    struct Case { int screenW, screenH, frameW, frameH; TPoint expected; };
    const Case cases[] = {
        {1024, 768, 501, 400, {261, 122}},
        {1024, 768, 1029, 770, {-2, 0}},   // 5 wider, 2 taller: -5/2 = -2, -2/3 = 0
        {1024, 768, 1024, 768, {0, 0}},
        {1024, 768, 1031, 775, {-3, -2}},
    };
    for (const Case& c : cases) EXPECT_EQ(CentredFramePosition(c.screenW, c.screenH, c.frameW, c.frameH), c.expected);
}

TEST(FitToWorkArea, PullsBackOnlyAcrossTheRightAndBottomEdges) {
    const TRect wa{0, 0, 1024, 740};
    struct Case { TPoint pt; int w, h; TPoint expected; };
    const Case cases[] = {
        {{524, 340}, 500, 400, {524, 340}},    // edges exactly on the work area's
        {{525, 341}, 500, 400, {524, 340}},    // one pixel over each
        {{-50, -20}, 500, 400, {-50, -20}},    // left of and above: unchanged
        {{100, 100}, 1100, 400, {-76, 100}},   // wider: right edge on the edge
        {{900, 700}, 500, 800, {524, -60}},    // taller too
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FitToWorkArea(c.pt, c.pt.X + c.w, c.pt.Y + c.h, wa), c.expected) << c.pt.X << "," << c.pt.Y;
    }
    // A work area that does not start at the origin: its right edge counts.
    EXPECT_EQ(FitToWorkArea({700, 10}, 1100, 410, TRect{100, 30, 1000, 700}), (TPoint{600, 10}));
}

TEST(CentredOver, CentresOverTheWindowAndStaysInsideTheWorkArea) {
    // A work area of a second monitor to the left of the primary one.
    const TRect work{-1280, 0, 0, 984};
    struct Case {
        TRect over;
        std::int32_t w, h;
        TPoint expected;
    };
    const Case cases[] = {
        {{-1000, 100, -400, 500}, 200, 100, {-800, 250}},
        {{-1000, 100, -399, 501}, 200, 101, {-800, 250}},   // halves truncate
        {{-300, 800, 300, 1200}, 200, 100, {-200, 884}},     // pulled in at the right and bottom
        {{-1500, -200, -1300, 0}, 200, 100, {-1280, 0}},     // and at the left and top
        {{-1000, 100, -400, 500}, 1400, 1000, {-1280, 0}},   // larger than the area: top-left inside
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CentredOver(c.over, c.w, c.h, work), c.expected) << c.over.Left << "," << c.over.Top;
    }
}

TEST(ConvertFilter, SeparatorsBecomeNulsButNotSecondBytes) {
    const CodePage& cp = TestCodePage();
    using namespace std::string_literals;
    // The NUL appended to the last item and the text's own terminator: two NULs.
    EXPECT_EQ(ConvertFilter("Text|*.txt|All|*.*", cp), "Text\0*.txt\0All\0*.*\0"s);
    // 0x83 0x7C is one character whose second byte has the value of "|".
    EXPECT_EQ(ConvertFilter("A\x83\x7C|*.a", cp), "A\x83\x7C\0*.a\0"s);
    // An empty pattern list would end the list early: it is handed over as "*.*".
    EXPECT_EQ(ConvertFilter("User()||HTML|*.htm", cp), "User()\0*.*\0HTML\0*.htm\0"s);
    EXPECT_EQ(ConvertFilter("A|", cp), "A\0*.*\0"s);
    EXPECT_EQ(ConvertFilter("A\x83\x7C|", cp), "A\x83\x7C\0*.*\0"s);
    EXPECT_EQ(ConvertFilter("", cp), "");
    // A lead byte at the very end takes no byte beyond the text.
    EXPECT_EQ(ConvertFilter("A|\x83", cp), "A\0\x83\0"s);
}

TEST(InitialDirValue, DropsOneTrailingBackslashOfItsOwn) {
    const CodePage& cp = TestCodePage();
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\", "C:\\"}, {"C:\\Temp\\", "C:\\Temp"}, {"C:\\Temp\\\\", "C:\\Temp\\"}, {"C:\\Temp", "C:\\Temp"},
        {"\\", "\\"}, {"x", "x"}, {"", ""}, {"C:\\\x95\x5C", "C:\\\x95\x5C"}, {"C:\\\x95\x5C\\", "C:\\\x95\x5C"},
        {"\\\\server\\share\\", "\\\\server\\share"}, {"a:\\", "a:\\"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(InitialDirValue(in, cp), out) << in;
}
