#pragma once
#include <cstdint>
#include <string>

#include "support/core/AppIni.h"
#include "support/core/SettingsRules.h"

// The host editor's settings, read for the Save job. The tool only reads the
// host's settings file; it never writes it.

// Empty (texts empty, flags off) until LoadAppIni fills it.
extern TAppIni AppIni;

// Fills AppIni from the settings file that the host reports; reports no failure.
void LoadAppIni();
// The same, from a given settings file, with the Documents folder as the
// default of DefDir (empty when the shell gives none, so DefDirOn stays off).
TAppIni ReadAppIni(const std::string& iniPath, const std::string& documentsDir);

// The key's value (or the default when the file, section or key is missing),
// at most 1023 bytes. A key present with an empty value gives the empty text.
std::string ReadIniString(const std::string& file, const std::string& section, const std::string& key,
                          const std::string& defaultValue);
std::int32_t ReadIniInteger(const std::string& file, const std::string& section, const std::string& key,
                            std::int32_t defaultValue);
bool ReadIniBool(const std::string& file, const std::string& section, const std::string& key, bool defaultValue);

// The user's Documents folder (not the desktop); empty when the shell gives none.
std::string GetDocumentsDir();

bool IsExistingDir(const std::string& path);
std::string LookupEnvToken(const std::string& token);
std::string ExpandDefDir(const std::string& dir);

// The process environment and the file system, as the start-folder resolution sees them.
const Environment& SystemEnvironment();
