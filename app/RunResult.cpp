#include "app/RunResult.h"

#include <windows.h>

#include "app/Unit1.h"
#include "host/HostLink.h"
#include "support/FileHelpers.h"
#include "support/core/Texts.h"
#include "support/core/ToolError.h"
#include "support/core/Utf8Text.h"

std::string CreateTempFile() {
    char folder[MAX_PATH] = {};
    const DWORD length = GetTempPathA(MAX_PATH, folder);
    if (length == 0 || length >= MAX_PATH) return {};
    char name[MAX_PATH] = {};
    if (GetTempFileNameA(folder, "qlk", 0, name) == 0) return {};
    return name;
}

std::string KeepInNewTempFile(const std::string& bytes) {
    const std::string file = CreateTempFile();
    if (file.empty()) return {};
    try {
        SaveTextToFile(bytes, file);
    } catch (const ToolError&) {
        DeleteFileA(file.c_str());
        return {};
    }
    return file;
}

bool ResultFromUtf8(std::string& result, const KeepResult& keep) {
    std::string converted;
    const TextConversion conversion = Utf8ToCp932(result, converted);
    if (conversion.ok()) {
        result = std::move(converted);
        return true;
    }
    const std::string what =
        conversion.fault == TextConversion::Fault::NoCp932Form ? CodePointText(conversion.codePoint) : kInvalidUtf8;
    ShowWarning(FormatMessageTexts(kResultNotShiftJis, {std::to_string(conversion.line), what, keep()}));
    return false;
}

std::string ErrorTextFromUtf8(const std::string& errors) {
    std::string converted;
    return Utf8ToCp932(errors, converted).ok() ? converted : errors;
}

void PutResultBack(const std::string& result, const KeepResult& keep) {
    const bool handedOver = SelLength != 0 ? SetHostSelText(HostWindow, result) : SetHostAllText(HostWindow, result);
    if (!handedOver) ShowWarning(FormatMessageText(kResultKept, keep()));
}
