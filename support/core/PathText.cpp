#include "support/core/PathText.h"

#include <cstring>

#include "support/core/CommandLine.h"
#include "support/core/Texts.h"

namespace {

// Byte length of the longest prefix of `text` of at most `limit` bytes that
// does not end inside a double-byte character.
std::size_t WholeCharacters(const std::string& text, std::size_t limit, const CodePage& cp) {
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t width = cp.IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
        if (i + width > limit) break;
        i += width;
    }
    return i;
}

// Where the last component of a path begins: after its last backslash or
// colon that is not the second byte of a double-byte character; 0 when it
// has none.
std::size_t FileNamePosition(const std::string& fileName, const CodePage& cp) {
    std::size_t position = 0;
    for (std::size_t i = 0; i < fileName.size(); ++i) {
        const char c = fileName[i];
        if (cp.IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < fileName.size()) {
            ++i;
        } else if (c == '\\' || c == ':') {
            position = i + 1;
        }
    }
    return position;
}

// What a name risks on a command line: being split (at a blank by any
// program, at & | < > ^ , ; = ( ) by cmd, which takes them as operators or
// batch argument separators outside quotes), and cmd's %NAME% expansion,
// which quotes do not stop. Second bytes of double-byte characters are
// none of these (cmd reads the line as Unicode).
struct NameHazards {
    bool split = false;
    bool percent = false;
};

NameHazards HazardsOf(const std::string& name, const CodePage& cp) {
    NameHazards hazards;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (cp.IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < name.size()) {
            ++i;
        } else if (c == '%') {
            hazards.percent = true;
        } else if (c != '\0' && std::strchr(" &|<>^,;=()", c) != nullptr) {
            hazards.split = true;
        }
    }
    return hazards;
}

}  // namespace

std::string ChangeFileExt(const std::string& fileName, const std::string& extension, const CodePage& cp) {
    std::size_t dot = std::string::npos;
    for (std::size_t i = 0; i < fileName.size(); ++i) {
        const char c = fileName[i];
        if (cp.IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < fileName.size()) {
            ++i;
        } else if (c == '\\' || c == ':') {
            dot = std::string::npos;
        } else if (c == '.') {
            dot = i;
        }
    }
    return (dot == std::string::npos ? fileName : fileName.substr(0, dot)) + extension;
}

std::string LockedTitle(const std::string& title, const CodePage& cp) {
    return kLockPrefix + title.substr(0, WholeCharacters(title, 256, cp));
}

std::string LaunchFailedMessage(const std::string& program, const std::string& passedOnList, const std::string& tempFile) {
    return program + " " + passedOnList + " " + tempFile + "\r\n\r\n" + kLaunchFailedSuffix;
}

std::string HandedOnFileName(const std::string& fileName,
                             const std::function<std::string(const std::string& folder)>& shortForm,
                             const CodePage& cp) {
    const NameHazards name = HazardsOf(fileName, cp);
    if (!name.split && !name.percent) return fileName;
    const std::size_t position = FileNamePosition(fileName, cp);
    const std::string handedOn = shortForm(fileName.substr(0, position)) + fileName.substr(position);
    const NameHazards shortName = HazardsOf(handedOn, cp);
    if (!shortName.split && !shortName.percent) return handedOn;
    if (name.percent && !shortName.percent) return QuotedArgument(handedOn, cp);
    return name.split ? QuotedArgument(fileName, cp) : fileName;
}

std::string UsableProgramPath(const std::string& value, const std::string& shortForm, bool namesExistingFile,
                              const CodePage& cp) {
    if (!namesExistingFile) return value;
    return shortForm.find(' ') == std::string::npos ? shortForm : QuotedArgument(shortForm, cp);
}
