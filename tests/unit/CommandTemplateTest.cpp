#include <gtest/gtest.h>

#include "support/core/CommandTemplate.h"
#include "tests/unit/TestCodePage.h"

namespace {

// 日本 語: the second byte of 本 is a "{"; ソ ends in a backslash byte.
const std::string kJapanese = "\x93\xFA\x96\x7B \x8C\xEA";
const std::string kSo = "\x83\x5C";

ExpandedCommand Expand(const std::string& program, std::vector<std::string> passedOn, const TemplateValues& values) {
    return ExpandTemplate(CommandParts{program, "", std::move(passedOn)}, values, TestCodePage());
}

}  // namespace

TEST(CommandTemplate, ReplacesEachPlaceholderWhereItStands) {
    TemplateValues values;
    values.inFile = "C:\\TEMP\\qlk1.tmp";
    values.outFile = "\"C:\\a b\\qlk2.js\"";
    values.selection = kJapanese;
    struct Case { std::string program; std::vector<std::string> passedOn; std::string head, list; };
    const Case cases[] = {
        {"conv.exe {in} --fast", {}, "conv.exe C:\\TEMP\\qlk1.tmp --fast", ""},
        {"esbuild {in}", {"--outfile={out}"}, "esbuild C:\\TEMP\\qlk1.tmp", "\"--outfile=C:\\a b\\qlk2.js\" "},
        {"conv {out}", {"{in}"}, "conv \"C:\\a b\\qlk2.js\"", "\"C:\\TEMP\\qlk1.tmp\" "},
        {"dict.exe {sel}", {}, "dict.exe \"" + kJapanese + "\"", ""},
        {"dict.exe", {"/q={sel}"}, "dict.exe", "\"/q=" + kJapanese + "\" "},
        {"https://example.com/?q={sel:url}", {}, "https://example.com/?q=%E6%97%A5%E6%9C%AC%20%E8%AA%9E", ""},
        // Doubled braces are braces (and make it a template: nothing is appended).
        {"perl -e \"{{print}}\"", {"}}{{"}, "perl -e \"{print}\"", "\"}{\" "},
        // A lone closing brace is itself; second bytes 0x7B are no braces.
        {"x}y " + kJapanese, {kJapanese + "}"}, "x}y " + kJapanese, "\"" + kJapanese + "}\" "},
    };
    for (const Case& c : cases) {
        const ExpandedCommand e = Expand(c.program, c.passedOn, values);
        EXPECT_EQ(e.fault, TemplateFault::None) << c.program;
        EXPECT_EQ(e.program, c.head) << c.program;
        EXPECT_EQ(e.passedOnList, c.list) << c.program;
    }
}

TEST(CommandTemplate, QuotesTheSelectionAsTheCRuntimeReadsIt) {
    struct Case { std::string selection, quoted; };
    const Case cases[] = {
        {"a b", "\"a b\""},
        {"", "\"\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"C:\\dir\\", "\"C:\\dir\\\\\""},
        {"a\\\"b", "\"a\\\\\\\"b\""},
        {"\\\\srv\\x", "\"\\\\srv\\x\""},
        // A second byte 0x5C is no backslash: nothing doubled after ソ.
        {kSo, "\"" + kSo + "\""},
        {"& | < > ^ % !", "\"& | < > ^ % !\""},
    };
    for (const Case& c : cases) {
        TemplateValues values;
        values.selection = c.selection;
        EXPECT_EQ(Expand("p {sel}", {}, values).program, "p " + c.quoted) << c.selection;
        EXPECT_EQ(Expand("p", {"{sel}"}, values).passedOnList, c.quoted + " ") << c.selection;
    }
}

