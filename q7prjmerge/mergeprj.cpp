#include "mergeprj.h"

#include "dialogsettings.h"
#include "mergeprogresspanel.h"
#include "mergeresultdialog.h"
#include "projectlist.h"
#include "readinesspanel.h"

#include <QDebug>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

mergeprj::mergeprj(QWidget *parent)
    : QDialog(parent),
      fileDialogs(std::make_unique<FileDialogs>()),
      messages(this),
      runner(messages),
      tolerance(DialogSettings::load().tolerance)
{
    createWidgets();
    layOutWidgets();
    connectButtons();
    setWindowTitle(tr("q7prjmerge - merge projects"));
    const DialogSettings settings = DialogSettings::load();
    restoreGeometry(settings.geometry);
    prjDirEdit->setText(settings.prjDir);
    addFolder = settings.addFolder;
    connect(&runner, &MergeRunner::stepStarted, progressPanel, &MergeProgressPanel::stepStarted);
    connect(&runner, &MergeRunner::stepFinished, progressPanel, &MergeProgressPanel::stepFinished);
    connect(&runner, &MergeRunner::solverOutput, progressPanel, &MergeProgressPanel::appendSolverLine);
    connect(&runner, &MergeRunner::finished, this, &mergeprj::mergeDone);
    connect(progressPanel, &MergeProgressPanel::stopClicked, &runner, &MergeRunner::requestStop);
}

mergeprj::~mergeprj()
{
    DialogSettings{saveGeometry(), prjDirEdit->text(), addFolder, tolerance}.save();
    // A merge still running is stopped by the runner; its end finds no dialog.
    disconnect(&runner, nullptr, this, nullptr);
}

void mergeprj::setFileDialogs(std::unique_ptr<FileDialogs> dialogs)
{
    fileDialogs = std::move(dialogs);
}

void mergeprj::createWidgets()
{
    addButton = new QPushButton(tr("Add"));
    removeButton = new QPushButton(tr("Remove"));
    removeAllButton = new QPushButton(tr("Removr All"));
    openButton = new QPushButton(tr("Open"));
    mergeButton = new QPushButton(tr("MergePrj"));
    cancelButton = new QPushButton(tr("Cancal"));
    prjNameLabel = new QLabel(tr("PrjName:"));
    prjDirLabel = new QLabel(tr("prjDir:"));
    prjNameEdit = new QLineEdit;
    prjDirEdit = new QLineEdit;
    projectList = new ProjectList;
    gridLayout = new QGridLayout(this);
    upButton = new QPushButton(tr("Up"));
    downButton = new QPushButton(tr("Down"));
    statusLabel = new QLabel;
    progressPanel = new MergeProgressPanel(MergeWorkflow::plannedSteps);
    progressPanel->hide();
    readinessPanel = new ReadinessPanel(projectList, tolerance);

    // Names for finding the widgets from outside (tests, accessibility).
    addButton->setObjectName("addButton");
    removeButton->setObjectName("removeButton");
    removeAllButton->setObjectName("removeAllButton");
    openButton->setObjectName("openButton");
    mergeButton->setObjectName("mergeButton");
    cancelButton->setObjectName("cancelButton");
    prjNameLabel->setObjectName("prjNameLabel");
    prjDirLabel->setObjectName("prjDirLabel");
    prjNameEdit->setObjectName("prjNameEdit");
    prjDirEdit->setObjectName("prjDirEdit");
    projectList->setObjectName("projectList");
    gridLayout->setObjectName("gridLayout");
    upButton->setObjectName("upButton");
    downButton->setObjectName("downButton");
    statusLabel->setObjectName("statusLabel");
    readinessPanel->setObjectName("readinessPanel");
}

void mergeprj::layOutWidgets()
{
    projectList->setMinimumWidth(450);
    gridLayout->addWidget(projectList, 0, 0, 6, 4);
    gridLayout->addWidget(addButton, 0, 4, 1, 1);
    gridLayout->addWidget(removeButton, 1, 4, 1, 1);
    gridLayout->addWidget(removeAllButton, 2, 4, 1, 1);
    gridLayout->addWidget(prjNameLabel, 7, 0, 1, 1);
    gridLayout->addWidget(prjNameEdit, 7, 1, 1, 3);
    gridLayout->addWidget(prjDirLabel, 8, 0, 1, 1);
    gridLayout->addWidget(prjDirEdit, 8, 1, 1, 3);
    gridLayout->addWidget(openButton, 8, 4, 1, 1);
    gridLayout->addWidget(mergeButton, 9, 3, 1, 1);
    gridLayout->addWidget(cancelButton, 9, 4, 1, 1);
    gridLayout->addWidget(upButton, 3, 4, 1, 1);
    gridLayout->addWidget(downButton, 4, 4, 1, 1);
    gridLayout->addWidget(statusLabel, 11, 0, 1, 5);
    // Row 10 shows a running merge; row 11 is left free.
    gridLayout->addWidget(progressPanel, 10, 0, 1, 5);
    // Column 5 holds the map of the blocks with the check's findings.
    gridLayout->addWidget(readinessPanel, 0, 5, 12, 1);
    gridLayout->setHorizontalSpacing(1);
    setLayout(gridLayout);
}

