#include "dialogfilter.h"
#include "form1.h"
#include "jobs/form1design.h"
#include "jobs/outputname.h"
#include "jobs/platform.h"
#include "jobs/startconversion.h"
#include "qttext.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

void Form1::connectHandlers()
{
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(inputfn, &QLineEdit::textChanged, this, &Form1::inputfn_Change);
    connect(Execute, &QPushButton::clicked, this, &Form1::Execute_Click);
}

void Form1::Form_Load()
{
    bpscmb->setCurrentIndex(Form1Design::DefaultBitrate);
    monostecmb->setCurrentIndex(Form1Design::DefaultChannelChoice);
}

void Form1::Command1_Click()
{
    // A cancelled dialog leaves the box as it is: the user may have typed a path there.
    if (const std::optional<std::u16string> chosen = platform.chooseFileToOpen(
            this, std::u16string(Form1Design::BrowseTitle),
            toText(toQtFileDialogFilter(toQString(Form1Design::BrowseFilter)))))
        inputfn->setText(toQString(*chosen));
}

void Form1::inputfn_Change(const QString &text)
{
    // A name too short to derive from empties the box rather than keep a stale name that
    // Start would write over; this never ends the program.
    outputfn->setText(toQString(
        deriveOutputName(toText(text), platform.fileNameStyle()).value_or(std::u16string())));
}

void Form1::Execute_Click()
{
    convertGivenNames(platform, this, toText(inputfn->text()), toText(outputfn->text()),
                      channelCount(), toText(bpscmb->currentText()));
}

// Mono is entry 0 and stereo entry 1; nothing selected gives 0.
int Form1::channelCount() const
{
    return monostecmb->currentIndex() + 1;
}

Result<Job> Form1::Execute_choosefilename(const std::u16string &input, BatchOutputs &batch)
{
    return convertBesideInput(platform, this, input, batch, channelCount(),
                              toText(bpscmb->currentText()));
}
