#include "usage.h"

namespace {

constexpr QByteArrayView Usage = R"(使い方: orvalen [ファイル...]

動画や音声のファイルを MP3 ファイルに変換します。変換は FFmpeg が行います。

  orvalen ファイル...
      名前を挙げたファイル（最初の32個）をすぐに変換します。ステレオ、44100 Hz、
      128 kbit/s。MP3 は入力の名前の最後の4文字を「.mp3」に置き換えた名前で、
      入力の隣に書かれます。空白を含む名前は "..." で囲みます。
  orvalen
      ウィンドウを開きます。ファイルを選び、ビットレートとモノラル・ステレオを
      決めて変換を開始します。
  ウィンドウへのドラッグアンドドロップ
      落としたファイル（31個まで）を、確認のあとウィンドウの設定で変換します。

  -h, --help   この説明を表示します
  --version    版を表示します

終了ステータス:
  0  すべての変換を開始しました
  1  4文字未満の名前がありました（出力ファイル名を作れません）
  2  エンコーダーまたは変換の監視プログラムを起動できませんでした
  3  名前がなく、ウィンドウを表示するディスプレイもありません
  4  変換しなかった名前があります（32個を超える名前、または出力ファイルが重なる名前）
)";

constexpr QByteArrayView Version = "orvalen " ORVALEN_VERSION "\n";

} // namespace

std::optional<QByteArrayView> optionReply(QByteArrayView argument)
{
    if (argument == "--help" || argument == "-h")
        return Usage;
    if (argument == "--version")
        return Version;
    return std::nullopt;
}
