#include "plugin/texts.h"

const char kPlugInName[] = "Tamrivel";
const char kPlugInVendor[] = "Oskvar";
const char kPlugInVersion[] = "1.01";
const char kPlugInDescription[] =
    "フォルダを並べ替える\n※Ver2.05.04以降でないとうまく動きません";
const char kErrorCaption[] = "プラグインエラー";
const char kLoadFailureFormat[] =
    "プラグイン「%s」でエラーが発生しました。\r\nBecky!! とプラグインのバージョンを確認してください";
const char kUnsupportedHostMessage[] = "このバージョンのBecky!ではTamrivelは使用できません";

const char kEditorCaption[] = "並び替え";
const char kSaveFailedFormat[] = "並び順を保存できませんでした。\r\n\r\n%s\r\n\r\n%s";
const char kSaveFailedReadOnly[] =
    "このファイルは読み取り専用です。読み取り専用を解除してから、もう一度OKを押してください。";
const char kSaveFailedInUse[] =
    "ほかのプログラムがこのファイルを使用しています。そのプログラムを閉じてから、もう一度OKを押してください。";
const char kSaveFailedDiskFull[] =
    "ディスクの空き容量が足りません。不要なファイルを削除して空き容量を増やしてから、もう一度OKを押してください。";
const char kSaveFailedNotWritable[] =
    "このファイルには書き込めません。書き換える権限がないか、同じ名前のフォルダがあります。"
    "アクセス許可を確認するか、そのフォルダを移動してから、もう一度OKを押してください。";
const char kSaveFailedUnreadable[] =
    "このファイルを読み取れないため、この画面にないフォルダの行を残して保存することができません。"
    "ファイルのアクセス許可を確認してから、もう一度OKを押してください。";
const char kSaveFailedNotPlainText[] =
    "このファイルは、プラグインが読み書きする形式（Shift_JISのテキスト）ではありません"
    "（目印のないUnicodeで保存されたファイルなど）。書き換えると中の行が壊れるため、変更していません。"
    "メモ帳で開き、[名前を付けて保存]で文字コードを「ANSI」にして保存してから、もう一度OKを押してください。";
const char kSaveFailedFolderFormat[] =
    "並び順を保存できませんでした。\r\n\r\n"
    "プラグインのフォルダに書き込めないため、並び順ファイル (tamrivel.cfg) を作成できません。\r\n%s\r\n\r\n"
    "Program Files の中のフォルダなどは、書き込みが許可されていないことがあります。"
    "このフォルダのプロパティの[セキュリティ]で書き込みを許可してから、もう一度OKを押してください。";

const char kEditorUnavailable[] =
    "このBecky!のフォルダを読み取れなかったため、並び順を編集できません。\r\n"
    "Becky!を再起動しても同じ場合は、このバージョンのBecky!ではTamrivelを使用できません。";
const char kEditorBeforeStart[] =
    "Becky!の起動時の処理がまだ済んでいないため、並び順を編集できません。\r\n"
    "Becky!を再起動してから、もう一度プラグインの設定を開いてください。";
const char kEditorHostLost[] =
    "並び順を保存できませんでした。\r\n\r\n"
    "編集中にBecky!のフォルダを読み取れなくなったため、並び順ファイル (tamrivel.cfg) は変更していません。"
    "この画面での移動は保存されず、前の並び順が残ります。\r\n"
    "Becky!を再起動してから、もう一度並び替えてください。";
const char kEditorCouldNotOpen[] =
    "並び替えの画面を開けませんでした。並び順ファイル (tamrivel.cfg) は変更していません。\r\n"
    "Becky!を再起動してから、もう一度プラグインの設定を開いてください。";
const char kEditorOutOfMemory[] =
    "メモリが足りないため、すべてのフォルダを表示できませんでした。\r\n"
    "並び順は変更していません。ほかのプログラムを閉じてから、もう一度プラグインの設定を開いてください。";
const char kSaveFailedPathTooLong[] =
    "プラグインのフォルダのパスが長すぎる（245バイトを超える）ため、保存用の一時ファイルを作れません。"
    "Becky!とプラグインをパスの短いフォルダに置いてから、もう一度並べ替えてください。";
const char kSaveFailedNoMemory[] =
    "メモリが足りません。ほかのプログラムを閉じてから、もう一度OKを押してください。";
const char kEditorMoveFailed[] =
    "メモリが足りないため、フォルダを移動できませんでした。\r\nフォルダは元の位置のままです。";
const char kEditorAbandoned[] =
    "メモリが足りないため、フォルダの移動を終えられず、並び替えの画面を閉じました。\r\n"
    "並び順ファイル (tamrivel.cfg) は変更していません。この画面での移動は保存されていません。"
    "ほかのプログラムを閉じてから、もう一度プラグインの設定を開いてください。";
const char kSavedButNotSorted[] =
    "並び順を保存しました。\r\nフォルダの一覧には、次にBecky!を起動したときに反映されます。";

const char kMenuMoveFirst[] = "先頭へ移動\tAlt+Home";
const char kMenuMoveUp[] = "1つ上へ\tAlt+↑";
const char kMenuMoveDown[] = "1つ下へ\tAlt+↓";
const char kMenuMoveLast[] = "末尾へ移動\tAlt+End";
const char kMenuSortGroup[] = "この階層を名前順に並べ替え";
const char kMenuSortSubfolders[] = "サブフォルダを名前順に並べ替え";
const char kMenuUndo[] = "元に戻す\tCtrl+Z";
const char kMenuRedo[] = "やり直し\tCtrl+Y";

const char kTipMoveUp[] =
    "選んだフォルダを1つ上へ (Alt+↑)\r\n押し続けると続けて動きます。ドラッグや、右クリックのメニューでも動かせます。";
const char kTipMoveDown[] =
    "選んだフォルダを1つ下へ (Alt+↓)\r\n押し続けると続けて動きます。ドラッグや、右クリックのメニューでも動かせます。";
const char kTipGreyFolder[] =
    "このフォルダはデータフォルダの外にあるため、並び順ファイルに書けず、動かせません。";
