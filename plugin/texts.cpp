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
    "このファイルは読み取り専用です。読み取り専用を解除してから、もう一度 OK を押してください。";
const char kSaveFailedInUse[] =
    "ほかのプログラムがこのファイルを使用しています。そのプログラムを閉じてから、もう一度 OK を押してください。";
const char kSaveFailedDiskFull[] =
    "ディスクの空き容量が足りません。不要なファイルを削除して空き容量を増やしてから、もう一度 OK を押してください。";
const char kSaveFailedNotWritable[] =
    "このファイルには書き込めません。tamrivel.cfg という名前のフォルダがあるか、ほかのプログラムがこのファイルを開いているか、"
    "Becky! を管理者として実行したときに作られたファイルであることが考えられます。"
    "tamrivel.cfg という名前のフォルダがあれば、名前を変えるか別の場所へ移してください。ほかのプログラムが開いていれば、閉じてください。"
    "フォルダやファイルのアクセス許可は変えないでください。対処のしかたは、説明（install.txt）の「メッセージの意味」にあります。";
const char kSaveFailedUnreadable[] =
    "このファイルを読み取れないため、「並び替え」ウィンドウに出ないフォルダの行を残して保存することができません。"
    "Becky! を管理者として実行したときに作られたファイルなどで、このようになります。"
    "アクセス許可は変えないでください。対処のしかたは、説明（install.txt）の「メッセージの意味」にあります。";
const char kSaveFailedNotPlainText[] =
    "このファイルは、プラグインが読める形式のテキストではありません"
    "（BOM なしの UTF-16 で保存されたファイルなど）。書き換えると中の行が壊れるため、変更していません。"
    "メモ帳で開き、［名前を付けて保存］で文字コードを「ANSI」にして保存してから、もう一度 OK を押してください。";
const char kSaveFailedChangedMeanwhile[] =
    "保存する間に、ほかのプログラムがこのファイルを何度も書き換えました。そのプログラムが書いた内容はそのまま残しています。"
    "しばらく待ってから、もう一度 OK を押してください。";
const char kSaveFailedFolderFormat[] =
    "並び順を保存できませんでした。\r\n\r\n"
    "プラグインのフォルダに書き込めないため、並び順ファイル（tamrivel.cfg）を作成できません。\r\n%s\r\n\r\n"
    "Becky! が Program Files の中にあっても、ふつうは Windows が書き込み先を VirtualStore に切り替えるため、このようにはなりません。"
    "VirtualStore やユーザーアカウント制御が無効にされている PC（会社の PC など）や、書き込みが許可されていない場所"
    "（読み取り専用の共有フォルダなど）に Becky! があるときに、このようになります。"
    "フォルダやファイルのアクセス許可は変えないでください。対処のしかたは、説明（install.txt）の「Becky! が Program Files の中にあるとき」にあります。";

const char kEditorUnavailable[] =
    "Becky! からフォルダの情報を読み取れなかったため、並び順を編集できません。\r\n"
    "Becky! を再起動しても同じ場合は、このバージョンの Becky! では Tamrivel を使用できません。";
const char kEditorBeforeStart[] =
    "Becky! の起動時の処理がまだ済んでいないため、並び順を編集できません。\r\n"
    "Becky! を再起動してから、もう一度プラグインの設定を開いてください。";
const char kEditorHostLost[] =
    "並び順を保存できませんでした。\r\n\r\n"
    "編集中に Becky! からフォルダの情報を読み取れなくなったため、並び順ファイル（tamrivel.cfg）は変更していません。"
    "「並び替え」ウィンドウでの移動は保存されず、前の並び順が残ります。\r\n"
    "Becky! を再起動してから、もう一度並べ替えてください。";
const char kEditorCouldNotOpen[] =
    "「並び替え」ウィンドウを開けませんでした。並び順ファイル（tamrivel.cfg）は変更していません。\r\n"
    "Becky! を再起動してから、もう一度プラグインの設定を開いてください。";
const char kEditorOutOfMemory[] =
    "メモリが足りないため、すべてのフォルダを表示できませんでした。\r\n"
    "並び順は変更していません。ほかのプログラムを閉じてから、もう一度プラグインの設定を開いてください。";
