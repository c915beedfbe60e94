// The user's guide quotes every message of the tool byte for byte, and so does
// the plain text made from it for the release archive; a message changed in
// the program and not in the guide (or the other way round) fails.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/core/Texts.h"
#include "tests/robot/HexText.h"
#include "tests/robot/Robot.h"

namespace {

// The plain text wraps its lines (dropping the blank where it breaks between
// two words): there a quote is looked for without blanks and line breaks.
std::string WithoutBlanks(std::string text) {
    text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\r' || c == '\n'; }),
               text.end());
    return text;
}

}  // namespace

TEST(Guide, QuotesEveryMessageOfTheProgram) {
    for (const char* path : {PELMARIND_SOURCE_DIR "docs/guide.md", PELMARIND_GUIDE_TEXT}) {
        const bool wrapped = std::string(path) == PELMARIND_GUIDE_TEXT;
        std::string guide = Utf8ToCodePage932(ReadFileBytes(path));
        if (wrapped) guide = WithoutBlanks(guide);
        ASSERT_FALSE(guide.empty()) << path;
        const auto expectQuoted = [&](const std::string& line) {
            const std::string quote = "「" + line + "」";
            EXPECT_NE(guide.find(wrapped ? WithoutBlanks(quote) : quote), std::string::npos)
                << path << " " << HexText(line);
        };
        for (const char* message : kMessageTexts) {
            // A message's line breaks and the file name it adds after them
            // are not quoted; each line of it is, with "%s" where a name goes.
            const std::string text = message;
            for (std::size_t start = 0; start < text.size();) {
                const std::size_t end = std::min(text.find("\r\n", start), text.size());
                const std::string line = text.substr(start, end - start);
                if (!line.empty() && line != "%s") expectQuoted(line);
                start = end + 2;
            }
        }
        // The message shown in UTF-16 on another code page: its Japanese
        // line (its English one follows a blank line).
        const std::wstring wrongCodePage = kWrongCodePage;
        expectQuoted(WideToCodePage932(wrongCodePage.substr(0, wrongCodePage.find(L"\r\n"))));
    }
}
