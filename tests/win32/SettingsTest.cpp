// The settings reader with real settings files, the Documents folder and the
// process environment.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <utility>

#include "host/HostLink.h"
#include "support/Settings.h"
#include "tests/robot/Robot.h"

namespace {

std::string IniFile(const TempDir& dir, const std::string& optionLines) {
    const std::string path = dir.File("host.ini");
    WriteFileBytes(path, "[Other]\r\nAutoFileName=1\r\n[Option]\r\n" + optionLines);
    return path;
}

}  // namespace

TEST(Settings, NoFileGivesTheDefaultsOfEveryKey) {
    TempDir dir;
    const std::string documents = GetDocumentsDir();
    // A host that names no settings file, and one that names a missing file.
    StandinHost withoutFile({});
    StandinHost missingFile({"--ini=" + dir.File("missing.ini")});
    for (StandinHost* host : {&withoutFile, &missingFile}) {
        ASSERT_TRUE(host->Ready());
        const HWND saved = HostWindow;
        HostWindow = host->Main();
        LoadAppIni();
        HostWindow = saved;
        const TAppIni settings = std::exchange(AppIni, TAppIni{});
        EXPECT_FALSE(settings.AutoFileName);
        EXPECT_EQ(settings.UserFileFilter, "*.txt;*.htm;*.html;*.cgi;*.pl");
        EXPECT_EQ(settings.HtmlDocFilter, "*.htm;*.html;*.asp");
        EXPECT_EQ(settings.PerlDocFilter, "*.cgi;*.pl");
        EXPECT_EQ(settings.IniDocFilter, "*.ini;*.inf;*.url");
        EXPECT_EQ(settings.BatDocFilter, "*.bat");
        EXPECT_EQ(settings.CppDocFilter, "*.c;*.cpp;*.h");
        EXPECT_EQ(settings.JavaDocFilter, "*.java");
        EXPECT_EQ(settings.VbDocFilter, "*.bas;*.vbs");
        EXPECT_EQ(settings.HspDocFilter, "*.as");
        EXPECT_EQ(settings.PasDocFilter, "*.pas;*.dpr");
        EXPECT_EQ(settings.RubyDocFilter, "*.rb");
        EXPECT_EQ(settings.DefDir, documents);
        EXPECT_FALSE(settings.DefDirOn);
    }
}

TEST(Settings, DocumentsFolderIsNotTheDesktop) {
    char desktop[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE));
    const std::string documents = GetDocumentsDir();
    EXPECT_FALSE(documents.empty());
    EXPECT_NE(documents, desktop);
    EXPECT_TRUE(IsExistingDir(documents));
}

TEST(Settings, DefDirOnIsReadOnlyWithADefDir) {
    TempDir dir;
    const std::string documents = GetDocumentsDir();
    struct Case { const char* lines; std::string defDir; bool on; };
    const Case cases[] = {
        {"DefDir=\r\nDefDirOn=1\r\n", "", false},
        {"DefDirOn=1\r\n", documents, true},
        {"DefDir=C:\\x\r\nDefDirOn=1\r\n", "C:\\x", true},
        {"DefDir=C:\\x\r\nDefDirOn=yes\r\n", "C:\\x", false},
        {"DefDir=C:\\x\r\n", "C:\\x", false},
    };
    for (const Case& c : cases) {
        const TAppIni settings = ReadAppIni(IniFile(dir, c.lines), documents);
        EXPECT_EQ(settings.DefDir, c.defDir) << c.lines;
        EXPECT_EQ(settings.DefDirOn, c.on) << c.lines;
    }
    // No Documents folder from the shell: DefDir defaults to the empty text,
    // so DefDirOn is not read and stays off.
    const TAppIni noDocuments = ReadAppIni(IniFile(dir, "DefDirOn=1\r\n"), "");
    EXPECT_EQ(noDocuments.DefDir, "");
    EXPECT_FALSE(noDocuments.DefDirOn);
}

