#ifndef CONCORDA_TESTS_MODAL_H
#define CONCORDA_TESTS_MODAL_H

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <functional>

// Runs `act` on the next modal widget that is shown and, if given, `wanted` (for dialogs run
// with exec(), which would otherwise block the test). Polls from the event loop for at most
// `timeoutMs`, then gives up, so a missing dialog fails the test instead of hanging it.
inline void whenModalShown(std::function<void(QWidget *)> act, int timeoutMs = 5000,
                           std::function<bool(QWidget *)> wanted = {})
{
    auto *timer = new QTimer(qApp);
    QElapsedTimer clock;
    clock.start();
    QObject::connect(timer, &QTimer::timeout, [timer, act, clock, timeoutMs, wanted]() {
        QWidget *modal = QApplication::activeModalWidget();
        const bool shown = modal && modal->isVisible() && (!wanted || wanted(modal));
        if (shown || clock.elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
        if (shown)
            act(modal);
    });
    timer->start(10);
}

#endif
