#pragma once
#include <string>

// The options that the Save job takes from the host editor's settings file,
// each field named after the key that it holds, in the order of the keys.
struct TAppIni {
    bool AutoFileName = false;
    std::string UserFileFilter;
    std::string HtmlDocFilter;
    std::string PerlDocFilter;
    std::string IniDocFilter;
    std::string BatDocFilter;
    std::string CppDocFilter;
    std::string JavaDocFilter;
    std::string VbDocFilter;
    std::string HspDocFilter;
    std::string PasDocFilter;
    std::string RubyDocFilter;
    bool DefDirOn = false;
    std::string DefDir;
};

inline constexpr char kIniSection[] = "Option";

// The eleven pattern-list keys in the order they are read, with their
// defaults and the field each fills.
struct PatternListKey {
    const char* key;
    const char* defaultValue;
    std::string TAppIni::*field;
};
inline constexpr PatternListKey kPatternListKeys[] = {
    {"UserFileFilter", "*.txt;*.htm;*.html;*.cgi;*.pl", &TAppIni::UserFileFilter},
    {"HtmlDocFilter", "*.htm;*.html;*.asp", &TAppIni::HtmlDocFilter},
    {"PerlDocFilter", "*.cgi;*.pl", &TAppIni::PerlDocFilter},
    {"IniDocFilter", "*.ini;*.inf;*.url", &TAppIni::IniDocFilter},
    {"BatDocFilter", "*.bat", &TAppIni::BatDocFilter},
    {"CppDocFilter", "*.c;*.cpp;*.h", &TAppIni::CppDocFilter},
    {"JavaDocFilter", "*.java", &TAppIni::JavaDocFilter},
    {"VbDocFilter", "*.bas;*.vbs", &TAppIni::VbDocFilter},
    {"HspDocFilter", "*.as", &TAppIni::HspDocFilter},
    {"PasDocFilter", "*.pas;*.dpr", &TAppIni::PasDocFilter},
    {"RubyDocFilter", "*.rb", &TAppIni::RubyDocFilter},
};