TEST(Settings, YesNoKeysAreWholeNumbers) {
    TempDir dir;
    // Text, then the result with the default off (as AutoFileName is read) and on.
    struct Case { const char* value; bool withOff, withOn; };
    const Case cases[] = {
        {"1", true, true}, {"-1", true, true}, {"0x10", true, true}, {"$ff", true, true}, {"0", false, false},
        {"true", false, true}, {"0x", false, true}, {"+$1", false, true}, {"", false, true},
    };
    for (const Case& c : cases) {
        const std::string path = IniFile(dir, std::string("AutoFileName=") + c.value + "\r\n");
        EXPECT_EQ(ReadAppIni(path, GetDocumentsDir()).AutoFileName, c.withOff) << c.value;
        EXPECT_EQ(ReadIniBool(path, "Option", "AutoFileName", true), c.withOn) << c.value;
    }
    EXPECT_EQ(ReadIniInteger(IniFile(dir, "N=-2147483648\r\n"), "Option", "N", 5), INT32_MIN);
    EXPECT_EQ(ReadIniInteger(IniFile(dir, "N=12x\r\n"), "Option", "N", 5), 5);
    EXPECT_EQ(ReadIniInteger(dir.File("missing.ini"), "Option", "N", 5), 5);
}

TEST(Settings, EmptyValuesStayEmptyAndLongOnesAreCut) {
    TempDir dir;
    const std::string path = IniFile(dir, "HtmlDocFilter=\r\nRubyDocFilter=*.rbw\r\n");
    const TAppIni settings = ReadAppIni(path, GetDocumentsDir());
    EXPECT_EQ(settings.HtmlDocFilter, "");
    EXPECT_EQ(settings.RubyDocFilter, "*.rbw");
    EXPECT_EQ(settings.PerlDocFilter, "*.cgi;*.pl");
    // At most 1023 bytes: a value of 1023 comes back whole, one of 1024 loses its last byte.
    for (const std::size_t size : {1022u, 1023u, 1024u, 1100u}) {
        const std::string value = std::string(size - 1, 'p') + "q";
        const std::string expected = size <= 1023 ? value : std::string(1023, 'p');
        EXPECT_EQ(ReadIniString(IniFile(dir, "UserFileFilter=" + value + "\r\n"), "Option", "UserFileFilter", ""), expected)
            << size;
    }
    EXPECT_EQ(ReadIniString(path, "Option", "NoSuchKey", "dflt"), "dflt");
    EXPECT_EQ(ReadIniString(path, "NoSuchSection", "HtmlDocFilter", "dflt"), "dflt");
}

// Every key, with a value of its own, from the file the host names: a key
// name misspelt or two names swapped would show here.
TEST(Settings, LoadAppIniReadsEveryKeyFromTheFileTheHostNames) {
    TempDir dir;
    struct Case { const char* key; const char* value; std::string TAppIni::*field; };
    const Case cases[] = {
        {"UserFileFilter", "*.u02", &TAppIni::UserFileFilter}, {"HtmlDocFilter", "*.h03", &TAppIni::HtmlDocFilter},
        {"PerlDocFilter", "*.p04", &TAppIni::PerlDocFilter},   {"IniDocFilter", "*.i05", &TAppIni::IniDocFilter},
        {"BatDocFilter", "*.b06", &TAppIni::BatDocFilter},     {"CppDocFilter", "*.c07", &TAppIni::CppDocFilter},
        {"JavaDocFilter", "*.j08", &TAppIni::JavaDocFilter},   {"VbDocFilter", "*.v09", &TAppIni::VbDocFilter},
        {"HspDocFilter", "*.h10", &TAppIni::HspDocFilter},     {"PasDocFilter", "*.p11", &TAppIni::PasDocFilter},
        {"RubyDocFilter", "*.r12", &TAppIni::RubyDocFilter},   {"DefDir", "C:\\d13", &TAppIni::DefDir},
    };
    // The two yes/no keys each on once with the other off.
    for (const bool autoFileName : {true, false}) {
        std::string lines = std::string("AutoFileName=") + (autoFileName ? "1" : "0") + "\r\nDefDirOn=" +
                            (autoFileName ? "0" : "1") + "\r\n";
        for (const Case& c : cases) lines += std::string(c.key) + "=" + c.value + "\r\n";
        StandinHost host({"--ini=" + IniFile(dir, lines)});
        ASSERT_TRUE(host.Ready());
        const HWND saved = HostWindow;
        HostWindow = host.Main();
        LoadAppIni();
        HostWindow = saved;
        const TAppIni settings = std::exchange(AppIni, TAppIni{});
        EXPECT_EQ(settings.AutoFileName, autoFileName);
        EXPECT_EQ(settings.DefDirOn, !autoFileName);
        for (const Case& c : cases) EXPECT_EQ(settings.*c.field, c.value) << c.key;
    }
}

