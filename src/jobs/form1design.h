#pragma once

#include <array>
#include <string_view>

// The main window as every desktop draws it: its controls' texts and boxes, the entries of
// its lists and the texts of its actions. Boxes are in twips (1/1440 inch) from the top-left
// corner of the client area; 15 twips make one pixel at 96 dpi.
namespace Form1Design {

struct Box
{
    int left, top, width, height;
};

struct Control
{
    std::u16string_view text;
    Box box;
};

inline constexpr std::u16string_view Title = u"Orvalen";
inline constexpr Box ClientArea{0, 0, 7845, 3690};

inline constexpr Control Label1{u"変換するファイル", {120, 240, 2775, 255}};
inline constexpr Control inputfn{u"", {120, 480, 6375, 375}};
inline constexpr Control Command1{u"参照...", {6600, 480, 1215, 375}};
inline constexpr Control Label2{u"出力されるmp3ファイル", {120, 1080, 2055, 255}};
inline constexpr Control outputfn{u"", {120, 1320, 6375, 375}};
inline constexpr Control Label4{u"ビットレート", {120, 1920, 975, 255}};
inline constexpr Control bpscmb{u"", {960, 1920, 1815, 300}};
inline constexpr Control Label5{u"kbps", {2880, 1920, 375, 255}};
inline constexpr Control monostecmb{u"", {3600, 1920, 1695, 300}};
inline constexpr Control Execute{u"変換を開始する(&S)", {5640, 2880, 2055, 495}};
inline constexpr Control Label3{u"※出力されるファイルは、音声のみになり、映像は失われます。",
                                {0, 3240, 4815, 255}};
inline constexpr Control Label6{
    u"※このウィンドウにファイルをドラッグアンドドロップすると、即座に変換を開始します。",
    {0, 3480, 6495, 255}};

// kbit/s; the window starts on 128.
inline constexpr std::array<std::u16string_view, 8> Bitrates{u"64",  u"80",  u"96",  u"128",
                                                             u"160", u"192", u"256", u"320"};
inline constexpr int DefaultBitrate = 3;
// Mono is entry 0 and stereo entry 1: the channel count is the entry plus 1.
inline constexpr std::array<std::u16string_view, 2> ChannelChoices{u"モノラル", u"ステレオ"};
inline constexpr int DefaultChannelChoice = 1;

// The file dialog of the browse button: pairs of description and ";"-separated patterns, all
// separated by "|".
inline constexpr std::u16string_view BrowseTitle = u"変換するファイルを選択";
inline constexpr std::u16string_view BrowseFilter =
    u"動画サイトでよく利用される形式(mp4,flv,divx)|*.mp4;*.flv;*.divx|"
    u"各種動画形式(mp4,flv,wmv,mpg,asf,mov,divx,avi)|"
    u"*.mp4;*.flv;*.wmv;*.mpg;*.asf;*.mov;*.divx;*.avi|"
    u"音声圧縮形式(wav,m4a,3gp,wma,aif,aiff,m4r)|*.wav;*.m4a;*.3gp;*.wma;*.aif;*.aiff;*.m4r|"
    u"すべてのファイル|*.*";

// Told when the start button is pressed with no output name.
inline constexpr std::u16string_view NoOutputName =
    u"出力ファイル名がないため変換できません。"
    u"変換するファイルの名前を4文字以上で指定してください。";

} // namespace Form1Design
