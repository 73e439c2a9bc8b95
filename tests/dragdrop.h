#pragma once

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>

// The URLs of local files, as a file manager drags them.
inline QList<QUrl> fileUrls(const QStringList &paths)
{
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls.append(QUrl::fromLocalFile(path));
    return urls;
}

// Drags the data over the middle of the target and drops it there, as the window system
// would. The window takes every drag, and every drop as a copy.
inline void dragAndDrop(QWidget *target, const QMimeData &data)
{
    const QPoint middle = target->rect().center();
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(middle, actions, &data, Qt::LeftButton, {});
    QApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDragMoveEvent move(middle, actions, &data, Qt::LeftButton, {});
    QApplication::sendEvent(target, &move);
    QDropEvent drop(middle, actions, &data, Qt::LeftButton, {});
    QApplication::sendEvent(target, &drop);
    QVERIFY(drop.isAccepted());
    QCOMPARE(drop.dropAction(), Qt::CopyAction);
}
