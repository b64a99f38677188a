#ifndef MERGERUNNER_H
#define MERGERUNNER_H

#include "mergeworkflow.h"
#include "usermessages.h"

#include <QMetaType>
#include <QObject>
#include <QThread>
#include <memory>

Q_DECLARE_METATYPE(MergeStep)
Q_DECLARE_METATYPE(MergeReport)
Q_DECLARE_METATYPE(MergeStepId)

// Runs merges on a thread of its own, so that the window stays alive while
// the solver and the database work. The workflow, and with it the database
// connection, is made, used and destroyed on that one thread for the
// runner's whole life. What the merge tells the user reaches the GUI thread:
// messages as modal boxes that the merge waits for, progress as signals.
class MergeRunner : public QObject, private UserMessages
{
    Q_OBJECT

public:
    // messages: shown on the thread that makes the runner (the GUI thread).
    explicit MergeRunner(UserMessages &messages);
    ~MergeRunner() override; // stops a running merge and waits for its end

    // Starts a merge of the request; finished() follows, also when the
    // request is refused.
    void start(const MergeRequest &request);
    // Asks the running merge to stop (the solver is ended, no further step runs).
    void requestStop();
    bool isRunning() const { return running; }

    // Only while no merge runs: the workflow.
    MergeWorkflow &workflow() { return *merge; }

signals:
    void stepStarted(const QString &step);
    void stepFinished(const MergeStep &step);
    void solverOutput(const QString &line);
    // A database table's rows stored so far, of its rows in all.
    void rowsWritten(MergeStepId table, qint64 done, qint64 total);
    // An earlier database's table's rows carried over so far, of its rows in all.
    void rowsCarried(const QString &table, qint64 done, qint64 total);
    void finished(const MergeReport &report);
    // A message box the merge waits for opens (true) or closes (false).
    void waitingForUser(bool waiting);

private:
    void warning(const QString &title, const QString &text) override;
    void critical(const QString &title, const QString &text) override;
    void information(const QString &title, const QString &text) override;
    // Runs show on the GUI thread and waits for it.
    void onGuiThread(const std::function<void()> &show);

    UserMessages &messages;
    QThread thread;
    QObject worker; // lives on the thread; merges run in its context
    std::unique_ptr<MergeWorkflow> merge;
    bool running = false;
};

#endif // MERGERUNNER_H
