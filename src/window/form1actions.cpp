#include "dialogfilter.h"
#include "form1.h"
#include "jobs/outputname.h"
#include "jobs/platform.h"
#include "qttext.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace {

const QString BrowseTitle = QStringLiteral("変換するファイルを選択");

// Pairs of description and ";"-separated patterns, all separated by "|".
const QString BrowseFilter = QStringLiteral(
    "動画サイトでよく利用される形式(mp4,flv,divx)|*.mp4;*.flv;*.divx|"
    "各種動画形式(mp4,flv,wmv,mpg,asf,mov,divx,avi)|"
    "*.mp4;*.flv;*.wmv;*.mpg;*.asf;*.mov;*.divx;*.avi|"
    "音声圧縮形式(wav,m4a,3gp,wma,aif,aiff,m4r)|*.wav;*.m4a;*.3gp;*.wma;*.aif;*.aiff;*.m4r|"
    "すべてのファイル|*.*");

const QString NoOutputName =
    QStringLiteral("出力ファイル名がないため変換できません。"
                   "変換するファイルの名前を4文字以上で指定してください。");

} // namespace

void Form1::connectHandlers()
{
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(inputfn, &QLineEdit::textChanged, this, &Form1::inputfn_Change);
    connect(Execute, &QPushButton::clicked, this, &Form1::Execute_Click);
}

void Form1::Form_Load()
{
    bpscmb->setCurrentIndex(3);
    monostecmb->setCurrentIndex(1);
}

void Form1::Command1_Click()
{
    // A cancelled dialog leaves the box as it is: the user may have typed a path there.
    if (const std::optional<std::u16string> chosen = platform.chooseFileToOpen(
            this, toText(BrowseTitle), toText(toQtFileDialogFilter(BrowseFilter))))
        inputfn->setText(toQString(*chosen));
}

void Form1::inputfn_Change(const QString &text)
{
    // A name too short to derive from empties the box rather than keep a stale name that
    // Start would write over; this never ends the program.
    outputfn->setText(toQString(deriveOutputName(toText(text)).value_or(std::u16string())));
}

void Form1::Execute_Click()
{
    const std::u16string input = toText(inputfn->text());
    const int channels = channelCount();
    const std::u16string bitrate = toText(bpscmb->currentText());
    const std::u16string output = toText(outputfn->text());
    if (output.empty()) {
        platform.messageBox(this, toText(NoOutputName), MessageStyle::OkError);
        return;
    }
    const Result<Job> job = Execute_givenfilename(platform, input, output, channels, bitrate);
    if (!job)
        reportLaunchFailure(platform, this, job.error());
    finishBatch(platform, this);
}

// Mono is entry 0 and stereo entry 1; nothing selected gives 0.
int Form1::channelCount() const
{
    return monostecmb->currentIndex() + 1;
}

Result<Job> Form1::Execute_choosefilename(const QString &input, BatchOutputs &batch)
{
    return convertBesideInput(platform, this, toText(input), batch, channelCount(),
                              toText(bpscmb->currentText()));
}
