#include "applicationsetup.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

QString applicationTitle()
{
    return QStringLiteral("Orvalen");
}

namespace {

QIcon programIcon()
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/orvalen-16.png"));
    icon.addFile(QStringLiteral(":/icons/orvalen-32.png"));
    return icon;
}

void installJapaneseTranslation(QApplication &application)
{
    auto *translator = new QTranslator(&application);
    if (translator->load(QStringLiteral("qtbase_ja"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
}

} // namespace

std::unique_ptr<QApplication> makeApplication(const QString &displayPlatform)
{
    // The toolkit keeps a reference to these for the application's lifetime.
    static QByteArray platform = displayPlatform.toUtf8();
    static char name[] = "orvalen";
    static char option[] = "-platform";
    static char *argv[] = {name, option, platform.data(), nullptr};
    static int argc = 3;
    auto application = std::make_unique<QApplication>(argc, argv);
    QApplication::setApplicationName(applicationTitle());
    QApplication::setApplicationVersion(QStringLiteral(ORVALEN_VERSION));
    QApplication::setWindowIcon(programIcon());
    QApplication::setDesktopFileName(QString::fromLatin1(DesktopFileName));
    installJapaneseTranslation(*application);
    return application;
}
