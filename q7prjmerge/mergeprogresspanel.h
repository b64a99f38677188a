#ifndef MERGEPROGRESSPANEL_H
#define MERGEPROGRESSPANEL_H

#include "mergereport.h"
#include "mergesteps.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

// What a running merge shows: the step under way, a bar over the work of the
// steps (its text counts the steps), the rows of the database table being
// written, the time so far, Stop, and the solver's lines in a details pane
// the user opens.
class MergeProgressPanel : public QWidget
{
    Q_OBJECT

public:
    MergeProgressPanel(int plannedSteps, QWidget *parent = nullptr);

    void start();
    void stepStarted(const QString &step);
    void stepFinished(const MergeStep &step);
    void appendSolverLine(const QString &line);
    void rowsWritten(MergeStepId table, qint64 done, qint64 total);
    // The rows of a table that a merge run again carries over into its new
    // database, on the same line; the bar stays, as the step's own rows are in.
    void rowsCarried(const QString &table, qint64 done, qint64 total);
    void finish(const MergeReport &report);
    // While the merge waits for the user (a message box), its time stands still.
    void waitForUser(bool waiting);

signals:
    void stopClicked();

private:
    void showElapsed();
    void showOnBar(const QString &outcome, const QColor &colour);
    void showStepsDone(const QString &outcome = QString());

    const int plannedSteps;
    int stepsDone = 0;
    int workDone = 0; // the weights of the steps done
    QLabel *stepLabel;
    QLabel *elapsedLabel;
    QProgressBar *progressBar;
    QLabel *rowsLabel;
    QPushButton *detailsButton;
    QPushButton *stopButton;
    QPlainTextEdit *solverOutput;
    QElapsedTimer elapsed;
    QElapsedTimer waitedSince; // valid while the merge waits for the user
    qint64 waitedMs = 0;       // the time it waited before
    QTimer clock;
};

#endif // MERGEPROGRESSPANEL_H
