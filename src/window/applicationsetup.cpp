#include "applicationsetup.h"

#include "jobs/form1design.h"
#include "platform/toolkitarguments.h"
#include "qttext.h"
#include "version.h"

#include <QApplication>
#include <QIcon>
#include <QImageReader>
#include <QLibraryInfo>
#include <QPixmap>
#include <QTranslator>

#include <future>

#include <fontconfig/fontconfig.h>

QString applicationTitle()
{
    return toQString(Form1Design::Title);
}

namespace {

// Read as PNG by the toolkit's own reader: left to guess the format, a reader first loads
// every image format plugin (and the JPEG library) to ask each whether it reads PNG.
QPixmap pngPixmap(const QString &path)
{
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

QIcon programIcon()
{
    QIcon icon;
    icon.addPixmap(pngPixmap(QStringLiteral(":/icons/orvalen-16.png")));
    icon.addPixmap(pngPixmap(QStringLiteral(":/icons/orvalen-32.png")));
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
    // fontconfig reads its configuration and font caches on another core while the toolkit
    // loads its platform and connects to the display: several milliseconds that the first
    // text would otherwise wait for.
    std::future<FcBool> fonts = std::async(std::launch::async, FcInit);
    const ToolkitArguments toolkit =
        toolkitArguments({"orvalen", "-platform", displayPlatform.toStdString()});
    auto application = std::make_unique<QApplication>(toolkit.count, toolkit.values);
    QApplication::setApplicationName(applicationTitle());
    QApplication::setApplicationVersion(QStringLiteral(ORVALEN_VERSION));
    QApplication::setWindowIcon(programIcon());
    QApplication::setDesktopFileName(QString::fromLatin1(DesktopFileName));
    installJapaneseTranslation(*application);
    fonts.wait();
    return application;
}