TEST(CommandTemplate, RefusesWhatCannotBeHandedOver) {
    const std::string longText(kMaxSelectionBytes + 1, 'a');
    const std::string longestText(kMaxSelectionBytes, 'a');
    struct Case { std::string program; std::string selection; bool pipe, interpreter; TemplateFault fault; std::string text; };
    const Case cases[] = {
        {"p {input}", "", false, false, TemplateFault::UnknownName, "{input}"},
        {"p {IN}", "", false, false, TemplateFault::UnknownName, "{IN}"},
        {"p {2}", "", false, false, TemplateFault::UnknownName, "{2}"},
        {"p {in", "", false, false, TemplateFault::UnknownName, "{in"},
        {"p {sel}", "a\r\nb", false, false, TemplateFault::SelectionLineEnd, ""},
        {"p {sel}", "a\nb", false, false, TemplateFault::SelectionLineEnd, ""},
        {"p {sel}", std::string("a\0b", 3), false, false, TemplateFault::SelectionLineEnd, ""},
        {"p {sel}", longText, false, false, TemplateFault::SelectionTooLong, ""},
        {"p {sel:url}", longText, false, false, TemplateFault::SelectionTooLong, ""},
        {"p {sel}", longestText, false, false, TemplateFault::None, ""},
        {"cmd /c p {sel}", "a&b", false, true, TemplateFault::SelectionForCmd, ""},
        {"cmd /c p {sel}", "100%", false, true, TemplateFault::SelectionForCmd, ""},
        {"cmd /c p {sel}", "\"", false, true, TemplateFault::SelectionForCmd, ""},
        {"cmd /c p {sel}", "a b", false, true, TemplateFault::None, ""},
        {"p {sel}", "a&b", false, false, TemplateFault::None, ""},
        // A line end is fine percent-encoded; an undefined byte pair is not.
        {"p {sel:url}", "a\r\nb", false, false, TemplateFault::None, ""},
        {"p {sel:url}", "a\r\n\x85\x40", false, false, TemplateFault::SelectionNotCp932, "2"},
        // A lead byte before a quote would take the quote's backslash.
        {"p {sel}", "\xF6\"", false, false, TemplateFault::SelectionNotCp932, "1"},
        {"p {in}", "", true, false, TemplateFault::FileWithPipe, ""},
        {"p {out}", "", true, false, TemplateFault::FileWithPipe, ""},
        {"p {sel}", "a", true, false, TemplateFault::None, ""},
    };
    for (const Case& c : cases) {
        TemplateValues values;
        values.selection = c.selection;
        values.pipe = c.pipe;
        values.interpreter = c.interpreter;
        const ExpandedCommand e = Expand(c.program, {}, values);
        EXPECT_EQ(e.fault, c.fault) << c.program << " / " << c.selection.substr(0, 10);
        EXPECT_EQ(e.faultText, c.text) << c.program;
    }
    // An unknown name in a passed-on argument is found too.
    EXPECT_EQ(Expand("p", {"a", "--x={what}"}, {}).faultText, "{what}");
}

TEST(CommandTemplate, ScanTellsWhichPlaceholdersAreUsed) {
    const CodePage& cp = TestCodePage();
    const TemplateScan none = ScanTemplate(CommandParts{"conv.exe /x", "/html ", {"a", kJapanese}}, cp);
    EXPECT_FALSE(none.use.any);
    const TemplateScan braces = ScanTemplate(CommandParts{"p {{", "", {}}, cp);
    EXPECT_TRUE(braces.use.any);
    EXPECT_FALSE(braces.use.in || braces.use.out || braces.use.sel || braces.use.selUrl);
    const TemplateScan all = ScanTemplate(CommandParts{"p {in}", "", {"{out}", "x{sel:url}"}}, cp);
    EXPECT_TRUE(all.use.any && all.use.in && all.use.out && all.use.selUrl);
    EXPECT_FALSE(all.use.sel);
}

TEST(PercentEncoded, KeepsUnreservedBytesAndEncodesTheRest) {
    struct Case { std::string text, encoded; };
    const Case cases[] = {
        {"AZaz09-._~", "AZaz09-._~"},
        {"\x8C\x9F\x8D\xF5", "%E6%A4%9C%E7%B4%A2"},  // 検索
        {"a b&c=d/e?f#g+h%", "a%20b%26c%3Dd%2Fe%3Ff%23g%2Bh%25"},
        {kSo, "%E3%82%BD"},
        {"", ""},
    };
    for (const Case& c : cases) {
        std::string encoded;
        std::size_t line = 0;
        EXPECT_TRUE(PercentEncoded(c.text, encoded, line)) << c.text;
        EXPECT_EQ(encoded, c.encoded);
    }
}
