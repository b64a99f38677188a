#include "mergerunner.h"

#include <QCoreApplication>
#include <QEventLoop>

MergeRunner::MergeRunner(UserMessages &messages)
    : messages(messages)
{
    qRegisterMetaType<MergeStep>();
    qRegisterMetaType<MergeReport>();
    qRegisterMetaType<MergeStepId>();
    thread.setObjectName("merge");
    worker.moveToThread(&thread);
    thread.start();
    QMetaObject::invokeMethod(&worker, [this] {
        merge = std::make_unique<MergeWorkflow>(static_cast<UserMessages &>(*this));
        merge->setProgress({[this](const QString &step) { emit stepStarted(step); },
                            [this](const MergeStep &step) { emit stepFinished(step); },
                            [this](const QString &line) { emit solverOutput(line); },
                            [this](MergeStepId table, qint64 done, qint64 total) {
                                emit rowsWritten(table, done, total);
                            },
                            [this](const QString &table, qint64 done, qint64 total) {
                                emit rowsCarried(table, done, total);
                            }});
    }, Qt::BlockingQueuedConnection);
    // First of the receivers: whoever hears of the end may start the next merge.
    connect(this, &MergeRunner::finished, this, [this] { running = false; });
}

MergeRunner::~MergeRunner()
{
    // The merge may still need the GUI thread for a message box.
    requestStop();
    while (running)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QMetaObject::invokeMethod(&worker, [this] { merge.reset(); }, Qt::BlockingQueuedConnection);
    thread.quit();
    thread.wait();
}

void MergeRunner::start(const MergeRequest &request)
{
    running = true;
    QMetaObject::invokeMethod(&worker, [this, request] { emit finished(merge->mergePrj(request)); },
                              Qt::QueuedConnection);
}

void MergeRunner::requestStop()
{
    if (running)
        merge->requestStop();
}

void MergeRunner::onGuiThread(const std::function<void()> &show)
{
    QMetaObject::invokeMethod(this, [this, &show] {
        emit waitingForUser(true);
        show();
        emit waitingForUser(false);
    }, Qt::BlockingQueuedConnection);
}

void MergeRunner::warning(const QString &title, const QString &text)
{
    onGuiThread([&] { messages.warning(title, text); });
}

void MergeRunner::critical(const QString &title, const QString &text)
{
    onGuiThread([&] { messages.critical(title, text); });
}

void MergeRunner::information(const QString &title, const QString &text)
{
    onGuiThread([&] { messages.information(title, text); });
}
