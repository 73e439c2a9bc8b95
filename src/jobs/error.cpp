#include "error.h"

#include "filenamebytes.h"

#include <cerrno>
#include <cstring>

namespace {

// The user's words for the error numbers that a user meets, the system's for the others.
std::u16string systemReason(int number)
{
    switch (number) {
    case ENOENT:
        return u"ファイルまたはフォルダーがありません";
    case EACCES:
    case EPERM:
        return u"アクセスが許可されていません";
    case ENOEXEC:
        return u"実行できる形式のプログラムではありません";
    case ENOTDIR:
        return u"途中の名前がフォルダーではありません";
    case ENOSPC:
        return u"ディスクに空きがありません";
#ifdef EDQUOT
    case EDQUOT:
        return u"ディスクの割り当てを使い切りました";
#endif
    case EROFS:
        return u"読み取り専用のファイルシステムです";
    }
    return fileNameFromBytes(std::strerror(number));
}

// Each runtime folder tried, and why it could not be used, one per line.
std::u16string causeLines(const Error &error)
{
    TextList lines;
    for (const Error &cause : error.causes)
        lines.push_back(errorText(cause));
    return joined(lines, u"\n");
}

std::u16string notAPlainFile(std::u16string_view kind)
{
    return u"出力ファイルの名前は" + std::u16string(kind) +
           u"です。書き込むのは通常のファイルだけです。";
}

std::u16string companionNotStartable(const Error &error)
{
    const std::u16string reason =
        error.causes.empty() ? systemReason(error.number)
                             : u"個人用の実行時フォルダーを作れません\n" + causeLines(error);
    return u"変換を見守るプログラムを起動できません: " + error.name + u'\n' + reason;
}

} // namespace

std::u16string errorText(const Error &error)
{
    using What = Error::What;
    switch (error.what) {
    case What::EncoderNotStartable:
        return u"エンコーダーを起動できません: " + error.name + u'\n' + systemReason(error.number);
    case What::NoWorkingDirectory:
        return u"エンコーダーを起動できません: " + error.name + u"\n作業フォルダーがありません";
    case What::CompanionNotStartable:
        return companionNotStartable(error);
    case What::CompanionSilent:
        return u"変換を見守るプログラムを起動できません: " + error.name + u"\n応答がありません";
    case What::CompanionNotAnswering:
        return u"変換を見守るプログラムが応答しません: " + error.name;
    case What::CompanionEnded:
        return u"変換を見守るプログラムが途中で終わりました: " + error.name;
    case What::CompanionStreamFailed:
        return systemReason(error.number) + u": " + error.name;
    case What::WindowModuleNotLoaded:
        return u"ウィンドウを表示する部分を読み込めません: " + error.name;
    case What::NoDisplay:
        return u"ウィンドウを表示できません（ディスプレイがありません）。";
    case What::DisplayNotAnswering:
        return u"ウィンドウを表示できません（Wayland のコンポジターが応答しません）: " + error.name;
    case What::WaylandPluginMissing:
        return u"ウィンドウを表示できません（Qt の Wayland プラグインがありません）。"
               u"パッケージ qt6-wayland をインストールしてください。";
    case What::RuntimeFolderUnusable:
        return error.name + u": " + systemReason(error.number);
    case What::RuntimeFolderNotPrivate:
        return error.name + u": 自分だけのフォルダーではありません";
    case What::MalformedRequest:
        return u"変換の指示が正しくありません。";
    case What::OutputLockBusy:
        return u"この出力ファイルには、別の変換が書き込んでいます。";
    case What::OutputLockUnavailable:
        if (!error.causes.empty())
            return u"出力ファイルを守るロックを作れません\n" + causeLines(error);
        return u"出力ファイルを守るロックを作れません: " + systemReason(error.number);
    case What::OutputIsLink:
        return notAPlainFile(u"シンボリックリンク");
    case What::OutputIsFolder:
        return notAPlainFile(u"フォルダー");
    case What::OutputIsFifo:
        return notAPlainFile(u"名前付きパイプ（FIFO）");
    case What::OutputIsSocket:
        return notAPlainFile(u"ソケット");
    case What::OutputIsDevice:
        return notAPlainFile(u"デバイス");
    case What::OutputIsInput:
        return u"出力ファイルが入力ファイルと同じファイルです。"
               u"変換すると入力ファイルが失われます。";
    case What::OutputFolderUnwritable:
        return u"出力ファイルのフォルダーに書き込めません: " + systemReason(error.number);
    case What::EncoderExited:
        return u"終了コード " + decimal(error.number);
    case What::EncoderKilled:
        return u"シグナル " + decimal(error.number) + u" で終了";
    case What::EncoderWroteNothing:
        return u"エンコーダーが何も書きませんでした";
    case What::OutputNotReplaced:
        return u"出力ファイルを置き換えられません: " + systemReason(error.number);
    case What::OutputFolderSwapped:
        return u"出力先のフォルダーが変換中に入れ替えられました: " + error.name;
    case What::InputIsFolder:
        return u"入力ファイルの名前はフォルダーです。変換できるのはファイルだけです。";
    case What::ToldOnItsConsole:
        return u"理由はその変換のコンソール ウィンドウに表示しました";
    }
    return {};
}
