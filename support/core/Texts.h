#pragma once

// Every text that the user sees, in one place. The source is UTF-8; the build
// turns each literal into code page 932 bytes.

inline constexpr char kAppCaption[] = "Pelmarind";
inline constexpr char kNotStartedFromHost[] = "Zorvaneの[ツール]から実行して下さい。";
inline constexpr char kTempFileFailed[] = "テンポラリファイルの作成に失敗しました。";
inline constexpr char kLaunchFailedSuffix[] = "の起動に失敗しました。";
inline constexpr char kLockPrefix[] = "[ロック] ";
// The text could not be taken from the editor: the job does not run.
inline constexpr char kTextNotTaken[] = "Zorvaneからのテキストの取得に失敗しました。";
// The program's result could not be put back; %s stands for the kept file.
inline constexpr char kResultKept[] = "Zorvaneへの書き戻しに失敗しました。結果は次のファイルに残してあります。\r\n\r\n%s";
// The temporary file's time stamp could not be had after the text was
// written: the program's result could not be told from it, so it does not run.
inline constexpr char kTimeStampFailed[] = "一時ファイルの更新日時を取得できませんでした。プログラムは実行していません。";
// The Save dialog cannot be shown; %s names the missing library or function.
inline constexpr char kSaveDialogUnavailable[] =
    "保存ダイアログを表示できません。次のシステムのライブラリまたは関数が見つかりません。\r\n\r\n%s";

// File helper errors; %s stands for the file name.
inline constexpr char kCannotCreateFile[] = "ﾌｧｲﾙ %s を作成できません";
inline constexpr char kCannotOpenFile[] = "ﾌｧｲﾙ %s は開けません";
inline constexpr char kStreamWriteError[] = "ｽﾄﾘｰﾑへの書き込みｴﾗｰ";

// Every message the tool can show, each of which the user's guide explains.
inline constexpr const char* kMessageTexts[] = {kNotStartedFromHost, kTextNotTaken,         kTempFileFailed,
                                                kTimeStampFailed,    kLaunchFailedSuffix,   kResultKept,
                                                kCannotCreateFile,   kCannotOpenFile,       kStreamWriteError,
                                                kSaveDialogUnavailable};

// Save dialog file types.
inline constexpr char kFilterHead[] = "テキストファイル(*.txt)|*.txt|ユーザー(";
inline constexpr char kFilterUserMiddle[] = ")|";
inline constexpr char kFilterTail[] = "|すべてのファイル(*.*)|*.*";
inline constexpr char kFilterHtml[] = "HTMLファイル";
inline constexpr char kFilterPerl[] = "Perlファイル";
inline constexpr char kFilterRuby[] = "Rubyファイル";
inline constexpr char kFilterIni[] = "INIファイル";
inline constexpr char kFilterBat[] = "BATファイル";
inline constexpr char kFilterCpp[] = "C/C++ファイル";
inline constexpr char kFilterJava[] = "Javaファイル";
inline constexpr char kFilterVb[] = "VBファイル";
inline constexpr char kFilterHsp[] = "HSPファイル";
inline constexpr char kFilterPas[] = "Delphiファイル";
