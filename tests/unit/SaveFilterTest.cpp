#include <gtest/gtest.h>

#include "support/core/SaveFilterRules.h"
#include "tests/unit/TestCodePage.h"

namespace {

// The settings as they are with no settings file at all.
TAppIni DefaultSettings() {
    TAppIni settings;
    for (const PatternListKey& key : kPatternListKeys) settings.*key.field = key.defaultValue;
    return settings;
}

std::string Join(const std::vector<std::string>& pieces) {
    std::string joined;
    for (const std::string& piece : pieces) joined += (joined.empty() ? "" : "|") + piece;
    return joined;
}

}  // namespace

TEST(MakeFilterText, AllDefaultsByteForByte) {
    EXPECT_EQ(MakeFilterText(DefaultSettings()), Join({
        "テキストファイル(*.txt)", "*.txt",
        "ユーザー(*.txt,*.htm,*.html,*.cgi,*.pl)", "*.txt;*.htm;*.html;*.cgi;*.pl",
        "HTMLファイル(*.htm,*.html,*.asp)", "*.htm;*.html;*.asp",
        "Perlファイル(*.cgi,*.pl)", "*.cgi;*.pl",
        "Rubyファイル(*.rb)", "*.rb",
        "INIファイル(*.ini,*.inf,*.url)", "*.ini;*.inf;*.url",
        "BATファイル(*.bat)", "*.bat",
        "C/C++ファイル(*.c,*.cpp,*.h)", "*.c;*.cpp;*.h",
        "Javaファイル(*.java)", "*.java",
        "VBファイル(*.bas,*.vbs)", "*.bas;*.vbs",
        "HSPファイル(*.as)", "*.as",
        "Delphiファイル(*.pas,*.dpr)", "*.pas;*.dpr",
        "すべてのファイル(*.*)", "*.*",
    }));
}

TEST(MakeFilterText, EmptyListsGiveTheirFixedForms) {
    TAppIni settings = DefaultSettings();
    settings.HtmlDocFilter.clear();
    settings.UserFileFilter.clear();
    const std::string filter = MakeFilterText(settings);
    // The user entry keeps an empty pattern list: two "|" in a row before HTML.
    EXPECT_NE(filter.find("|ユーザー()||HTMLファイル(*.*)|*.*|Perlファイル"), std::string::npos) << filter;
    EXPECT_EQ(MakeFilterItem("", 11), "|Delphiファイル(*.*)|*.*");
    EXPECT_EQ(MakeFilterItem("*.rb", 4), "|Rubyファイル(*.rb)|*.rb");
    EXPECT_EQ(MakeFilterItem("*.a;*.b;*.c", 7), "|C/C++ファイル(*.a,*.b,*.c)|*.a;*.b;*.c");
}

TEST(ReplaceAll, ReplacesEveryOccurrence) {
    EXPECT_EQ(ReplaceAll(";", ",", "a;b;;c;"), "a,b,,c,");
    EXPECT_EQ(ReplaceAll(";", ",", ""), "");
    EXPECT_EQ(ReplaceAll("ab", "", "aabb"), "");  // a new occurrence made by the deletion
    EXPECT_EQ(ReplaceAll("", "x", "abc"), "abc");
    EXPECT_EQ(ReplaceAll("a", "aa", "aba"), "aabaa");  // would never end if searched from the start again
}

TEST(FilterIndexForMode, DocumentKindsGetTheirEntryWhenTheirListIsSet) {
    const TAppIni defaults = DefaultSettings();
    EXPECT_EQ(FilterIndexForMode(0, defaults), 2);
    EXPECT_EQ(FilterIndexForMode(1, defaults), 2);
    for (std::uint8_t mode = 2; mode <= 11; ++mode) EXPECT_EQ(FilterIndexForMode(mode, defaults), mode + 1);
    EXPECT_EQ(FilterIndexForMode(12, defaults), 2);
    EXPECT_EQ(FilterIndexForMode(255, defaults), 2);
    // Each list emptied in turn: exactly its own mode falls back to the user
    // entry, and its entry takes the "*.*" form; the user list affects no mode.
    struct Case { std::string TAppIni::*field; std::uint8_t mode; const char* entry; };
    const Case cases[] = {
        {&TAppIni::UserFileFilter, 0, "|ユーザー()||HTMLファイル("},
        {&TAppIni::HtmlDocFilter, 2, "|HTMLファイル(*.*)|*.*|"},
        {&TAppIni::PerlDocFilter, 3, "|Perlファイル(*.*)|*.*|"},
        {&TAppIni::RubyDocFilter, 4, "|Rubyファイル(*.*)|*.*|"},
        {&TAppIni::IniDocFilter, 5, "|INIファイル(*.*)|*.*|"},
        {&TAppIni::BatDocFilter, 6, "|BATファイル(*.*)|*.*|"},
        {&TAppIni::CppDocFilter, 7, "|C/C++ファイル(*.*)|*.*|"},
        {&TAppIni::JavaDocFilter, 8, "|Javaファイル(*.*)|*.*|"},
        {&TAppIni::VbDocFilter, 9, "|VBファイル(*.*)|*.*|"},
        {&TAppIni::HspDocFilter, 10, "|HSPファイル(*.*)|*.*|"},
        {&TAppIni::PasDocFilter, 11, "|Delphiファイル(*.*)|*.*|"},
    };
    for (const Case& c : cases) {
        TAppIni settings = defaults;
        settings.*c.field = "";
        for (std::uint8_t mode = 2; mode <= 11; ++mode) {
            EXPECT_EQ(FilterIndexForMode(mode, settings), mode == c.mode ? 2 : mode + 1) << c.entry << int(mode);
        }
        EXPECT_NE(MakeFilterText(settings).find(c.entry), std::string::npos) << c.entry;
    }
}

