#include "platform/desktopplatform.h"

#include "companionlink.h"
#include "displaytrial.h"
#include "filechecks.h"
#include "platform/applicationsetup.h"
#include "platform/filenamebytes.h"
#include "platform/messagedialog.h"
#include "platform/standarderror.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>

#include <cstdlib>

#include <unistd.h>

namespace {

// The companion that runs and watches the encoders lives beside the program.
constexpr char CompanionName[] = "/orvalen-conversion";

MessageDialog::Icon iconOf(MessageStyle style)
{
    switch (style) {
    case MessageStyle::OkError:
        return MessageDialog::Icon::Error;
    case MessageStyle::OkCancelQuestion:
        return MessageDialog::Icon::Question;
    case MessageStyle::Ok:
        break;
    }
    return MessageDialog::Icon::None;
}

// Where relative names are found; empty when the working directory is gone.
QString workingDirectory()
{
    const std::unique_ptr<char, decltype(&std::free)> path(::getcwd(nullptr, 0), &std::free);
    return path ? fileNameFromBytes(path.get()) : QString();
}

} // namespace

DesktopPlatform::DesktopPlatform(const QByteArrayList &arguments,
                                 const QByteArray &programDirectory)
    : directory(fileNameFromBytes(programDirectory))
{
    for (const QByteArray &argument : arguments)
        userArguments.append(fileNameFromBytes(argument));
}

DesktopPlatform::~DesktopPlatform() = default;

QStringList DesktopPlatform::arguments() const
{
    return userArguments;
}

QString DesktopPlatform::programDirectory() const
{
    return directory;
}

LaunchResult DesktopPlatform::launch(const EncoderCall &call)
{
    // Told here, in our own words, before any companion is involved.
    if (const QString problem = whyNotExecutable(fileNameToBytes(call.encoder)); !problem.isEmpty())
        return {encoderStartFailure(call.encoder, problem)};
    const QString here = workingDirectory();
    if (here.isEmpty())
        return {encoderStartFailure(call.encoder, QStringLiteral("作業フォルダーがありません"))};
    if (!companion)
        companion = std::make_unique<CompanionLink>(fileNameToBytes(directory + CompanionName),
                                                    displayPlatform());
    return {companion->hand({here, call})};
}

MessageAnswer DesktopPlatform::messageBox(QWidget *parent, const QString &text, MessageStyle style)
{
    writeError(text);
    if (!canShowWindows())
        return style == MessageStyle::OkCancelQuestion ? MessageAnswer::Cancel : MessageAnswer::Ok;
    application();
    MessageDialog box(parent, text, iconOf(style), style == MessageStyle::OkCancelQuestion);
    return box.exec() == QDialog::Accepted ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

void DesktopPlatform::writeError(const QString &text)
{
    writeLineToStandardError(text);
}

void DesktopPlatform::endProgram(int exitStatus)
{
    if (!qApp)
        return;
    QApplication::closeAllWindows();
    QCoreApplication::exit(exitStatus);
}

std::optional<QString> DesktopPlatform::chooseFileToOpen(QWidget *parent, const QString &title,
                                                         const QString &filter)
{
    application();
    QFileDialog dialog(parent, title, QString(), filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const QString chosen = QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
    // The dialog shows bytes that are not UTF-8 as U+FFFD and cannot give the name back.
    if (chosen.contains(QChar::ReplacementCharacter)) {
        messageBox(parent,
                   chosen +
                       QStringLiteral(" : このファイル名は UTF-8 "
                                      "ではない文字を含むため、ここでは選べません。"
                                      "ファイルをウィンドウにドラッグアンドドロップしてください。"),
                   MessageStyle::OkError);
        return std::nullopt;
    }
    return chosen;
}

bool DesktopPlatform::canShowWindows()
{
    return qApp || displayPlatform();
}

QApplication &DesktopPlatform::application()
{
    if (!qApp)
        app = makeApplication(displayPlatform().value_or(QStringLiteral("offscreen")));
    return *qApp;
}

const std::optional<QString> &DesktopPlatform::displayPlatform()
{
    if (!foundDisplay)
        foundDisplay = findDisplayPlatform();
    return *foundDisplay;
}
