#include "support/core/PathText.h"

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
    if (fileName.find(' ') == std::string::npos) return fileName;
    const std::size_t name = FileNamePosition(fileName, cp);
    const std::string handedOn = shortForm(fileName.substr(0, name)) + fileName.substr(name);
    return handedOn.find(' ') == std::string::npos ? handedOn : "\"" + fileName + "\"";
}
