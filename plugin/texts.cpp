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
const char kSaveFailedDiskFull[] = "ディスクの空き容量が足りません。";
const char kSaveFailedNotWritable[] = "このファイルには書き込めません。";

const char kEditorUnavailable[] =
    "このBecky!のフォルダを読み取れなかったため、並び順を編集できません。\r\n"
    "Becky!を再起動しても同じ場合は、このバージョンのBecky!ではTamrivelを使用できません。";
const char kEditorHostLost[] =
    "並び順を保存できませんでした。\r\n\r\n"
    "編集中にBecky!のフォルダを読み取れなくなったため、並び順ファイルは変更していません。";
const char kEditorCouldNotOpen[] = "並び替えの画面を開けませんでした。";
const char kEditorOutOfMemory[] =
    "メモリが足りないため、すべてのフォルダを表示できませんでした。\r\n"
    "並び順は変更していません。ほかのプログラムを閉じてから、もう一度開いてください。";
const char kSaveFailedNoMemory[] =
    "メモリが足りません。ほかのプログラムを閉じてから、もう一度OKを押してください。";
const char kEditorMoveFailed[] =
    "メモリが足りないため、フォルダを移動できませんでした。\r\nフォルダは元の位置のままです。";
const char kSavedButNotSorted[] =
    "並び順を保存しました。\r\nフォルダの一覧には、次にBecky!を起動したときに反映されます。";
