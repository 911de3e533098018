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
