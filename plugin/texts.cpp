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
