#include "support/core/CommandTemplate.h"

#include <functional>
#include <optional>

#include "support/core/CommandLine.h"
#include "support/core/Utf8Text.h"

namespace {

enum class Placeholder { In, Out, Sel, SelUrl };

struct Named {
    std::string_view name;
    Placeholder placeholder;
};
constexpr Named kNames[] = {
    {"{in}", Placeholder::In}, {"{out}", Placeholder::Out}, {"{sel}", Placeholder::Sel}, {"{sel:url}", Placeholder::SelUrl}};

// Walks `text`, copying literal characters to `out` and each placeholder's
// value (`value`) in its place; the "{..." that names none, when there is one.
std::optional<std::string> Substitute(std::string_view text, const std::function<std::string(Placeholder)>& value,
                                      bool& anyMark, std::string& out, const CodePage& cp) {
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (cp.IsLeadByte(byte) && i + 1 < text.size()) {
            out.append(text.substr(i, 2));
            i += 2;
            continue;
        }
        if ((text[i] == '{' || text[i] == '}') && i + 1 < text.size() && text[i + 1] == text[i]) {
            out += text[i];
            i += 2;
            anyMark = true;
            continue;
        }
        if (text[i] != '{') {
            out += text[i++];
            continue;
        }
        const std::size_t close = text.find('}', i);
        const std::string_view candidate = text.substr(i, close == std::string_view::npos ? close : close - i + 1);
        const Named* named = nullptr;
        for (const Named& n : kNames) {
            if (n.name == candidate) named = &n;
        }
        if (named == nullptr) return std::string(candidate.substr(0, 40));
        out += value(named->placeholder);
        anyMark = true;
        i += candidate.size();
    }
    return std::nullopt;
}

std::string Unquoted(const std::string& name) {
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') return name.substr(1, name.size() - 2);
    return name;
}

}  // namespace

TemplateScan ScanTemplate(const CommandParts& command, const CodePage& cp) {
    TemplateScan scan;
    const auto note = [&](Placeholder p) {
        (p == Placeholder::In ? scan.use.in : p == Placeholder::Out ? scan.use.out : p == Placeholder::Sel ? scan.use.sel
                                                                                                            : scan.use.selUrl) = true;
        return std::string();
    };
    std::string ignored;
    std::vector<std::string_view> texts = {command.program};
    for (const std::string& argument : command.passedOn) texts.push_back(argument);
    for (std::string_view text : texts) {
        if (std::optional<std::string> unknown = Substitute(text, note, scan.use.any, ignored, cp)) {
            scan.fault = TemplateFault::UnknownName;
            scan.faultText = std::move(*unknown);
            return scan;
        }
    }
    return scan;
}

bool PercentEncoded(std::string_view cp932, std::string& encoded, std::size_t& line) {
    std::string utf8;
    const TextConversion conversion = Cp932ToUtf8(cp932, utf8);
    if (!conversion.ok()) {
        line = conversion.line;
        return false;
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    encoded.clear();
    for (char c : utf8) {
        const auto b = static_cast<unsigned char>(c);
        const bool unreserved = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') ||
                                b == '-' || b == '.' || b == '_' || b == '~';
        if (unreserved) {
            encoded += c;
        } else {
            encoded += '%';
            encoded += kHex[b >> 4];
            encoded += kHex[b & 0x0F];
        }
    }
    return true;
}

ExpandedCommand ExpandTemplate(const CommandParts& command, const TemplateValues& values, const CodePage& cp) {
    ExpandedCommand expanded;
    const TemplateScan scan = ScanTemplate(command, cp);
    const auto fail = [&](TemplateFault fault, std::string text = {}) {
        expanded.fault = fault;
        expanded.faultText = std::move(text);
        return expanded;
    };
    if (scan.fault != TemplateFault::None) return fail(scan.fault, scan.faultText);
    if (values.pipe && (scan.use.in || scan.use.out)) return fail(TemplateFault::FileWithPipe);
    const std::string_view sel = values.selection;
    if ((scan.use.sel || scan.use.selUrl) && sel.size() > kMaxSelectionBytes) return fail(TemplateFault::SelectionTooLong);
    if (scan.use.sel && sel.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) {
        return fail(TemplateFault::SelectionLineEnd);
    }
    if (scan.use.sel && values.interpreter && sel.find_first_of(kCmdSpecialBytes) != std::string_view::npos) {
        return fail(TemplateFault::SelectionForCmd);
    }
    // Text that is not code page 932 cannot be quoted either: a lead byte
    // before a quote would take the backslash that protects it.
    std::string url;
    std::size_t badLine = 0;
    if ((scan.use.sel || scan.use.selUrl) && !PercentEncoded(sel, url, badLine)) {
        return fail(TemplateFault::SelectionNotCp932, std::to_string(badLine));
    }
    bool ignored = false;
    // In the program part each value stands as its own argument; in a
    // passed-on argument it is a part of the argument that is quoted whole.
    const auto inProgram = [&](Placeholder p) -> std::string {
        switch (p) {
        case Placeholder::In: return values.inFile;
        case Placeholder::Out: return values.outFile;
        case Placeholder::Sel: return QuotedArgument(sel, cp);
        case Placeholder::SelUrl: break;
        }
        return url;
    };
    const auto inArgument = [&](Placeholder p) -> std::string {
        switch (p) {
        case Placeholder::In: return Unquoted(values.inFile);
        case Placeholder::Out: return Unquoted(values.outFile);
        case Placeholder::Sel: return std::string(sel);
        case Placeholder::SelUrl: break;
        }
        return url;
    };
    Substitute(command.program, inProgram, ignored, expanded.program, cp);
    expanded.passedOnList = command.modeSwitch;
    for (const std::string& argument : command.passedOn) {
        std::string replaced;
        Substitute(argument, inArgument, ignored, replaced, cp);
        expanded.passedOnList += QuotedArgument(replaced, cp) + " ";
    }
    return expanded;
}
