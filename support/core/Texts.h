#pragma once

// Every text that the user sees, in one place. The source is UTF-8; the build
// turns each narrow literal into code page 932 bytes.

inline constexpr char kAppCaption[] = "Pelmarind";
// The one text shown in UTF-16, when the system's ANSI code page is not 932
// (every other text would come out garbled): Japanese, a blank line, English,
// so that one of them is readable whatever the code page. %s stands for the
// code page's number, in both places.
inline constexpr wchar_t kAppCaptionWide[] = L"Pelmarind";
inline constexpr wchar_t kWrongCodePage[] =
    L"Pelmarind を実行できません。Windows のシステム ロケールが日本語ではないか、「ベータ: ワールドワイド言語サポートで "
    L"Unicode UTF-8 を使用」がオンになっています（コード ページ %s。必要なのは 932 です）。Zorvane のテキストは変更して"
    L"いません。設定は guide.txt の「動作環境」を参照してください。\r\n\r\n"
    L"Pelmarind cannot run: the system locale is not Japanese, or \"Beta: Use Unicode UTF-8 for worldwide language "
    L"support\" is on (code page %s; 932 is needed). The text in Zorvane has not been changed. See 動作環境 in guide.txt.";
inline constexpr char kNotStartedFromHost[] = "Zorvaneの[ツール]から実行して下さい。";
inline constexpr char kTempFileFailed[] = "テンポラリファイルの作成に失敗しました。";
inline constexpr char kLaunchFailedSuffix[] = "の起動に失敗しました。";
inline constexpr char kLockPrefix[] = "[ロック] ";
// The text could not be taken from the editor: the job does not run.
inline constexpr char kTextNotTaken[] = "Zorvaneからのテキストの取得に失敗しました。";
// The program's result could not be put back; %s stands for the kept file.
inline constexpr char kResultKept[] = "Zorvaneへの書き戻しに失敗しました。結果は次のファイルに残してあります。\r\n\r\n%s";
// A result that is not put back could not be kept either (no file could be
// made or written in the temporary-files folder); follows the reason, if any.
inline constexpr char kResultNotKept[] =
    "テキストは変更していません。結果をファイルに残すこともできませんでした（一時ファイルを作成または書き込みできません）。";
inline constexpr char kWriteBackFailed[] = "Zorvaneへの書き戻しに失敗しました。";
// Another copy of the tool is in a run on the same editor.
inline constexpr char kAlreadyRunning[] =
    "このZorvaneでは既にPelmarindが実行中です。実行中の処理が終わってから、もう一度実行してください。";
// Errors that the tool does not know by name.
inline constexpr char kOutOfMemory[] = "メモリが不足しています。";
inline constexpr char kUnexpectedError[] = "予期しないエラーが発生しました。";

// Runs with /io=.
inline constexpr char kIoSwitchInvalid[] =
    "スイッチ /io= の値「%s」は使えません。pipe、utf8、exact のいずれか、または複数をコンマで区切って指定してください。";
// Runs with /out=.
inline constexpr char kOutSwitchInvalid[] =
    "スイッチ /out= の値「%s」は使えません。replace、after、show、copy、none のいずれかを指定してください。";
// The program ended with an exit code other than 0 and left a result: the
// user decides whether it goes back. The second %s is empty, or the first
// lines of its standard error between line breaks.
inline constexpr char kProgramFailedAsk[] =
    "プログラムがエラーで終了しました（終了コード %s）。\r\n%s\r\n"
    "プログラムの結果をテキストに書き戻しますか？［いいえ］を選ぶと、テキストは変更せず、結果はファイルに残します。";
// Through the temporary file: the program failed and did not change the file.
inline constexpr char kProgramFailedUnchanged[] =
    "プログラムがエラーで終了しました（終了コード %s）。一時ファイルは変更されなかったため、テキストは変更していません。";
// Through the pipe: the program failed and wrote nothing to its standard
// output. The second %s as in kProgramFailedAsk.
inline constexpr char kProgramFailedNoOutput[] =
    "プログラムがエラーで終了しました（終了コード %s）。\r\n%s\r\n"
    "プログラムの出力がなかったため、テキストは変更していません。";
// With /out=copy or /out=none the program failed: nothing is offered. The
// second %s as in kProgramFailedAsk.
inline constexpr char kProgramFailedNotUsed[] =
    "プログラムがエラーで終了しました（終了コード %s）。\r\n%s\r\nテキストは変更していません。";
// The result could not be put on the clipboard (kept as kResultKept says).
inline constexpr char kCopyFailed[] = "結果をクリップボードにコピーできませんでした。";
inline constexpr char kCopyFailedKept[] =
    "結果をクリップボードにコピーできませんでした。結果は次のファイルに残してあります。\r\n\r\n%s";
