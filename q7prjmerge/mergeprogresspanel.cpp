#include "mergeprogresspanel.h"

#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

MergeProgressPanel::MergeProgressPanel(int plannedSteps, QWidget *parent)
    : QWidget(parent),
      stepLabel(new QLabel),
      elapsedLabel(new QLabel),
      progressBar(new QProgressBar),
      detailsButton(new QPushButton(tr("Details"))),
      stopButton(new QPushButton(tr("Stop"))),
      solverOutput(new QPlainTextEdit)
{
    setObjectName("progressPanel");
    stepLabel->setObjectName("stepLabel");
    elapsedLabel->setObjectName("elapsedLabel");
    progressBar->setObjectName("progressBar");
    detailsButton->setObjectName("detailsButton");
    stopButton->setObjectName("stopButton");
    solverOutput->setObjectName("solverOutput");

    progressBar->setRange(0, plannedSteps);
    detailsButton->setCheckable(true);
    solverOutput->setReadOnly(true);
    solverOutput->setMaximumBlockCount(10000);
    solverOutput->setLineWrapMode(QPlainTextEdit::NoWrap);
    solverOutput->setPlaceholderText(tr("The solver's output appears here while it runs."));
    solverOutput->setMinimumHeight(160);
    solverOutput->hide();
    elapsedLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(stepLabel, 0, 0);
    grid->addWidget(elapsedLabel, 0, 1);
    grid->addWidget(detailsButton, 0, 2);
    grid->addWidget(stopButton, 0, 3);
    grid->addWidget(progressBar, 1, 0, 1, 4);
    grid->addWidget(solverOutput, 2, 0, 1, 4);
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
    progressBar->setValue(0);
    progressBar->setFormat(tr("%v of %m steps"));
    progressBar->setPalette(QPalette());
    solverOutput->clear();
    stepLabel->setText(tr("Starting the merge"));
    stopButton->setEnabled(true);
    elapsed.start();
    showElapsed();
    clock.start();
    show();
}

void MergeProgressPanel::stepStarted(const QString &step)
{
    if (stopButton->isEnabled())
        stepLabel->setText(tr("Step %1: %2").arg(progressBar->value() + 1).arg(step));
}

void MergeProgressPanel::stepFinished(const MergeStep &)
{
    progressBar->setValue(std::min(progressBar->value() + 1, progressBar->maximum()));
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
    if (report.stopped)
        stepLabel->setText(tr("Stopped after %1 steps").arg(report.steps.size()));
    else if (!report.started)
        stepLabel->setText(tr("The merge did not start"));
    else if (report.succeeded())
        stepLabel->setText(tr("Finished"));
    else
        stepLabel->setText(tr("Finished with failed steps"));
    if (report.started && !report.succeeded())
        showOnBar(report.stopped ? tr("stopped") : tr("failed"), report.stopped ? QColor(0xc9, 0x8a, 0x2e) : Qt::red);
}

// A merge that did not succeed does not leave a full blue bar behind.
void MergeProgressPanel::showOnBar(const QString &outcome, const QColor &colour)
{
    progressBar->setFormat(tr("%1: %v of %m steps").arg(outcome));
    QPalette palette = progressBar->palette();
    palette.setColor(QPalette::Highlight, colour);
    progressBar->setPalette(palette);
}

void MergeProgressPanel::showElapsed()
{
    const qint64 seconds = elapsed.elapsed() / 1000;
    elapsedLabel->setText(QString("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QChar('0')));
}
