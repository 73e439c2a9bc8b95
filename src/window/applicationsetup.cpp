#include "applicationsetup.h"

#include "jobs/toolkitarguments.h"
#include "version.h"

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
    const ToolkitArguments toolkit =
        toolkitArguments({"orvalen", "-platform", displayPlatform.toUtf8()});
    auto application = std::make_unique<QApplication>(toolkit.count, toolkit.values);
    QApplication::setApplicationName(applicationTitle());
    QApplication::setApplicationVersion(QStringLiteral(ORVALEN_VERSION));
    QApplication::setWindowIcon(programIcon());
    QApplication::setDesktopFileName(QString::fromLatin1(DesktopFileName));
    installJapaneseTranslation(*application);
    return application;
}
