#include "dialogfilter.h"
#include "form1.h"
#include "jobs/outputname.h"
#include "platform/platform.h"

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
            platform.chooseFileToOpen(BrowseTitle, toQtFileDialogFilter(BrowseFilter)))
        inputfn->setText(*chosen);
}

void Form1::inputfn_Change(const QString &text)
{
    // Shorter names keep the last output name; this never ends the program.
    if (const std::optional<QString> output = deriveOutputName(text))
        outputfn->setText(*output);
}

void Form1::Execute_Click()
{
    const QString input = inputfn->text();
    const qint16 channels = channelCount();
    const QString bitrate = bpscmb->currentText();
    const QString output = outputfn->text();
    const JobResult result = Execute_givenfilename(platform, input, output, channels, bitrate);
    if (result.status == JobResult::LaunchFailed)
        reportLaunchFailure(platform, result);
}

// Mono is entry 0 and stereo entry 1; nothing selected gives 0.
qint16 Form1::channelCount() const
{
    return static_cast<qint16>(monostecmb->currentIndex() + 1);
}

JobResult Form1::Execute_choosefilename(const QString &input)
{
    const qint16 channels = channelCount();
    const QString bitrate = bpscmb->currentText();
    const std::optional<QString> output = makeoutputfn(platform, input);
    if (!output)
        return {JobResult::ProgramEnded, {}};
    return Execute_givenfilename(platform, input, *output, channels, bitrate);
}
