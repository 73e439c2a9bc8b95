#include "dialogfilter.h"
#include "form1.h"
#include "jobs/outputname.h"
#include "jobs/platform.h"

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
    if (const std::optional<QString> chosen =
            platform.chooseFileToOpen(this, BrowseTitle, toQtFileDialogFilter(BrowseFilter)))
        inputfn->setText(*chosen);
}

void Form1::inputfn_Change(const QString &text)
{
    // A name too short to derive from empties the box rather than keep a stale name that
    // Start would write over; this never ends the program.
    outputfn->setText(deriveOutputName(text).value_or(QString()));
}

void Form1::Execute_Click()
{
    const QString input = inputfn->text();
    const qint16 channels = channelCount();
    const QString bitrate = bpscmb->currentText();
    const QString output = outputfn->text();
    if (output.isEmpty()) {
        platform.messageBox(this, NoOutputName, MessageStyle::OkError);
        return;
    }
    const JobResult result = Execute_givenfilename(platform, input, output, channels, bitrate);
    if (result.status == JobResult::Status::LaunchFailed)
        reportLaunchFailure(platform, this, result);
    finishBatch(platform, this);
}

// Mono is entry 0 and stereo entry 1; nothing selected gives 0.
qint16 Form1::channelCount() const
{
    return static_cast<qint16>(monostecmb->currentIndex() + 1);
}

JobResult Form1::Execute_choosefilename(const QString &input, BatchOutputs &batch)
{
    return convertBesideInput(platform, this, input, batch, channelCount(), bpscmb->currentText());
}
