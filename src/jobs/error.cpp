#include "error.h"

#include <QStringList>

#include <cerrno>
#include <cstring>

namespace {

// The user's words for the error numbers that a user meets, the system's for the others.
QString systemReason(int number)
{
    switch (number) {
    case ENOENT:
        return QStringLiteral("ファイルまたはフォルダーがありません");
    case EACCES:
    case EPERM:
        return QStringLiteral("アクセスが許可されていません");
    case ENOEXEC:
        return QStringLiteral("実行できる形式のプログラムではありません");
    case ENOTDIR:
        return QStringLiteral("途中の名前がフォルダーではありません");
    case ENOSPC:
        return QStringLiteral("ディスクに空きがありません");
    case EDQUOT:
        return QStringLiteral("ディスクの割り当てを使い切りました");
    case EROFS:
        return QStringLiteral("読み取り専用のファイルシステムです");
    }
    return QString::fromLocal8Bit(std::strerror(number));
}

// Each runtime folder tried, and why it could not be used, one per line.
QString causeLines(const Error &error)
{
    QStringList lines;
    for (const Error &cause : error.causes)
        lines.append(errorText(cause));
    return lines.join(u'\n');
}

QString notAPlainFile(const QString &kind)
{
    return QStringLiteral("出力ファイルの名前は%1です。書き込むのは通常のファイルだけです。")
        .arg(kind);
}

QString companionNotStartable(const Error &error)
{
    const QString reason =
        error.causes.empty()
            ? systemReason(error.number)
            : QStringLiteral("個人用の実行時フォルダーを作れません\n") + causeLines(error);
    return QStringLiteral("変換を見守るプログラムを起動できません: %1\n%2").arg(error.name, reason);
}

} // namespace

QString errorText(const Error &error)
{
    using What = Error::What;
    switch (error.what) {
    case What::EncoderNotStartable:
        return QStringLiteral("エンコーダーを起動できません: %1\n%2")
            .arg(error.name, systemReason(error.number));
    case What::NoWorkingDirectory:
        return QStringLiteral("エンコーダーを起動できません: %1\n作業フォルダーがありません")
            .arg(error.name);
    case What::CompanionNotStartable:
        return companionNotStartable(error);
    case What::CompanionSilent:
        return QStringLiteral("変換を見守るプログラムを起動できません: %1\n応答がありません")
            .arg(error.name);
    case What::CompanionNotAnswering:
        return QStringLiteral("変換を見守るプログラムが応答しません: %1").arg(error.name);
    case What::CompanionEnded:
        return QStringLiteral("変換を見守るプログラムが途中で終わりました: %1").arg(error.name);
    case What::CompanionStreamFailed:
        return QStringLiteral("%1: %2").arg(systemReason(error.number), error.name);
    case What::WindowModuleNotLoaded:
        return QStringLiteral("ウィンドウを表示する部分を読み込めません: %1").arg(error.name);
    case What::NoDisplay:
        return QStringLiteral("ウィンドウを表示できません（ディスプレイがありません）。");
    case What::DisplayNotAnswering:
        return QStringLiteral(
                   "ウィンドウを表示できません（Wayland のコンポジターが応答しません）: %1")
            .arg(error.name);
    case What::WaylandPluginMissing:
        return QStringLiteral("ウィンドウを表示できません（Qt の Wayland プラグインがありません）。"
                              "パッケージ qt6-wayland をインストールしてください。");
    case What::RuntimeFolderUnusable:
        return QStringLiteral("%1: %2").arg(error.name, systemReason(error.number));
    case What::RuntimeFolderNotPrivate:
        return QStringLiteral("%1: 自分だけのフォルダーではありません").arg(error.name);
    case What::MalformedRequest:
        return QStringLiteral("変換の指示が正しくありません。");
    case What::OutputLockBusy:
        return QStringLiteral("この出力ファイルには、別の変換が書き込んでいます。");
    case What::OutputLockUnavailable:
        if (!error.causes.empty())
            return QStringLiteral("出力ファイルを守るロックを作れません\n") + causeLines(error);
        return QStringLiteral("出力ファイルを守るロックを作れません: %1")
            .arg(systemReason(error.number));
    case What::OutputIsLink:
        return notAPlainFile(QStringLiteral("シンボリックリンク"));
    case What::OutputIsFolder:
        return notAPlainFile(QStringLiteral("フォルダー"));
    case What::OutputIsFifo:
        return notAPlainFile(QStringLiteral("名前付きパイプ（FIFO）"));
    case What::OutputIsSocket:
        return notAPlainFile(QStringLiteral("ソケット"));
    case What::OutputIsDevice:
        return notAPlainFile(QStringLiteral("デバイス"));
    case What::OutputIsInput:
        return QStringLiteral("出力ファイルが入力ファイルと同じファイルです。"
                              "変換すると入力ファイルが失われます。");
    case What::OutputFolderUnwritable:
        return QStringLiteral("出力ファイルのフォルダーに書き込めません: %1")
            .arg(systemReason(error.number));
    case What::EncoderExited:
        return QStringLiteral("終了コード %1").arg(error.number);
    case What::EncoderKilled:
        return QStringLiteral("シグナル %1 で終了").arg(error.number);
    case What::EncoderWroteNothing:
        return QStringLiteral("エンコーダーが何も書きませんでした");
    case What::OutputNotReplaced:
        return QStringLiteral("出力ファイルを置き換えられません: %1")
            .arg(systemReason(error.number));
    case What::OutputFolderSwapped:
        return QStringLiteral("出力先のフォルダーが変換中に入れ替えられました: %1").arg(error.name);
    case What::InputIsFolder:
        return QStringLiteral(
            "入力ファイルの名前はフォルダーです。変換できるのはファイルだけです。");
    }
    return {};
}
