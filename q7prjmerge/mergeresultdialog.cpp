#include "mergeresultdialog.h"

#include "shownpath.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

namespace {

void setRow(QTableWidget *table, int row, const QStringList &cells)
{
    for (int column = 0; column < cells.size(); ++column)
        table->setItem(row, column, new QTableWidgetItem(cells[column]));
    table->item(row, 2)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void greyRow(QTableWidget *table, int row)
{
    for (int column = 0; column < 2; ++column)
        table->item(row, column)->setForeground(table->palette().color(QPalette::Disabled, QPalette::Text));
}

// Failed steps first, then those that succeeded, then those that did not
// run (left out after a failed step, or after a stop), in grey.
QTableWidget *stepTable(const MergeReport &report)
{
    std::vector<MergeStep> steps = report.steps;
    std::stable_partition(steps.begin(), steps.end(), [](const MergeStep &step) { return step.ran; });
    std::stable_partition(steps.begin(), steps.end(), [](const MergeStep &step) { return step.ran && !step.ok; });
    const std::vector<MergeStepId> notRun = report.notRun();
    auto *table = new QTableWidget(int(steps.size() + notRun.size()), 4);
    table->setObjectName("stepTable");
    table->setHorizontalHeaderLabels({QDialog::tr("Step"), QDialog::tr("Result"), QDialog::tr("Time"),
                                      QDialog::tr("Problem")});
    int row = 0;
    for (const MergeStep &step : steps) {
        if (!step.ran) {
            setRow(table, row, {step.name, QDialog::tr("not run"), QString(), QString()});
            greyRow(table, row++);
            continue;
        }
        setRow(table, row, {step.name, step.ok ? QDialog::tr("succeeded") : QDialog::tr("failed"),
                            QDialog::tr("%1 ms").arg(step.milliseconds), shownPath(step.problem)});
        if (!step.ok)
            table->item(row, 1)->setForeground(Qt::red);
        ++row;
    }
    for (const MergeStepId id : notRun) {
        setRow(table, row, {stepName(id), QDialog::tr("not run"), QString(), QString()});
        greyRow(table, row++);
    }
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->setFocusPolicy(Qt::NoFocus);
    table->horizontalHeader()->setStretchLastSection(true);
    table->resizeColumnsToContents();
    // Tall enough for every step: the table needs no scrolling.
    table->resizeRowsToContents();
    table->setMinimumHeight(table->horizontalHeader()->sizeHint().height() + table->verticalHeader()->length()
                            + 2 * table->frameWidth());
    return table;
}

} // namespace

MergeResultDialog::MergeResultDialog(const MergeReport &report, QWidget *parent)
    : QDialog(parent), report(report)
{
    setWindowTitle(tr("Tips"));
    auto *summaryLabel = new QLabel(report.summary());
    summaryLabel->setObjectName("summaryLabel");
    summaryLabel->setWordWrap(true);
    summaryLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *countsLabel = new QLabel(tr("Projects: %1, cameras: %2, images: %3")
                                       .arg(report.projects).arg(report.cameras).arg(report.images));
    countsLabel->setObjectName("countsLabel");

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    QPushButton *openButton = buttons->addButton(tr("Open folder"), QDialogButtonBox::ActionRole);
    QPushButton *copyButton = buttons->addButton(tr("Copy report"), QDialogButtonBox::ActionRole);
    openButton->setObjectName("openFolderButton");
    copyButton->setObjectName("copyReportButton");
    QPushButton *closeButton = buttons->button(QDialogButtonBox::Close);
    closeButton->setObjectName("closeButton");
    // Enter closes; the two actions take a click of their own.
    openButton->setAutoDefault(false);
    copyButton->setAutoDefault(false);
    closeButton->setDefault(true);
    closeButton->setFocus();
    openButton->setEnabled(QFileInfo(report.outputFolder).isDir());
    connect(openButton, &QAbstractButton::clicked, this, &MergeResultDialog::openFolder);
    connect(copyButton, &QAbstractButton::clicked, this, &MergeResultDialog::copyReport);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(summaryLabel);
    layout->addWidget(countsLabel);
    layout->addWidget(stepTable(report));
    layout->addWidget(buttons);
    resize(640, sizeHint().height());
}

// Where no program opens folders, the user is told where the project is.
void MergeResultDialog::openFolder()
{
    const QString folder = QDir::cleanPath(report.outputFolder);
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(folder)))
        return;
    QMessageBox box(QMessageBox::Information, tr("Open folder"),
                    tr("No program to open folders was found. The new project is in:\n%1").arg(folder),
                    QMessageBox::Ok, this);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.exec();
}

void MergeResultDialog::copyReport()
{
    QApplication::clipboard()->setText(report.text());
}
