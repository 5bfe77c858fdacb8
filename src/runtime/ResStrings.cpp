#include "runtime/ResStrings.h"

#include <algorithm>
#include <iterator>

namespace {

struct Entry {
    TextId id;
    const char* text;
};

// Sorted by id, which the look-up relies on.
constexpr Entry table[] = {
    { TextId::ListIndexOutOfRange, "リストのインデックスが範囲を超えています (%d)" },
    { TextId::ListCannotInsert, "行を挿入できません" },
    { TextId::InvalidFileNamePath, "不正なファイル名 - %s" },
    { TextId::OutOfMemory, "メモリが足りません" },
    { TextId::ControlIsOwnParent, "自分自身を親とすることはできません" },
    { TextId::ControlHasNoParentWindow, "コントロール '%s' は親ウィンドウを持っていません" },
    { TextId::DeviceContextFailed, "デバイス コンテキストの作成に失敗しました" },
    { TextId::Win32CallFailed, "Win32 API 呼び出しに失敗しました" },
    { TextId::Win32ErrorCode, "Win32 エラー。コード : %d.\n%s" },
    { TextId::CannotAssign, "%s を %s に代入することはできません" },
    { TextId::StreamWriteError, "ストリームへの書き込みエラー" },
    { TextId::FileCannotOpen, "ファイル %s は開けません" },
    { TextId::FileCannotCreate, "ファイル %s を作成できません" },
    { TextId::IoFileNotFound, "ファイルが見つかりません" },
    { TextId::IoInvalidFileName, "不正なファイル名です" },
    { TextId::IoTooManyOpenFiles, "オープンしたファイルが多すぎます" },
    { TextId::IoAccessDenied, "ファイルへのアクセスが拒否されました" },
    { TextId::IoReadPastEnd, "ファイルの末尾以降を読み込みました" },
    { TextId::IoDiskFull, "ディスクがいっぱいです" },
    { TextId::IoNotANumber, "入力値が数値ではありません" },
    { TextId::IoError, "I/O エラー (%d)" },
    { TextId::TimerIntervalMismatch, "Interval not compatible with MinInterval property!" },
    { TextId::TimerIdInPool, "Timer identifier %d is already in the pool" },
    { TextId::JpegSizeFixed, "JPEG イメージのサイズは変更できません" },
    { TextId::JpegError, "JPEG エラー #%d" },
    { TextId::JpegFileDescription, "JPEG イメージファイル" },
    { TextId::ApplicationErrorCaption, "アプリケーション エラー" },
    { TextId::WarningCaption, "警告" },
    { TextId::ErrorCaption, "エラー" },
    { TextId::InformationCaption, "情報" },
    { TextId::ConfirmationCaption, "確認" },
    { TextId::YesButton, "はい(&Y)" },
    { TextId::NoButton, "いいえ(&N)" },
    { TextId::OkButton, "OK" },
    { TextId::CancelButton, "キャンセル" },
    { TextId::AbortButton, "中止(&A)" },
    { TextId::RetryButton, "再試行(&R)" },
    { TextId::IgnoreButton, "無視(&I)" },
    { TextId::AllButton, "すべて(&A)" },
    { TextId::NoToAllButton, "すべていいえ(&O)" },
    { TextId::YesToAllButton, "すべてはい(&A)" },
    { TextId::HelpButton, "ヘルプ(&H)" },
    { TextId::ExceptionInModule, "%sがモジュール %s の %p で発生しました。" },
    { TextId::ClipboardFormatInvalid, "無効なクリップボード フォーマットです" },
    { TextId::ClipboardTakesNoIcons, "クリップボードはアイコンには対応していません" },
    { TextId::ClipboardCannotOpen, "クリップボードを開くことができません" },
    { TextId::KeyEnter, "Enter" },
    { TextId::KeySpace, "Space" },
    { TextId::KeyPageUp, "PgUp" },
    { TextId::KeyPageDown, "PgDn" },
    { TextId::KeyEnd, "End" },
    { TextId::KeyHome, "Home" },
    { TextId::KeyLeft, "Left" },
    { TextId::KeyUp, "Up" },
    { TextId::KeyRight, "Right" },
    { TextId::KeyDown, "Down" },
    { TextId::KeyInsert, "Ins" },
    { TextId::KeyDelete, "Del" },
    { TextId::ShiftPrefix, "Shift+" },
    { TextId::CtrlPrefix, "Ctrl+" },
    { TextId::AltPrefix, "Alt+" },
    { TextId::KeyBackspace, "BkSp" },
    { TextId::KeyTab, "Tab" },
    { TextId::KeyEscape, "Esc" },
    { TextId::FormCannotDrag, "フォームをドラッグすることはできません" },
    { TextId::MetafileDescription, "メタファイル" },
    { TextId::EnhancedMetafileDescription, "エンハンス メタファイル" },
    { TextId::IconDescription, "アイコン" },
    { TextId::BitmapDescription, "ビットマップ" },
    { TextId::WindowClassFailed, "ウィンドウクラスの作成でエラーが発生しました" },
    { TextId::CannotFocusWindow, "無効/非表示ウィンドウにはフォーカスを設定できません" },
    { TextId::CannotHideMdiChild, "MDI 子フォームを隠すことはできません" },
    { TextId::CannotChangeVisibleInShowHide, "OnShow/OnHide イベントの処理中は表示状態の変更はできません" },
    { TextId::CannotMakeVisibleModal, "表示されているウィンドウをモーダルにすることはできません" },
    { TextId::MenuIndexOutOfRange, "メニューインデックスが範囲を越えました" },
    { TextId::MenuInsertedTwice, "メニューを二度追加しました" },
    { TextId::SubmenuNotInMenu, "サブメニューがメニューにありません" },
    { TextId::NoTimers, "タイマーを取得できません" },
    { TextId::GroupIndexTooLow, "GroupIndex は直前のメニューアイテムの GroupIndex より小さくすることができません" },
    { TextId::IconInvalid, "アイコンイメージが不正です" },
    { TextId::PixelFormatInvalid, "画像フォーマットが不正です" },
    { TextId::ScanLineOutOfRange, "スキャンライン のインデックスが範囲を越えました" },
    { TextId::IconSizeFixed, "アイコンの大きさは変更できません" },
    { TextId::UnknownExtension, "拡張子 .%s の画像形式は処理できません" },
    { TextId::UnknownClipboardData, "未対応のクリップボード データです" },
    { TextId::OutOfSystemResources, "システム リソースが足りません" },
    { TextId::CanvasCannotDraw, "Canvas に対する描画ができません" },
    { TextId::ResourceNotFound, "%s リソースが見つかりません" },
    { TextId::DuplicateComponentName, "コンポーネント名 %s はすでに使われています" },
    { TextId::InvalidComponentName, "コンポーネント名に ''%s'' は使えません" },
    { TextId::InvalidPropertyValue, "不正なプロパティの値です" },
    { TextId::InvalidPropertyPath, "不正なプロパティのパスです" },
    { TextId::UnknownProperty, "プロパティが存在しません" },
    { TextId::ReadOnlyProperty, "プロパティは書き込み禁止です" },
    { TextId::ErrorReadingProperty, "%s%s%s の読み込み中のエラー : %s" },
    { TextId::AncestorNotFound, "'%s' の継承元が存在しません" },
    { TextId::BitmapInvalid, "ビットマップイメージが不正です" },
    { TextId::StreamReadError, "ストリームからの読み込みエラー" },
    { TextId::ClassNotFound, "クラス %s が見つかりません" },
    { TextId::StreamFormatInvalid, "不正なストリーム フォーマット" },
};

constexpr bool Sorted()
{
    for (std::size_t i = 1; i < std::size(table); ++i)
        if (!(table[i - 1].id < table[i].id))
            return false;
    return true;
}
static_assert(Sorted(), "the string table must be sorted by id");

}

AnsiString LoadResString(TextId id)
{
    auto it = std::lower_bound(
        std::begin(table), std::end(table), id, [](const Entry& e, TextId wanted) { return e.id < wanted; });
    if (it == std::end(table) || it->id != id)
        return {};
    return it->text;
}
