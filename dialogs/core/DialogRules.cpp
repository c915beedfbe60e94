#include "dialogs/core/DialogRules.h"

bool UsesLargeDialogRecord(std::uint32_t platformId, std::uint32_t majorVersion, std::uint32_t minorVersion) {
    return majorVersion >= 5 || (platformId == kPlatformWin32Windows && minorVersion == 90);
}

TPoint CentredFramePosition(std::int32_t screenWidth, std::int32_t screenHeight, std::int32_t frameWidth,
                            std::int32_t frameHeight) {
    return {(screenWidth - frameWidth) / 2, (screenHeight - frameHeight) / 3};
}

TPoint FitToWorkArea(TPoint pt, std::int32_t right, std::int32_t bottom, const TRect& workArea) {
    if (right > workArea.Right) pt.X -= right - workArea.Right;
    if (bottom > workArea.Bottom) pt.Y -= bottom - workArea.Bottom;
    return pt;
}

TPoint CentredOver(const TRect& over, std::int32_t width, std::int32_t height, const TRect& workArea) {
    TPoint pt{over.Left + (over.Right - over.Left - width) / 2, over.Top + (over.Bottom - over.Top - height) / 2};
    pt = FitToWorkArea(pt, pt.X + width, pt.Y + height, workArea);
    if (pt.X < workArea.Left) pt.X = workArea.Left;
    if (pt.Y < workArea.Top) pt.Y = workArea.Top;
    return pt;
}

std::string ConvertFilter(const std::string& filter, const CodePage& cp) {
    if (filter.empty()) return {};
    // Items alternate description, pattern list. An empty item would read as
    // the end of the list and hide every later entry, so an empty pattern
    // list is handed over as "*.*".
    std::string converted;
    std::size_t itemStart = 0, itemIndex = 0;
    const auto endItem = [&](std::size_t end) {
        if (end == itemStart && itemIndex % 2 == 1) converted += kAllFilesPattern;
        converted.append(filter, itemStart, end - itemStart);
        converted += '\0';
        itemStart = end + 1;
        ++itemIndex;
    };
    for (std::size_t i = 0; i < filter.size(); ++i) {
        if (cp.IsLeadByte(static_cast<unsigned char>(filter[i]))) {
            ++i;
        } else if (filter[i] == '|') {
            endItem(i);
        }
    }
    endItem(filter.size());
    return converted;  // with the terminating NUL of the caller's buffer: two NULs
}

std::string InitialDirValue(const std::string& dir, const CodePage& cp) {
    const std::size_t n = dir.size();
    if (n <= 1 || dir[n - 1] != '\\' || IsLeadByteAt(dir, n - 1, cp)) return dir;
    if (dir[n - 2] == ':' && !IsLeadByteAt(dir, n - 2, cp)) return dir;
    return dir.substr(0, n - 1);
}
