#include "mergeresultdialog.h"

#include "shownpath.h"
#include "windowfit.h"

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
#include <QScrollArea>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

namespace {

void setRow(QTableWidget *table, int row, const QStringList &cells)
{
    for (int column = 0; column < cells.size(); ++column)
        table->setItem(row, column, new QTableWidgetItem(cells[column]));
    table->item(row, 3)->setToolTip(cells[3]); // whole, where the row cuts it
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
        setRow(table, row, {step.name, step.result(), QDialog::tr("%1 ms").arg(shownCount(step.milliseconds)),
                            shownPath(step.problem)});
        if (!step.ok)
            table->item(row, 1)->setForeground(step.result() == QDialog::tr("failed") ? QColor(Qt::red)
                                                                                       : QColor(0xc9, 0x8a, 0x2e));
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
    // A line a step, so that its height is known: the summary above holds
    // each problem whole.
    table->setWordWrap(false);
    table->horizontalHeader()->resizeSection(3, table->horizontalHeader()->sectionSize(3) / 4);
    table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Tall enough for every step: the table itself needs no scrolling.
    table->resizeRowsToContents();
    table->setMinimumHeight(table->horizontalHeader()->sizeHint().height() + table->verticalHeader()->length()
                            + 2 * table->frameWidth());
    table->setToolTip(QDialog::tr("Each step of the merge: failed ones first, those not run in grey"));
    return table;
}

QLabel *wrappedLabel(const QString &text, const char *name)
{
    auto *label = new QLabel(text);
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

// The summary, what was accepted, the counts and the steps, in a frame that
// scrolls when the screen is too small for them.
QScrollArea *reportArea(const MergeReport &report, const QString &accepted)
{
    auto *contents = new QWidget;
    auto *layout = new QVBoxLayout(contents);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(wrappedLabel(report.summary(), "summaryLabel"));
    if (!accepted.isEmpty())
        layout->addWidget(wrappedLabel(QDialog::tr("Merged anyway, as asked: %1").arg(accepted), "acceptedLabel"));
    layout->addWidget(new QLabel(QDialog::tr("Projects: %1, cameras: %2, images: %3")
                                     .arg(shownCount(report.projects), shownCount(report.cameras),
                                          shownCount(report.images))));
    layout->itemAt(layout->count() - 1)->widget()->setObjectName("countsLabel");
    layout->addWidget(stepTable(report));
    auto *area = new QScrollArea;
    area->setObjectName("reportArea");
    area->setWidget(contents);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return area;
}

} // namespace

MergeResultDialog::MergeResultDialog(const MergeReport &report, const QString &accepted, QWidget *parent)
    : QDialog(parent), report(report), copiedLabel(new QLabel)
{
    setWindowTitle(tr("Merge result"));
    copiedLabel->setObjectName("copiedLabel");

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
    openButton->setToolTip(tr("Open the new project's folder in the file manager"));
    copyButton->setToolTip(tr("Copy the whole report, the solver's output included, as text"));
    closeButton->setToolTip(tr("Close this report (Enter)"));
    connect(openButton, &QAbstractButton::clicked, this, &MergeResultDialog::openFolder);
    connect(copyButton, &QAbstractButton::clicked, this, &MergeResultDialog::copyReport);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    QScrollArea *area = reportArea(report, accepted);
    layout->addWidget(area);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(copiedLabel, 1);
    bottom->addWidget(buttons);
    layout->addLayout(bottom);
    // The whole report where the screen has room, else as much as fits.
    const QRect screen = availableScreen(parent);
    const QMargins margins = layout->contentsMargins();
    const int width = std::min(std::max(640, fontMetrics().averageCharWidth() * 90), screen.width() * 9 / 10);
    const int wanted = area->widget()->heightForWidth(width - margins.left() - margins.right())
                       + buttons->sizeHint().height() + margins.top() + margins.bottom() + layout->spacing();
    resize(width, std::min(wanted, screen.height() * 9 / 10));
}

// Where no program opens folders, the user is told where the project is.
void MergeResultDialog::openFolder()
{
    const QString folder = QDir::cleanPath(report.outputFolder);
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(folder)))
        return;
    QMessageBox box(QMessageBox::Information, tr("Open folder"),
                    tr("No program to open folders was found. The new project is in:\n%1").arg(shownPath(folder)),
                    QMessageBox::Ok, this);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.exec();
}

void MergeResultDialog::copyReport()
{
    QApplication::clipboard()->setText(report.text());
    copiedLabel->setText(tr("The report was copied to the clipboard."));
}
