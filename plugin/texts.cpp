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
const char kEditorOutOfMemory[] = "メモリが足りないため、並び替えの画面を開けませんでした。";

const char kMenuMoveFirst[] = "先頭へ移動\tAlt+Home";
const char kMenuMoveUp[] = "1つ上へ\tAlt+↑";
const char kMenuMoveDown[] = "1つ下へ\tAlt+↓";
const char kMenuMoveLast[] = "末尾へ移動\tAlt+End";
const char kMenuUndo[] = "元に戻す\tCtrl+Z";
const char kMenuRedo[] = "やり直し\tCtrl+Y";
