#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "base/core/CodePage.h"

// The arithmetic and byte rules of the Save dialog component, free of the
// platform.

// A point on the screen, in pixels.
struct TPoint {
    std::int32_t X = 0;
    std::int32_t Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TRect {
    std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
};

inline constexpr std::uint32_t kPlatformWin32Windows = 1;
inline constexpr char kAllFilesPattern[] = "*.*";

// Windows 2000 and later, and Windows Me, take the large form of the dialog
// record (with pvReserved, dwReserved and FlagsEx after lpTemplateName); older
// platforms, and a version that could not be read (all 0), the small form.
bool UsesLargeDialogRecord(std::uint32_t platformId, std::uint32_t majorVersion, std::uint32_t minorVersion);

// Where the frame goes when centred: the free width halved and a third of the
// free height above it, both divisions truncating toward zero.
TPoint CentredFramePosition(std::int32_t screenWidth, std::int32_t screenHeight, std::int32_t frameWidth,
                            std::int32_t frameHeight);

// Pulls a frame whose top-left corner is pt and whose right and bottom edges
// would be right and bottom back inside the work area's right and bottom edges.
TPoint FitToWorkArea(TPoint pt, std::int32_t right, std::int32_t bottom, const TRect& workArea);

// The filter for the dialog record: "|" separators become NUL bytes (not a
// "|" that is the second byte of a double-byte character), ending in two
// NULs; an empty filter stays empty. An empty pattern list, which the record
// cannot hold (it would end the list), becomes "*.*".
std::string ConvertFilter(const std::string& filter, const CodePage& cp);

// The start folder as the dialog stores it: one trailing backslash dropped,
// unless it follows a colon (a drive root), is the second byte of a
// double-byte character, or is the whole text.
std::string InitialDirValue(const std::string& dir, const CodePage& cp);

// Where a frame of the given size goes when centred over the rectangle
// `over` (a window) and kept inside the work area: pulled in on the right and
// at the bottom, then on the left and at the top, so that a frame larger than
// the area keeps its top-left corner (and caption) inside it. Halves truncate
// toward zero.
TPoint CentredOver(const TRect& over, std::int32_t width, std::int32_t height, const TRect& workArea);