const char kSaveFailedPathTooLong[] =
    "プラグインのフォルダのパスが長すぎる（半角で 245 文字を超える。全角の文字は半角 2 文字と数えます）ため、保存用の一時ファイルを作れません。"
    "Becky! とプラグインをパスの短いフォルダに置いてから、もう一度並べ替えてください。";
const char kSaveFailedNoMemory[] =
    "メモリが足りません。ほかのプログラムを閉じてから、もう一度 OK を押してください。";
const char kEditorMoveFailed[] =
    "メモリが足りないため、フォルダを移動できませんでした。\r\nフォルダは元の位置のままです。";
const char kEditorAbandoned[] =
    "メモリが足りないため、フォルダの移動を終えられず、「並び替え」ウィンドウを閉じました。\r\n"
    "並び順ファイル（tamrivel.cfg）は変更していません。「並び替え」ウィンドウでの移動は保存されていません。"
    "ほかのプログラムを閉じてから、もう一度プラグインの設定を開いてください。";
const char kSavedButNotSorted[] =
    "並び順を保存しました。\r\nフォルダの一覧には、次に Becky! を起動したときに反映されます。";

const char kMenuMoveFirst[] = "先頭へ移動\tAlt+Home";
const char kMenuMoveUp[] = "1 つ上へ\tAlt+↑";
const char kMenuMoveDown[] = "1 つ下へ\tAlt+↓";
const char kMenuMoveLast[] = "末尾へ移動\tAlt+End";
const char kMenuSortGroup[] = "この階層を名前順に並べ替え";
const char kMenuSortSubfolders[] = "サブフォルダを名前順に並べ替え";
const char kMenuUndo[] = "元に戻す\tCtrl+Z";
const char kMenuRedo[] = "やり直し\tCtrl+Y";

const char kTipMoveUp[] =
    "選んだフォルダを 1 つ上へ（Alt+↑）\r\n押し続けると続けて動きます。ドラッグや、右クリックのメニューでも動かせます。";
const char kTipMoveDown[] =
    "選んだフォルダを 1 つ下へ（Alt+↓）\r\n押し続けると続けて動きます。ドラッグや、右クリックのメニューでも動かせます。";
const char kTipGreyFolder[] =
    "このフォルダはデータフォルダの外にあるため、並び順ファイルに書けず、動かせません。";

const char kCheckNoticeFormat[] =
    "該当するフォルダがない行: %d 行";
const char kCheckNoticeChosenFormat[] = "OK で %d 行を整理（全 %d 行）";
const char kCheckOpenList[] = "確認(&L)...";
const char kCheckListCaption[] = "並び順ファイルの確認";
const char kCheckFix[] = "修正する(&F)";
const char kCheckRemove[] = "削除する(&D)";
const char kCheckKeep[] = "残す(&K)";
const char kCheckRemoveAll[] = "すべて削除(&A)";
const char kCheckCancel[] = "ｷｬﾝｾﾙ";
const char kCheckChoiceKeep[] = "残す";
const char kCheckChoiceRemove[] = "削除";
const char kCheckChoiceFix[] = "修正";
const char kCheckColumnLine[] = "行";
const char kCheckColumnText[] = "書かれている内容";
const char kCheckColumnWhy[] = "理由";
const char kCheckColumnAtOk[] =
    "並び替えの OK で";
const char kCheckFileFormat[] = "読み込んだ並び順ファイル: %s";
const char kCheckVirtualStoreFormat[] =
    "\r\nプラグインのフォルダが Program Files の中にあるため、Windows は次の場所（VirtualStore）のコピーを使っています。\r\n"
    "手で編集するときは、このコピーを編集してください: %s";
const char kCheckReadAsUtf8[] =
    "\r\nこのファイルは UTF-8 で保存されています。正しく読み込み、「並び替え」ウィンドウの OK で Shift_JIS（ANSI）に変えて保存します。";
const char kCheckReadAsUtf16[] =
    "\r\nこのファイルは UTF-16（Unicode）で保存されています。正しく読み込み、「並び替え」ウィンドウの OK で"
    " Shift_JIS（ANSI）に変えて保存します。";