// The result is empty and the text handed over was not.
inline constexpr char kEmptyResultAsk[] =
    "プログラムの結果が空でした。テキストを空にしますか？［いいえ］を選ぶと、テキストは変更しません。";
// The user answered いいえ: %s stands for the file that keeps the result.
inline constexpr char kResultDeclined[] = "テキストは変更していません。結果は次のファイルに残してあります。\r\n\r\n%s";
inline constexpr char kFilterOutputTooLarge[] =
    "プログラムの出力が大きすぎるため受け取れませんでした。テキストは変更していません。";
inline constexpr char kTextNotUtf8[] =
    "テキストを UTF-8 に変換できませんでした（%s 行目に Shift_JIS として正しくないバイトがあります）。"
    "プログラムは実行していません。";
inline constexpr char kResultNotShiftJisHead[] = "プログラムの結果を Shift_JIS に変換できませんでした（%s 行目の %s）。";
inline constexpr char kResultNotShiftJis[] =
    "プログラムの結果を Shift_JIS に変換できませんでした（%s 行目の %s）。テキストは変更していません。"
    "結果は次のファイルに残してあります。\r\n\r\n%s";
// A character of a program's error output that code page 932 lacks, as a
// message shows it.
inline constexpr char kMissingCharacterMark[] = "・";
// A filter's pipes, or the threads that serve them, could not be had.
inline constexpr char kPipesFailed[] =
    "プログラムとの間でデータをやり取りする準備ができませんでした。テキストは変更していません。";
inline constexpr char kInvalidUtf8[] = "UTF-8 として正しくないバイト";
inline constexpr char kInvalidUtf16[] = "UTF-16 として正しくないバイト";

// The command's placeholders ({in}, {out}, {sel}, {sel:url}), its working
// folder (/dir=) and a web address as the program; each refusal comes before
// anything is locked or started.
inline constexpr char kUnknownPlaceholder[] =
    "コマンドの「%s」は使えません。使える置き換えは {in}、{out}、{sel}、{sel:url} です。"
    "波かっこそのものは {{ と }} と書いてください。プログラムは実行していません。";
inline constexpr char kSelectionLineEnd[] =
    "テキストに改行または NUL 文字が含まれているため、{sel} に渡せません。プログラムは実行していません。";
inline constexpr char kSelectionTooLong[] =
    "テキストが 2000 バイトを超えているため、{sel} や {sel:url} に渡せません。プログラムは実行していません。";
inline constexpr char kSelectionForCmd[] =
    "テキストにコマンド プロンプトが特別に扱う文字（& | < > ^ % ! \"）が含まれているため、"
    "cmd /c のコマンドの {sel} に渡せません。プログラムは実行していません。";
inline constexpr char kSelectionNotCp932[] =
    "テキストの %s 行目に Shift_JIS として正しくないバイトがあるため、{sel} や {sel:url} に渡せません。"
    "プログラムは実行していません。";
inline constexpr char kFileWithoutFile[] =
    "標準入出力でやり取りするとき（/io=pipe）と Web アドレスを開くときは、{in} と {out} は使えません。"
    "プログラムは実行していません。";
// {out}: the program ended without making or changing the file; %s stands
// for its exit code.
inline constexpr char kNoOutputFile[] =
    "プログラムは {out} のファイルを作成しませんでした（終了コード %s）。テキストは変更していません。";
inline constexpr char kFolderMissing[] = "作業フォルダー「%s」が見つかりません。プログラムは実行していません。";
inline constexpr char kProgramFolderMissing[] =
    "プログラム「%s」のフォルダーが見つからないため、/dir=app の作業フォルダーにできません。プログラムは実行していません。";
inline constexpr char kWebAddressFailed[] = "Web アドレス「%s」をブラウザーで開けませんでした。";
inline constexpr char kWebAddressNoResult[] = "Web アドレスはブラウザーで開くだけで、結果はありません。/out= の指定は使いません。";

// The window shown while a program runs: "実行中: PROGRAM  N 秒".
inline constexpr char kRunningLabel[] = "実行中: ";
inline constexpr char kSecondsSuffix[] = " 秒";
inline constexpr char kAbortButton[] = "中止";
inline constexpr char kAbortNote[] = "［中止］をクリックするとプログラムを終了します。テキストは変更されません。";

// The result window (/out=show): its buttons, the first line after a failed
// program (%s the exit code), and why a result cannot go into the editor
// (the line and the character, as in kResultNotShiftJis).
inline constexpr char kResultReplaceButton[] = "置き換える(&R)";
inline constexpr char kResultAfterButton[] = "後ろに挿入(&I)";
inline constexpr char kResultCopyButton[] = "コピー(&C)";
inline constexpr char kResultCloseButton[] = "閉じる";
inline constexpr char kResultWindowFailed[] = "プログラムがエラーで終了しました（終了コード %s）。";
inline constexpr char kResultWindowNotCp932[] =
    "%s 行目の %s は Shift_JIS にないため、この結果はテキストに戻せません。コピーはできます。";

