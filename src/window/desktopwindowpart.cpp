#include "desktopwindowpart.h"

#include "applicationsetup.h"
#include "messagedialog.h"
#include "platform/standarderror.h"
#include "qttext.h"

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

// The window that an owner of boxes is: the main window.
QWidget *windowOf(const BoxOwner *owner)
{
    return const_cast<QWidget *>(dynamic_cast<const QWidget *>(owner));
}

} // namespace

DesktopWindowPart::DesktopWindowPart(QString platformName)
    : displayPlatform(std::move(platformName))
{
}

DesktopWindowPart::~DesktopWindowPart() = default;

MessageAnswer DesktopWindowPart::messageBox(const BoxOwner *owner, const std::u16string &text,
                                            MessageStyle style, int closedBy)
{
    application();
    MessageDialog box(windowOf(owner), toQString(text), iconOf(style),
                      style == MessageStyle::OkCancelQuestion);
    std::optional<QSocketNotifier> closer;
    if (closedBy >= 0) {
        closer.emplace(closedBy, QSocketNotifier::Read);
        QObject::connect(&*closer, &QSocketNotifier::activated, &box, &QDialog::reject);
    }
    return box.exec() == QDialog::Accepted ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

std::optional<std::u16string> DesktopWindowPart::chooseFileToOpen(const BoxOwner *owner,
                                                                  const std::u16string &title,
                                                                  const std::u16string &filter)
{
    application();
    QFileDialog dialog(windowOf(owner), toQString(title), QString(), toQString(filter));
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
        writeLineToStandardError(toText(refusal));
        messageBox(owner, toText(refusal), MessageStyle::OkError, -1);
        return std::nullopt;
    }
    return toText(chosen);
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
