#include "usage.h"

#include "version.h"

namespace {

constexpr QByteArrayView Usage = R"(使い方: orvalen [--wait] [ファイル...]

動画や音声のファイルを MP3 ファイルに変換します。変換は FFmpeg が行います。

  orvalen ファイル...
      名前を挙げたファイル（最初の32個）をすぐに変換します。ステレオ、44100 Hz、
      128 kbit/s。MP3 は入力の名前の最後の4文字を「.mp3」に置き換えた名前で、
      入力の隣に書かれます。空白を含む名前は "..." で囲みます。すべての変換の
      エンコーダーが動き出すと戻ります。
  orvalen --wait ファイル...
      同じように変換し、すべての変換が終わってから戻ります。失敗した変換は
      標準エラー出力に示します。Ctrl+C で変換を中止します。
  orvalen
      ウィンドウを開きます。ファイルを選び、ビットレートとモノラル・ステレオを
      決めて変換を開始します。
  ウィンドウへのドラッグアンドドロップ
      落としたファイル（31個まで）を、確認のあとウィンドウの設定で変換します。

MP3 はまず隣の一時ファイル（.名前.mp3.XXXXXX.mp3）に書かれ、変換が成功してから
元の名前になります。失敗したり中止したりした変換は何も書き換えません。

  -h, --help   この説明を表示します
  --version    版を表示します
  --wait       変換が終わるまで待ちます（最初の引数のみ）

終了ステータス:
  0  すべての変換を開始しました（--wait では、すべての変換が成功しました）
  1  4文字未満の名前がありました（出力ファイル名を作れません）
  2  エンコーダーまたは変換の監視プログラムを起動できないか、監視プログラムが
     答えませんでした
  3  名前がなく、ウィンドウを表示するディスプレイもありません
  4  変換しなかった名前があります（32個を超える名前、出力ファイルが重なる名前、
     または変換を断られた名前）
  5  --wait で、失敗した変換か中止した変換がありました
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