// The ask dialog (/ask): the command line typed at run time and its options,
// each as the switch of a menu entry would give it.
inline constexpr char kAskCommandLabel[] = "コマンド(&C):";
inline constexpr char kAskPipeOption[] = "標準入出力でやり取りする(&P)";
inline constexpr char kAskUtf8Option[] = "UTF-8 でやり取りする(&U)";
inline constexpr char kAskHideOption[] = "コンソールを表示しない(&H)";
inline constexpr char kAskFolderLabel[] = "作業フォルダー(&D):";
// The 結果 list, in the order of OutputMode.
inline constexpr char kAskOutputLabel[] = "結果(&O):";
inline constexpr const char* kAskOutputNames[] = {"置き換える", "後ろに挿入", "ウィンドウに表示", "クリップボードにコピー",
                                                  "何もしない"};
inline constexpr char kAskRunButton[] = "実行";
inline constexpr char kAskCancelButton[] = "キャンセル";

// The temporary file's time stamp could not be had after the text was
// written: the program's result could not be told from it, so it does not run.
inline constexpr char kTimeStampFailed[] = "一時ファイルの更新日時を取得できませんでした。プログラムは実行していません。";
// The Save dialog cannot be shown; %s names the missing library or function.
inline constexpr char kSaveDialogUnavailable[] =
    "［名前を付けて保存］ダイアログ ボックスを表示できません。次のシステムのライブラリまたは関数が見つかりません。\r\n\r\n%s";

// The text is not valid Shift_JIS and cannot be saved in the chosen Unicode
// encoding: the encoding's name from the list, the first bad byte's line.
inline constexpr char kSaveNotShiftJis[] =
    "テキストを %s で保存できませんでした（%s 行目に Shift_JIS として正しくないバイトがあります）。"
    "ファイルは作成していません。文字コードに ANSI (Shift_JIS) を選ぶと、テキストをそのまま保存できます。";

// The two lists that the Save dialog adds below the file types, in the order
// of SaveEncoding and SaveLineEnds; the first entry of each is the default.
inline constexpr char kSaveEncodingLabel[] = "文字コード(&E):";
inline constexpr const char* kSaveEncodingNames[] = {"ANSI (Shift_JIS)", "UTF-8", "UTF-8 (BOM 付き)",
                                                     "UTF-16 LE (BOM 付き)"};
inline constexpr char kSaveLineEndsLabel[] = "改行(&L):";
inline constexpr const char* kSaveLineEndsNames[] = {"そのまま", "CR+LF", "LF"};

// File helper errors; %s stands for the file name.
inline constexpr char kCannotCreateFile[] = "ﾌｧｲﾙ %s を作成できません";
inline constexpr char kCannotOpenFile[] = "ﾌｧｲﾙ %s は開けません";
inline constexpr char kStreamWriteError[] = "ｽﾄﾘｰﾑへの書き込みｴﾗｰ";
// What follows those when a saved file could not be put in place; %s stands
// for the file name.
inline constexpr char kFileNotChanged[] = "ファイル %s は変更していません。";
inline constexpr char kFileNotCreated[] = "ファイル %s は作成していません。";
// Before those, when the file's folder takes no new file.
inline constexpr char kNoNewFileInFolder[] = "保存先のフォルダーに新しいファイルを作成できませんでした。";

// Every message the tool can show, each of which the user's guide explains.
inline constexpr const char* kMessageTexts[] = {kNotStartedFromHost, kTextNotTaken,    kTempFileFailed,
                                                kLaunchFailedSuffix, kResultKept,      kCannotCreateFile,
                                                kCannotOpenFile,     kStreamWriteError, kAlreadyRunning,
                                                kOutOfMemory,        kUnexpectedError,  kIoSwitchInvalid,
                                                kProgramFailedAsk,   kProgramFailedUnchanged, kEmptyResultAsk,
                                                kResultDeclined,     kFilterOutputTooLarge,
                                                kTextNotUtf8,        kResultNotShiftJis, kTimeStampFailed,
                                                kSaveDialogUnavailable, kPipesFailed, kSaveNotShiftJis,
                                                kFileNotChanged,     kFileNotCreated,   kNoNewFileInFolder,
                                                kUnknownPlaceholder, kSelectionLineEnd, kSelectionTooLong,
                                                kSelectionForCmd, kSelectionNotCp932, kFileWithoutFile,
                                                kNoOutputFile, kFolderMissing, kProgramFolderMissing,
                                                kWebAddressFailed,   kWebAddressNoResult, kResultNotKept,    kProgramFailedNoOutput,
                                                kOutSwitchInvalid,   kProgramFailedNotUsed, kCopyFailedKept};

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
