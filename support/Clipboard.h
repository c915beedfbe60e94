#pragma once
#include <string>

// Puts `text` on the clipboard as Unicode (CF_UNICODETEXT), and as code page
// 932 (CF_TEXT) too where every character converts, for programs that read
// only that. False when the clipboard could not be had or filled.
bool CopyToClipboard(const std::wstring& text);