TEST(Settings, ExpandDefDirWithTheProcessEnvironment) {
    TempDir dir;
    ScopedEnvironment profile("PELMARIND_PROFILE", "C:\\Users\\a");
    ScopedEnvironment drive("PELMARIND_DRIVE", "C:");
    ScopedEnvironment path("PELMARIND_PATH", "\\Users\\a");
    ScopedEnvironment temp("PELMARIND_T", dir.Path());
    EXPECT_EQ(ExpandDefDir("%PELMARIND_PROFILE%\\Desktop"), "C:\\Users\\a\\Desktop");
    EXPECT_EQ(ExpandDefDir("%pelmarind_profile%\\Desktop"), "C:\\Users\\a\\Desktop");
    EXPECT_EQ(ExpandDefDir("%PELMARIND_DRIVE%%PELMARIND_PATH%"), "C:%PELMARIND_PATH%");
    EXPECT_EQ(ExpandDefDir("%PELMARIND_NOSUCHVAR%\\x"), "%PELMARIND_NOSUCHVAR%\\x");
    EXPECT_EQ(ExpandDefDir("C:\\a%%b\\%PELMARIND_T%"), "C:\\a%%b\\%PELMARIND_T%");
    // An existing directory whose name looks like a token is taken as it is.
    const std::string percentDir = dir.File("%PELMARIND_PROFILE%");
    ASSERT_TRUE(CreateDirectoryA(percentDir.c_str(), nullptr));
    EXPECT_EQ(ExpandDefDir(percentDir), percentDir);
    EXPECT_TRUE(IsExistingDir(percentDir));
    EXPECT_FALSE(IsExistingDir(percentDir + "\\none"));
    WriteFileBytes(dir.File("file"), "x");
    EXPECT_FALSE(IsExistingDir(dir.File("file")));
    // The real variable of the example, which the platform always sets.
    char userProfile[MAX_PATH] = {};
    ASSERT_GT(GetEnvironmentVariableA("USERPROFILE", userProfile, MAX_PATH), 0u);
    EXPECT_EQ(ExpandDefDir("%USERPROFILE%\\Desktop"), std::string(userProfile) + "\\Desktop");
}

TEST(Settings, EnvironmentValuesAreTakenWhole) {
    for (const std::size_t size : {1u, 255u, 256u, 257u, 1000u, 5000u}) {
        const std::string value(size, 'v');
        ScopedEnvironment variable("PELMARIND_LONG", value);
        EXPECT_EQ(LookupEnvToken("%PELMARIND_LONG%"), value) << size;
    }
    ScopedEnvironment empty("PELMARIND_EMPTY", "");
    EXPECT_EQ(LookupEnvToken("%PELMARIND_EMPTY%"), "%PELMARIND_EMPTY%");
    EXPECT_EQ(LookupEnvToken("%PELMARIND_UNSET%"), "%PELMARIND_UNSET%");
}
