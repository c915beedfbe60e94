// The user's guide quotes every message of the tool byte for byte; a message
// changed in the program and not in the guide (or the other way round) fails.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/core/Texts.h"
#include "tests/robot/HexText.h"
#include "tests/robot/Robot.h"

namespace {

// The guide is UTF-8; the program's texts are code page 932 bytes.
std::string Utf8ToCodePage932(const std::string& utf8) {
    const int wide = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), wide);
    const int narrow = WideCharToMultiByte(932, 0, text.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(narrow), '\0');
    WideCharToMultiByte(932, 0, text.data(), wide, bytes.data(), narrow, nullptr, nullptr);
    return bytes;
}

}  // namespace

TEST(Guide, QuotesEveryMessageOfTheProgram) {
    const std::string guide = Utf8ToCodePage932(ReadFileBytes(PELMARIND_SOURCE_DIR "docs/guide.md"));
    ASSERT_FALSE(guide.empty());
    for (const char* message : kMessageTexts) {
        // A message's line breaks and the file name it adds after them are
        // not quoted; each line of it is, with "%s" where a name goes.
        const std::string text = message;
        for (std::size_t start = 0; start < text.size();) {
            const std::size_t end = std::min(text.find("\r\n", start), text.size());
            const std::string line = text.substr(start, end - start);
            if (!line.empty() && line != "%s") {
                EXPECT_NE(guide.find("「" + line + "」"), std::string::npos) << HexText(line);
            }
            start = end + 2;
        }
    }
}
