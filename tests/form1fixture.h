#pragma once

#include "fakeplatform.h"
#include "window/form1.h"

#include <QTest>

// The base of the window's test classes: each test function gets a new window, shown and
// active, over a new FakePlatform.
class Form1Fixture : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        platform = new FakePlatform;
        form = new Form1(*platform);
        form->showCentered();
        QVERIFY(QTest::qWaitForWindowActive(form));
    }

    void cleanup()
    {
        delete form;
        delete platform;
    }

protected:
    FakePlatform *platform = nullptr;
    Form1 *form = nullptr;
};
