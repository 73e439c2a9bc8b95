#include "desktopwindowpart.h"

#include "applicationsetup.h"
#include "jobs/standarderror.h"
#include "messagedialog.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QSocketNotifier>

namespace {

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

} // namespace

DesktopWindowPart::DesktopWindowPart(QString platformName)
    : displayPlatform(std::move(platformName))
{
}

DesktopWindowPart::~DesktopWindowPart() = default;

MessageAnswer DesktopWindowPart::messageBox(QWidget *parent, const QString &text,
                                            MessageStyle style, int closedBy)
{
    application();
    MessageDialog box(parent, text, iconOf(style), style == MessageStyle::OkCancelQuestion);
    std::optional<QSocketNotifier> closer;
    if (closedBy >= 0) {
        closer.emplace(closedBy, QSocketNotifier::Read);
        QObject::connect(&*closer, &QSocketNotifier::activated, &box, &QDialog::reject);
    }
    return box.exec() == QDialog::Accepted ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

std::optional<QString> DesktopWindowPart::chooseFileToOpen(QWidget *parent, const QString &title,
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
        const QString refusal =
            chosen + QStringLiteral(" : このファイル名は UTF-8 "
                                    "ではない文字を含むため、ここでは選べません。"
                                    "ファイルをウィンドウにドラッグアンドドロップしてください。");
        writeLineToStandardError(refusal);
        messageBox(parent, refusal, MessageStyle::OkError, -1);
        return std::nullopt;
    }
    return chosen;
}

void DesktopWindowPart::endProgram(int exitStatus)
{
    if (!qApp)
        return;
    QApplication::closeAllWindows();
    QCoreApplication::exit(exitStatus);
}

QApplication &DesktopWindowPart::application()
{
    if (!qApp)
        app = makeApplication(displayPlatform);
    return *qApp;
}