const char kCheckNotText[] =
    "\r\nこのファイルには NUL 文字があるため、「並び替え」ウィンドウの OK で保存できません。メモ帳で開き、"
    "［名前を付けて保存］で文字コードに「ANSI」を選んで保存し直してください。";
const char kCheckUtf8Tag[] = "（UTF-8）";
const char kCheckDetailFormat[] = "%d 行目 %s\r\n%s";
const char kCheckFixFormat[] = "\r\n正しくは: %s";
const char kCheckGuessFormat[] = "\r\nもしかして: %s";
const char kCheckSeveralFormat[] =
    "\r\n%d 個のフォルダが考えられます（例: %s）。どのフォルダか分かるように、パス全体を書いてください。";
const char kCheckTailFormat[] = "\r\nデータフォルダを除くと: %s";
const char kCheckRepeatsFormat[] =
    "\r\n同じ行がほかに %d 行あります。「並び替え」ウィンドウの OK で 1 行にまとめます。";
const char kCheckGroupFormat[] =
    "「%s」というフォルダがありません（その下の行が %d 行あります）。\r\n名前を変えたか、削除したフォルダかもしれません。";
const char kCheckHowToApply[] =
    "このウィンドウの OK では、並び順ファイルはまだ書き換わりません。\r\n"
    "「修正」にした行のフォルダは、OK でこのウィンドウを閉じると、\r\n"
    "「並び替え」ウィンドウのツリーで、修正後の行が示す位置へ動きます。\r\n"
    "削除と修正が並び順ファイルに書き込まれるのは、「並び替え」ウィンドウの OK を押したときです。\r\n"
    "別のデータフォルダや、外しているメールボックスの行なら残してください。";
const char kCheckCouldNotOpen[] =
    "「並び順ファイルの確認」ウィンドウを開けませんでした。並び順は変更していません。";

const char* const kCheckWhyShort[] = {
    "フォルダがない",
    "書き方の誤り",
    "重複",
    "UTF-8 の行",
    "Shift_JIS にない文字",
    "フルパス",
    "行末に空白",
    "行末の \\ がない",
    "行頭に \\",
    "大文字と小文字",
    "# で始まる行",
    "行頭に空白",
    "区切りが / か ￥",
    "表示名のパス",
    "上のフォルダを省略",
    "上のフォルダがない",
    "空の行",
};
const char* const kCheckWhy[] = {
    "この行に該当するフォルダはありません。\r\n名前を変えたか、削除したフォルダかもしれません。",
    "書かれたままでは、該当するフォルダがありません。",
    "同じ行が、これより上にもあります。\r\nいちばん上の行だけが使われます。",
    "この行は UTF-8 で書かれています。\r\nほかの行と同じ Shift_JIS（ANSI）で書いてください。",
    "Shift_JIS にない文字（または読めないバイト）があり、「?」として読まれるため、\r\n該当するフォルダがありません。"
    "\r\n残すと、「並び替え」ウィンドウの OK で保存するときに、その文字は「?」になります。",
    "データフォルダから始まるパスです。\r\n行には、データフォルダより後のパスを書きます。",
    "行末に空白（スペースかタブ）があります。\r\n空白も比べるため、該当するフォルダがありません。",
    "行末に「\\」がありません。\r\nどの行も「\\」で終わります。",
    "行頭に「\\」があります。\r\n行は「\\」で始めません。",
    "大文字と小文字だけが違います。\r\n大文字と小文字も区別します。",
    "「#」で始まる行です。\r\n並び順ファイルにはコメントを書けません。",
    "行頭に空白（スペースかタブ）があります。\r\n空白も比べるため、該当するフォルダがありません。",
    "区切りに「/」か全角の「￥」を使っています。\r\n区切りは半角の「\\」です。",
    "Becky! に表示される名前のパスです。\r\n行には、ディスク上のフォルダ名のパスを書きます。",
    "上のフォルダが抜けています。\r\n行には、データフォルダより後のパス全体を書きます。",
    "",  // the group's own words
    "空の行です。",
};
static_assert(sizeof kCheckWhyShort / sizeof kCheckWhyShort[0] == kCheckReasons, "a short reason for every slip");
static_assert(sizeof kCheckWhy / sizeof kCheckWhy[0] == kCheckReasons, "a reason for every slip");
