#ifndef CONCORDA_TESTS_MODAL_H
#define CONCORDA_TESTS_MODAL_H

#include <QApplication>
#include <QElapsedTimer>
#include <QList>
#include <QPointer>
#include <QProgressDialog>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <QtTest>

#include <functional>

// Answers the modal dialogs that open while it lives, one handler per dialog, in order, so
// that a test can call code that runs them with exec(). It watches from the event loop for
// as long as it lives, so a dialog that appears late (under valgrind, on a loaded machine)
// is still answered. A dialog beyond the handlers is recorded and closed, and a dialog
// still open `timeoutMs` after it appeared is closed too, so that a test fails instead of
// hanging. Of several scripts alive at once, the newest answers: a test can run one import
// after another, each with its own script.
class ModalScript : public QObject
{
public:
    using Handler = std::function<void(QWidget *)>;

    explicit ModalScript(QList<Handler> handlers, int timeoutMs = 30000)
        : handlers(std::move(handlers))
        , timeoutMs(timeoutMs)
        , previous(newest())
    {
        newest() = this;
        connect(&timer, &QTimer::timeout, this, &ModalScript::poll);
        timer.start(10);
    }

    ~ModalScript() override { newest() = previous; }

    // Every handler ran and no other dialog came up.
    bool finished() const { return handled == handlers.size() && unexpected.isEmpty(); }

    // For a failing check: how many dialogs were answered, and what else happened.
    QString report() const
    {
        return QStringLiteral("%1 of %2 dialogs answered; unexpected: %3")
            .arg(handled)
            .arg(handlers.size())
            .arg(unexpected.isEmpty() ? QStringLiteral("none") : unexpected.join(QLatin1String(", ")));
    }

    int handled = 0;
    QStringList unexpected;

private:
    static ModalScript *&newest()
    {
        static ModalScript *script = nullptr;
        return script;
    }

    void poll()
    {
        if (newest() != this)
            return;
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        // A long run's progress dialog asks nothing; closing it would cancel the run.
        if (qobject_cast<QProgressDialog *>(modal))
            return;
        if (modal != lastSeen) {
            lastSeen = modal;
            shownFor.start();
            if (handled < handlers.size()) {
                handlers.at(handled++)(modal);
                return;
            }
            unexpected.append(QString::fromLatin1(modal->metaObject()->className()) + QLatin1Char(' ')
                              + modal->windowTitle());
            modal->close();
        } else if (shownFor.elapsed() > timeoutMs) {
            unexpected.append(QStringLiteral("timed out"));
            modal->close();
        }
    }

    QList<Handler> handlers;
    int timeoutMs;
    QTimer timer;
    QElapsedTimer shownFor;
    QPointer<QWidget> lastSeen;
    ModalScript *previous;
};

#define CONCORDA_VERIFY_SCRIPT(script) QVERIFY2((script).finished(), qPrintable((script).report()))

#endif
