#include "mergeprogresspanel.h"

#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

MergeProgressPanel::MergeProgressPanel(int plannedSteps, QWidget *parent)
    : QWidget(parent),
      plannedSteps(plannedSteps),
      stepLabel(new QLabel),
      elapsedLabel(new QLabel),
      progressBar(new QProgressBar),
      rowsLabel(new QLabel),
      detailsButton(new QPushButton(tr("Details"))),
      stopButton(new QPushButton(tr("Stop"))),
      solverOutput(new QPlainTextEdit)
{
    setObjectName("progressPanel");
    stepLabel->setObjectName("stepLabel");
    elapsedLabel->setObjectName("elapsedLabel");
    progressBar->setObjectName("progressBar");
    rowsLabel->setObjectName("rowsLabel");
    detailsButton->setObjectName("detailsButton");
    stopButton->setObjectName("stopButton");
    solverOutput->setObjectName("solverOutput");

    progressBar->setRange(0, plannedMergeWork);
    // A line of its own from the start, so that the window does not jump when
    // the database's tables come.
    rowsLabel->setMinimumHeight(rowsLabel->fontMetrics().height());
    detailsButton->setCheckable(true);
    solverOutput->setReadOnly(true);
    solverOutput->setMaximumBlockCount(10000);
    solverOutput->setLineWrapMode(QPlainTextEdit::NoWrap);
    solverOutput->setPlaceholderText(tr("The solver's output appears here while it runs."));
    solverOutput->setMinimumHeight(160);
    solverOutput->hide();
    elapsedLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    detailsButton->setToolTip(tr("Show or hide the solver's output and error lines as they come"));
    stopButton->setToolTip(tr("Stop the merge before its next step; the folder keeps what was written"));
    progressBar->setToolTip(tr("The merge's work done; its text counts the steps"));
    elapsedLabel->setToolTip(tr("How long the merge has run"));
    solverOutput->setToolTip(tr("The solver's output and error lines"));

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(stepLabel, 0, 0);
    grid->addWidget(elapsedLabel, 0, 1);
    grid->addWidget(detailsButton, 0, 2);
    grid->addWidget(stopButton, 0, 3);
    grid->addWidget(progressBar, 1, 0, 1, 4);
    grid->addWidget(solverOutput, 2, 0, 1, 4);
    grid->addWidget(rowsLabel, 3, 0, 1, 4);
    grid->setColumnStretch(0, 1);

    connect(detailsButton, &QAbstractButton::toggled, solverOutput, &QWidget::setVisible);
    connect(stopButton, &QAbstractButton::clicked, this, [this] {
        stopButton->setEnabled(false);
        stepLabel->setText(tr("Stopping..."));
        emit stopClicked();
    });
    clock.setInterval(250);
    connect(&clock, &QTimer::timeout, this, &MergeProgressPanel::showElapsed);
    stopButton->setEnabled(false);
}

void MergeProgressPanel::start()
{
    stepsDone = 0;
    workDone = 0;
    progressBar->setValue(0);
    showStepsDone();
    progressBar->setPalette(QPalette());
    rowsLabel->clear();
    solverOutput->clear();
    progressBar->show();
    elapsedLabel->show();
    stepLabel->setText(tr("Starting the merge"));
    stopButton->setEnabled(true);
    elapsed.start();
    waitedSince.invalidate();
    waitedMs = 0;
    showElapsed();
    clock.start();
    show();
}

void MergeProgressPanel::stepStarted(const QString &step)
{
    rowsLabel->clear();
    if (stopButton->isEnabled())
        stepLabel->setText(tr("Step %1: %2").arg(stepsDone + 1).arg(step));
}

void MergeProgressPanel::stepFinished(const MergeStep &step)
{
    // A step left out did none of its work: the bar stays where work ended.
    if (!step.ran)
        return;
    stepsDone = std::min(stepsDone + 1, plannedSteps);
    workDone = std::min(workDone + stepWeight(step.id), plannedMergeWork);
    progressBar->setValue(workDone);
    showStepsDone();
}

// The table's rows, and the bar moved on by their share of the table's weight.
void MergeProgressPanel::rowsWritten(MergeStepId table, qint64 done, qint64 total)
{
    rowsLabel->setText(tableRowsText(table, done, total));
    const qint64 share = total > 0 ? stepWeight(table) * std::min(done, total) / total : 0;
    progressBar->setValue(std::min(workDone + int(share), plannedMergeWork));
}

void MergeProgressPanel::rowsCarried(const QString &table, qint64 done, qint64 total)
{
    rowsLabel->setText(tableRowsText(table, done, total));
}

void MergeProgressPanel::appendSolverLine(const QString &line)
{
    solverOutput->appendPlainText(line);
}

void MergeProgressPanel::finish(const MergeReport &report)
{
    clock.stop();
    showElapsed();
    stopButton->setEnabled(false);
    rowsLabel->clear();
    if (report.stopped)
        stepLabel->setText(report.steps.size() == 1 ? tr("Stopped after 1 step")
                                                    : tr("Stopped after %1 steps").arg(report.steps.size()));
    else if (!report.started)
        stepLabel->setText(tr("The merge did not start"));
    else if (report.succeeded())
        stepLabel->setText(tr("Finished"));
    else
        stepLabel->setText(tr("Finished with failed steps"));
    // A merge that did not start has no steps done and took no time.
    progressBar->setVisible(report.started || report.stopped);
    elapsedLabel->setVisible(report.started || report.stopped);
    if (report.started && !report.succeeded())
        showOnBar(report.stopped ? tr("stopped") : tr("failed"), report.stopped ? QColor(0xc9, 0x8a, 0x2e) : Qt::red);
}

// A merge that did not succeed does not leave a full blue bar behind.
void MergeProgressPanel::showOnBar(const QString &outcome, const QColor &colour)
{
    showStepsDone(outcome);
    QPalette palette = progressBar->palette();
    palette.setColor(QPalette::Highlight, colour);
    progressBar->setPalette(palette);
}

// The bar's text counts the steps, whatever share of the work they are.
void MergeProgressPanel::showStepsDone(const QString &outcome)
{
    const QString steps = tr("%1 of %2 steps").arg(stepsDone).arg(plannedSteps);
    progressBar->setFormat(outcome.isEmpty() ? steps : tr("%1: %2").arg(outcome, steps));
}

void MergeProgressPanel::waitForUser(bool waiting)
{
    if (waiting && !waitedSince.isValid()) {
        waitedSince.start();
    } else if (!waiting && waitedSince.isValid()) {
        waitedMs += waitedSince.elapsed();
        waitedSince.invalidate();
    }
}

void MergeProgressPanel::showElapsed()
{
    const qint64 waiting = waitedSince.isValid() ? waitedSince.elapsed() : 0;
    const qint64 seconds = (elapsed.elapsed() - waitedMs - waiting) / 1000;
    elapsedLabel->setText(QString("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QChar('0')));
}
