#ifndef MERGEPROGRESSPANEL_H
#define MERGEPROGRESSPANEL_H

#include "mergereport.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

// What a running merge shows: the step under way, a bar over the steps, the
// time so far, Stop, and the solver's lines in a details pane the user opens.
class MergeProgressPanel : public QWidget
{
    Q_OBJECT

public:
    MergeProgressPanel(int plannedSteps, QWidget *parent = nullptr);

    void start();
    void stepStarted(const QString &step);
    void stepFinished(const MergeStep &step);
    void appendSolverLine(const QString &line);
    void finish(const MergeReport &report);

signals:
    void stopClicked();

private:
    void showElapsed();
    void showOnBar(const QString &outcome, const QColor &colour);

    QLabel *stepLabel;
    QLabel *elapsedLabel;
    QProgressBar *progressBar;
    QPushButton *detailsButton;
    QPushButton *stopButton;
    QPlainTextEdit *solverOutput;
    QElapsedTimer elapsed;
    QTimer clock;
};

#endif // MERGEPROGRESSPANEL_H
