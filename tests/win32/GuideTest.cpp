// The user's guide quotes every message of the tool byte for byte, and so does
// the plain text made from it for the release archive; a message changed in
// the program and not in the guide (or the other way round) fails.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

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

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

}  // namespace

// What a worried user needs is found at once: the help box near the top, a
// table of contents that names every section in order, help before usage;
// and Notepad shows every line of the plain text without wrapping it.
TEST(Guide, HelpComesFirstAndEveryLineFits) {
    const std::vector<std::string> source = Lines(Utf8ToCodePage932(ReadFileBytes(PELMARIND_SOURCE_DIR "docs/guide.md")));
    std::vector<std::string> contents, sections;
    bool inContents = false;
    for (const std::string& line : source) {
        if (line.rfind("## ", 0) == 0) {
            inContents = line == "## 目次";
            if (!inContents) sections.push_back(line.substr(3));
        } else if (inContents && line.rfind("- ", 0) == 0) {
            contents.push_back(line.substr(2));
        }
    }
    EXPECT_EQ(contents, sections);
    const auto help = std::find(sections.begin(), sections.end(), "困ったとき");
    EXPECT_LT(help - sections.begin(), std::find(sections.begin(), sections.end(), "使い方") - sections.begin());

    // Code page 932 takes one byte for a half-width character and two for a
    // full-width one: its length is the width on screen.
    const std::vector<std::string> text = Lines(Utf8ToCodePage932(ReadFileBytes(PELMARIND_GUIDE_TEXT)));
    std::size_t box = text.size();
    for (std::size_t i = 0; i < text.size(); ++i) {
        EXPECT_LE(text[i].size(), 80u) << "line " << i + 1 << ": " << text[i];
        if (box == text.size() && text[i].find("Zorvane が操作できなくなったときは") != std::string::npos) box = i;
    }
    EXPECT_LT(box, 30u);
    // Each section's heading is a line of its own (found with Ctrl+F).
    for (const std::string& section : sections) {
        const auto at = std::find(text.begin(), text.end(), section);
        ASSERT_NE(at, text.end()) << section;
        EXPECT_EQ((at + 1)->find_first_not_of('='), std::string::npos) << section;
    }
}

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
