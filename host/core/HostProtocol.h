#pragma once
#include <cstdint>
#include <string>

// The host editor's side of the conversation: window classes, message
// numbers and the name of the shared section.

inline constexpr char kHostMainClass[] = "TZorvaneMainForm";
inline constexpr char kHostExeNameClass[] = "TZorvaneExeName";
inline constexpr char kHostIniFilePathClass[] = "TZorvaneIniFilePath";
inline constexpr char kHostSectionPrefix[] = "Zorvane_Map_";

inline constexpr unsigned HM_GETEDITWND = 0x8192;
inline constexpr unsigned HM_GETMODE = 0x8194;
inline constexpr unsigned HM_GETTEXT = 0x819A;
inline constexpr unsigned HM_SETTEXT = 0x819B;

// Text kinds, sent as wParam of HM_GETTEXT and HM_SETTEXT.
inline constexpr unsigned kTextKindAll = 0;
inline constexpr unsigned kTextKindSelection = 1;

// Editor modes: the tool's own numbering of the host's document kinds.
inline constexpr std::uint8_t kModeNone = 0, kModeDefault = 1, kModeHtml = 2, kModePerl = 3, kModeRuby = 4,
                             kModeIni = 5, kModeBat = 6, kModeCpp = 7, kModeJava = 8, kModeVb = 9, kModeHsp = 10,
                             kModePas = 11;
// The host numbers its document kinds differently; replies outside 0..10
// (negative ones included) mean the default kind.
std::uint8_t EditorModeFromHostReply(std::uint32_t reply);

// "Zorvane_Map_" followed by the host main window's handle in unsigned decimal.
std::string HostSectionName(std::uint32_t hostWindowHandle);