void mergeprj::connectButtons()
{
    connect(addButton, &QAbstractButton::clicked, this, &mergeprj::addPrj);
    connect(removeButton, &QAbstractButton::clicked, this, &mergeprj::removePrj);
    connect(removeAllButton, &QAbstractButton::clicked, this, &mergeprj::removeAllPrj);
    connect(openButton, &QAbstractButton::clicked, this, &mergeprj::openPrjDir);
    connect(mergeButton, &QAbstractButton::clicked, this, &mergeprj::mergePrj);
    // Cancal closes the window, as the user expects of it.
    connect(cancelButton, &QAbstractButton::clicked, this, &QWidget::close);
    connect(upButton, &QAbstractButton::clicked, projectList, [this] { projectList->moveCurrent(-1); });
    connect(downButton, &QAbstractButton::clicked, projectList, [this] { projectList->moveCurrent(1); });
    connect(projectList, &ProjectList::removeRequested, this, &mergeprj::removePrj);
    connect(projectList, &ProjectList::notice, statusLabel, &QLabel::setText);
}

void mergeprj::addPrj()
{
    const QStringList paths = fileDialogs->openProjectFiles(this, tr("AddQ7D"), addFolder);
    if (paths.isEmpty())
        return;
    addFolder = QFileInfo(paths.last()).absolutePath();
    projectList->addProjects(paths);
}

void mergeprj::removePrj()
{
    const int row = projectList->currentRow();
    if (projectList->count() == 0 || row == -1)
        return;
    qDebug() << row;
    QListWidgetItem *item = projectList->takeItem(row);
    removeItemsInFolder(item->text());
    delete item;
}

void mergeprj::removeItemsInFolder(QString text)
{
    int i = 0;
    while (i < projectList->count()) {
        QListWidgetItem *item = projectList->item(i);
        if (QFileInfo(item->text()).path() == text)
            delete item; // leaves the list; look at the same index again
        else
            ++i;
    }
}

void mergeprj::removeAllPrj()
{
    const int count = projectList->count();
    for (int i = 0; i < count; ++i)
        delete projectList->takeItem(0);
}

void mergeprj::openPrjDir()
{
    const QString folder = fileDialogs->existingDirectory(this);
    if (!folder.isEmpty())
        prjDirEdit->setText(folder);
}

MergeRequest mergeprj::mergeRequest() const
{
    MergeRequest request;
    for (int i = 0; i < projectList->count(); ++i)
        request.projectFiles.append(projectList->item(i)->text());
    request.prjDir = prjDirEdit->text();
    request.prjName = prjNameEdit->text();
    request.tolerance = tolerance;
    return request;
}

// Looks at every listed project again; a merge with projects whose files are
// missing, or of which the check found something, goes ahead only when the
// user says so. The field checks come first: their warnings say what to fill.
bool mergeprj::confirmFlaggedProjects(const MergeRequest &request)
{
    const QStringList flagged = projectList->recheckProjects();
    const QStringList findings = readinessPanel->findingsFor(request.projectFiles);
    if ((flagged.isEmpty() && findings.isEmpty()) || request.prjDir.isEmpty() || request.prjName.isEmpty())
        return true;
    QStringList parts;
    if (!flagged.isEmpty())
        parts << tr("These projects have files missing or unreadable:\n%1").arg(flagged.join('\n'));
    if (!findings.isEmpty())
        parts << tr("The check of the positions found:\n%1").arg(findings.join('\n'));
    return messages.question(flagged.isEmpty() ? tr("Findings") : tr("Missing files"),
                             parts.join("\n\n") + tr("\n\nMerge anyway?"));
}

void mergeprj::mergePrj()
{
    const MergeRequest request = mergeRequest();
    if (!confirmFlaggedProjects(request))
        return;
    setMerging(true);
    progressPanel->start();
    runner.start(request);
}

void mergeprj::setMerging(bool merging)
{
    for (QWidget *widget : std::initializer_list<QWidget *>{projectList, prjNameEdit, prjDirEdit, addButton,
                                                            removeButton, removeAllButton, openButton,
                                                            mergeButton, cancelButton, upButton, downButton})
        widget->setEnabled(!merging);
}

void mergeprj::mergeDone(const MergeReport &report)
{
    setMerging(false);
    progressPanel->finish(report);
    if (closeWhenEnded) {
        closeWhenEnded = false;
        QDialog::reject();
    } else if (report.started || report.stopped) {
        MergeResultDialog(report, this).exec();
    }
    emit mergeEnded(report);
}

void mergeprj::reject()
{
    if (!runner.isRunning()) {
        QDialog::reject();
        return;
    }
    if (!messages.question(tr("Tips"), tr("A merge is running. Stop it and close the window?")))
        return;
    if (runner.isRunning()) {
        closeWhenEnded = true;
        runner.requestStop();
    } else {
        QDialog::reject();
    }
}
