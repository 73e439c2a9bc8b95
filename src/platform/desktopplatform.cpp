#include "desktopplatform.h"

#include "applicationsetup.h"
#include "commandlinetext.h"
#include "detachedspawn.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace {

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Why the file cannot be run as a program; empty when it can.
QString whyNotExecutable(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat status = {};
    if (::stat(name.constData(), &status) < 0)
        return systemReason(errno);
    if (S_ISDIR(status.st_mode))
        return systemReason(EISDIR);
    if (::access(name.constData(), X_OK) < 0)
        return systemReason(errno);
    return {};
}

QString launchFailure(const QString &program, const QString &reason)
{
    return QStringLiteral("エンコーダーを起動できません: %1\n%2").arg(program, reason);
}

QByteArrayList encodedNames(const QStringList &names)
{
    QByteArrayList encoded;
    encoded.reserve(names.size());
    for (const QString &name : names)
        encoded.append(QFile::encodeName(name));
    return encoded;
}

void writeToStandardError(const QString &text)
{
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

// Whether a graphical session is there. A DISPLAY left over from a closed ssh session is not
// one: the toolkit would abort on it and a terminal emulator would not start, so the X
// server is tried. The trial connection stays open until the program ends: an X server
// whose last client leaves resets itself, which would fail the clients that come next.
bool graphicalSessionOpens()
{
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return true;
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return false;
    static xcb_connection_t *const trial = xcb_connect(nullptr, nullptr);
    return xcb_connection_has_error(trial) == 0;
}

QMessageBox::Icon iconOf(int style)
{
    switch (style) {
    case MessageStyle::OkError:
        return QMessageBox::Critical;
    case MessageStyle::OkCancelQuestion:
        return QMessageBox::Question;
    default:
        return QMessageBox::NoIcon;
    }
}

QMessageBox::StandardButtons buttonsOf(int style)
{
    if (style == MessageStyle::OkCancelQuestion)
        return QMessageBox::Ok | QMessageBox::Cancel;
    return QMessageBox::Ok;
}

} // namespace

DesktopPlatform::DesktopPlatform(int &argc, char **argv) : argc(argc), argv(argv) {}

DesktopPlatform::~DesktopPlatform() = default;

QString DesktopPlatform::commandLine() const
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QFile::decodeName(argv[i]));
    return joinArguments(arguments);
}

QString DesktopPlatform::programDirectory() const
{
    // The kernel's link to the running executable; neither argv[0] nor the working
    // directory says where the program really is.
    const QFileInfo executable(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath());
    return executable.absolutePath();
}

LaunchResult DesktopPlatform::launch(const ProcessCommand &command)
{
    // A terminal emulator would hide a missing encoder behind a window that closes at once.
    if (const QString problem = whyNotExecutable(command.program); !problem.isEmpty())
        return {launchFailure(command.program, problem)};

    QByteArray program = QFile::encodeName(command.program);
    QByteArrayList arguments = encodedNames(command.arguments);
    const QString terminal =
        canShowWindows() ? QStandardPaths::findExecutable(QStringLiteral("x-terminal-emulator"))
                         : QString();
    if (!terminal.isEmpty()) {
        arguments.prepend(program);
        arguments.prepend("-e");
        program = QFile::encodeName(terminal);
    }
    if (const int error = spawnDetached(program, arguments))
        return {launchFailure(command.program, systemReason(error))};
    return {};
}

int DesktopPlatform::messageBox(const QString &text, int style)
{
    writeToStandardError(text);
    if (!canShowWindows())
        return style == MessageStyle::OkCancelQuestion ? MessageAnswer::Cancel : MessageAnswer::Ok;
    application();
    QMessageBox box(iconOf(style), applicationTitle(), text, buttonsOf(style),
                    QApplication::activeWindow());
    box.setWindowModality(Qt::ApplicationModal);
    return box.exec() == QMessageBox::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

void DesktopPlatform::endProgram(int exitStatus)
{
    std::fflush(nullptr);
    std::_Exit(exitStatus);
}

std::optional<QString> DesktopPlatform::chooseFileToOpen(const QString &title,
                                                         const QString &filter)
{
    application();
    QFileDialog dialog(QApplication::activeWindow(), title, QString(), filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}

bool DesktopPlatform::canShowWindows()
{
    if (!canShow)
        canShow = qApp || graphicalSessionOpens();
    return *canShow;
}

QApplication &DesktopPlatform::application()
{
    if (!qApp)
        app = makeApplication(argc, argv);
    return *qApp;
}
