// textconv [/sort] [/halfwidth] [/upper] [/delay=MS] [other switches are ignored] FILE
// textconv /stdio [the same switches]
//
// Converts FILE, code page 932 text, in place: full-width ASCII forms to
// ASCII (/halfwidth), a-z to A-Z (/upper), then sorts its lines (/sort);
// /delay=MS first waits that long (at most a minute), like a slow program.
// FILE is rewritten only when the text changes, and then through a new file
// that replaces it, so that a failed write never leaves it half-written.
// With /stdio the text comes from standard input, read to its end, and the
// result, changed or not, goes to standard output (a filter).
// Exit codes: 0 done (changed or not), 1 no FILE given, 2 FILE (or standard
// input) unreadable, 3 FILE (or standard output) not written.
//
// A GUI-subsystem program that shows nothing: started by a GUI program it
// brings up no console window. It reports itself ready for input at once, so
// that a starter's input-idle wait does not last the whole conversion.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/Handles.h"
#include "base/core/ScopeGuard.h"
#include "tools/textconv/core/TextConv.h"

namespace {

bool ReadWholeFile(const std::string& path, std::string& bytes) {
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > 0x7FFFFFFF) return false;
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    return bytes.empty() ||
           (ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
            read == bytes.size());
}

bool WriteNewFile(const std::string& path, const std::string& bytes) {
    FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return (bytes.empty() ||
            (WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
             written == bytes.size())) &&
           FlushFileBuffers(file.Get());
}

// Writes the new text beside the file, then puts it in the file's place.
bool ReplaceFileContents(const std::string& path, const std::string& bytes) {
    std::string folder = FolderOf(path);
    char sibling[MAX_PATH] = {};
    if (GetTempFileNameA(folder.empty() ? "." : folder.c_str(), "tcv", 0, sibling) == 0) return false;
    ScopeGuard removeSibling([&] { DeleteFileA(sibling); });
    if (!WriteNewFile(sibling, bytes)) return false;
    if (!MoveFileExA(sibling, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return false;
    removeSibling.Dismiss();
    return true;
}

// Standard input to standard output, converted.
int Filter(const TextConvOptions& options) {
    std::string text;
    std::vector<char> chunk(1 << 16);
    DWORD read = 0;
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    while (ReadFile(input, chunk.data(), static_cast<DWORD>(chunk.size()), &read, nullptr) && read != 0) {
        text.append(chunk.data(), read);
    }
    const DWORD error = GetLastError();
    if (error != ERROR_BROKEN_PIPE && error != ERROR_HANDLE_EOF && error != ERROR_SUCCESS) return 2;
    const std::string converted = ConvertText(text, options);
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    for (std::size_t done = 0; done < converted.size();) {
        DWORD written = 0;
        const auto piece = static_cast<DWORD>(std::min<std::size_t>(converted.size() - done, 1 << 16));
        if (!WriteFile(output, converted.data() + done, piece, &written, nullptr) || written == 0) return 3;
        done += written;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // Ready for input: a starter's input-idle wait ends here, not when the
    // conversion is done. (Wine signals it only from a message wait.)
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);

    TextConvOptions options;
    std::string file;
    if (!ParseTextConvArguments(std::vector<std::string>(argv + 1, argv + argc), options, file)) return 1;
    if (options.delayMs != 0) Sleep(options.delayMs);
    if (options.stdio) return Filter(options);
    std::string text;
    if (!ReadWholeFile(file, text)) return 2;
    const std::string converted = ConvertText(text, options);
    if (converted == text) return 0;
    return ReplaceFileContents(file, converted) ? 0 : 3;
}