TEST(IsLeadByteAt, WalksFromTheFirstByte) {
    const CodePage& cp = TestCodePage();
    const std::string text = "a\x95\x5C\x95\x95" "b";  // a, two double-byte characters, b
    const bool expected[] = {false, false, true, false, true, false, false, false};
    for (std::size_t n = 0; n < 8; ++n) EXPECT_EQ(IsLeadByteAt(text, n, cp), expected[n]) << n;
    EXPECT_TRUE(IsLeadByteAt("\x81", 1, cp));
    EXPECT_FALSE(IsLeadByteAt("", 1, cp));
}

TEST(CleanFileNameLine, ReplacesDropsAndKeepsPairs) {
    const CodePage& cp = TestCodePage();
    const std::pair<std::string, std::string> cases[] = {
        {"\"*,/:;<>?\\|", "-----------"},
        {std::string("a\0b\tc\x1A" "d", 7), "abcd"},
        {"x.y z!", "x.y z!"},
        {"\x95\x5C\x83\x7C", "\x95\x5C\x83\x7C"},     // second bytes "\" and "|" stay
        {"\x81\t", "\x81\t"},                          // a pair is copied whatever its second byte
        {"ab\x81", "ab\x81"},                          // a lead byte at the end goes alone
        {"\xB1\xDF\x80\x01", "\xB1\xDF\x80\x01"},      // half-width kana, 0x80, other control bytes
    };
    for (const auto& [line, expected] : cases) EXPECT_EQ(CleanFileNameLine(line, cp), expected) << line;
}

TEST(MakeDefaultFileName, FirstUsableLine) {
    const CodePage& cp = TestCodePage();
    const std::string seventy(70, 'x');
    struct Case { std::string text, expected; };
    const Case cases[] = {
        {"Memo: 2024/01/02\r\nsecond", "Memo- 2024-01-02"},
        {"C:\\temp\\a.txt", "C--temp-a.txt"},
        {"a;b,c", "a-b-c"},
        {seventy, std::string(60, 'x')},
        {std::string(58, ' ') + "abcdef", "ab"},
        {"a\tb", "ab"},
        {"\r\n  \t \r\n\tname\r\n", "name"},
        {"\n\nLF lines\n", "LF lines"},
        {"\r\rCR lines\r", "CR lines"},
        {"\x95\x5C", "\x95\x5C"},
        {"\r\n \t\x1A\r\n\n\r \x1A", ""},
        {"", ""},
        {std::string("\0real", 5), ""},            // a NUL ends the text
        {std::string("ab\0cd", 5), "ab"},
        {"  ///  \r\nnext", "---"},                  // replaced bytes are not blanks
        {"\r\n\nx", "x"},
    };
    for (const Case& c : cases) EXPECT_EQ(MakeDefaultFileName(c.text, cp), c.expected) << c.text;
}

TEST(MakeDefaultFileName, DoubleByteCharacterAcrossTheCutIsDroppedWhole) {
    const CodePage& cp = TestCodePage();
    const std::string kanji = "\x88\x9F";  // one double-byte character
    // 59 letters then a kanji: the kanji would take bytes 60 and 61.
    EXPECT_EQ(MakeDefaultFileName(std::string(59, 'a') + kanji + "z", cp), std::string(59, 'a'));
    // 58 letters then a kanji: it ends exactly at 60 and stays.
    EXPECT_EQ(MakeDefaultFileName(std::string(58, 'a') + kanji + "z", cp), std::string(58, 'a') + kanji);
    // Thirty kanji fill 60 bytes; the thirty-first is cut whole.
    std::string many;
    for (int i = 0; i < 31; ++i) many += kanji;
    EXPECT_EQ(MakeDefaultFileName(many, cp), many.substr(0, 60));
    // The cut counts cleaned bytes: dropped tabs do not count, replaced bytes do.
    EXPECT_EQ(MakeDefaultFileName(std::string(10, '\t') + std::string(65, '/'), cp), std::string(60, '-'));
}
