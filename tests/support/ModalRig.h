#pragma once

// Widget tests: acting on a modal window from inside its own event loop (the test
// arranges what to do before the call that opens the window and blocks in exec()),
// finding a child by its name and ticking a check box.

#include <QApplication>
#include <QCheckBox>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

// Runs act on the first modal window of type W that comes up within about five
// seconds. Returns a flag that turns true once act has run.
template <typename W> std::shared_ptr<bool> WhenModal(std::function<void(W &)> act)
{
    auto ran = std::make_shared<bool>(false);
    auto tries = std::make_shared<int>(0);
    auto *timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, timer, [=] {
        W *window = qobject_cast<W *>(QApplication::activeModalWidget());
        if (!window && ++*tries < 500)
            return;
        timer->stop();
        timer->deleteLater();
        if (window) {
            *ran = true;
            act(*window);
        }
    });
    timer->start(10);
    return ran;
}

template <typename W> W *Named(const QWidget &parent, const char *name)
{
    return parent.findChild<W *>(QString::fromLatin1(name));
}

// A click on a check box's indicator (the middle of the box may lie beyond its label).
inline void ClickCheckBox(QCheckBox *box)
{
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}
