#include "platform/desktopplatform.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// The names that the open file dialog lists in its current folder.
QStringList listedNames(QFileDialog *dialog)
{
    const auto *view = dialog->findChild<QAbstractItemView *>("listView");
    QStringList names;
    for (int row = 0; row < view->model()->rowCount(view->rootIndex()); ++row)
        names.append(view->model()->index(row, 0, view->rootIndex()).data().toString());
    names.sort();
    return names;
}

} // namespace

class TestDesktopPlatform : public QObject
{
    Q_OBJECT

private slots:
    void commandLineKeepsEveryArgumentWhole();
    void programDirectoryHoldsTheProgram();
    void fileDialogFiltersAndAnswers();
};

void TestDesktopPlatform::commandLineKeepsEveryArgumentWhole()
{
    QByteArrayList arguments{"orvalen", "a.mp4", "my clip.mp4", R"(say "hi".mp4)", "動画.flv"};
    QList<char *> argv;
    for (QByteArray &argument : arguments)
        argv.append(argument.data());
    int argc = int(argv.size());
    const DesktopPlatform platform(argc, argv.data());
    QCOMPARE(platform.commandLine(), R"(a.mp4 "my clip.mp4" "say ""hi"".mp4" 動画.flv)");
}

void TestDesktopPlatform::programDirectoryHoldsTheProgram()
{
    int argc = 0;
    const DesktopPlatform platform(argc, nullptr);
    QCOMPARE(platform.programDirectory(), QCoreApplication::applicationDirPath());
}

void TestDesktopPlatform::fileDialogFiltersAndAnswers()
{
    QTemporaryDir folder;
    for (const char *name : {"MOVIE.MP4", "b.flv", "notes.txt", "README"}) {
        QFile file(folder.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QDir::setCurrent(folder.path());

    const QString filter = "Movies(mp4,flv) (*.mp4 *.flv);;All (*)";
    QStringList underMovies;
    QStringList underAll;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        // A failed check leaves the lambda early; the dialog must close all the same.
        auto closeAnyway = qScopeGuard([dialog] {
            if (dialog->isVisible())
                dialog->reject();
        });
        QCOMPARE(dialog->windowTitle(), "変換するファイルを選択");
        dialog->setDirectory(folder.path());
        QTRY_COMPARE(listedNames(dialog).size(), 2);
        underMovies = listedNames(dialog);
        dialog->selectNameFilter("All (*)");
        QTRY_COMPARE(listedNames(dialog).size(), 4);
        underAll = listedNames(dialog);
        auto *fileName = dialog->findChild<QLineEdit *>("fileNameEdit");
        QTest::keyClicks(fileName, "README");
        QTest::keyClick(fileName, Qt::Key_Return);
    });

    int argc = 0;
    DesktopPlatform platform(argc, nullptr);
    const std::optional<QString> chosen =
        platform.chooseFileToOpen("変換するファイルを選択", filter);
    QCOMPARE(underMovies, (QStringList{"MOVIE.MP4", "b.flv"}));
    QCOMPARE(underAll, (QStringList{"MOVIE.MP4", "README", "b.flv", "notes.txt"}));
    QCOMPARE(chosen, std::optional<QString>(folder.filePath("README")));

    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    QCOMPARE(platform.chooseFileToOpen("変換するファイルを選択", filter), std::nullopt);
}

QTEST_MAIN(TestDesktopPlatform)
#include "tst_desktopplatform.moc"
