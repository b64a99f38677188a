#include "mergeprj.h"

#include "dialogsettings.h"
#include "mergeprogresspanel.h"
#include "mergeresultdialog.h"
#include "outputfolder.h"
#include "projectlist.h"
#include "projectname.h"
#include "readinesspanel.h"
#include "requestcheck.h"
#include "shownpath.h"
#include "windowfit.h"
#include "windowicon.h"

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
      tolerances{DialogSettings::load().tolerance, DialogSettings::load().verticalTolerance}
{
    createWidgets();
    layOutWidgets();
    connectButtons();
    setUpKeyboard();
    setWindowTitle(tr("q7prjmerge - merge projects"));
    // The package's icon (the free function; the member would give Qt's own).
    setWindowIcon(::windowIcon());
    restoreSettings();
    connect(&runner, &MergeRunner::stepStarted, progressPanel, &MergeProgressPanel::stepStarted);
    connect(&runner, &MergeRunner::stepFinished, progressPanel, &MergeProgressPanel::stepFinished);
    connect(&runner, &MergeRunner::solverOutput, progressPanel, &MergeProgressPanel::appendSolverLine);
    connect(&runner, &MergeRunner::rowsWritten, progressPanel, &MergeProgressPanel::rowsWritten,
            Qt::QueuedConnection);
    connect(&runner, &MergeRunner::rowsCarried, progressPanel, &MergeProgressPanel::rowsCarried,
            Qt::QueuedConnection);
    connect(&runner, &MergeRunner::finished, this, &mergeprj::mergeDone);
    connect(progressPanel, &MergeProgressPanel::stopClicked, &runner, &MergeRunner::requestStop);
    connect(&runner, &MergeRunner::waitingForUser, progressPanel, &MergeProgressPanel::waitForUser);
}

mergeprj::~mergeprj()
{
    DialogSettings{saveGeometry(), prjDirEdit->text(), addFolder, mergeRequest().projectFiles, prjNameEdit->text(),
                   tolerances.horizontal, tolerances.vertical}
        .save();
    // A merge still running is stopped by the runner; its end finds no dialog.
    disconnect(&runner, nullptr, this, nullptr);
}

void mergeprj::restoreSettings()
{
    const DialogSettings settings = DialogSettings::load();
    // A size remembered on a larger screen is moved and shrunk onto this one.
    if (!restoreGeometry(settings.geometry))
        resizeForFirstRun();
    fitOnScreen(this);
    projectList->addProjects(settings.projects);
    prjNameEdit->setText(settings.prjName);
    prjDirEdit->setText(settings.prjDir);
    addFolder = settings.addFolder;
}

// Room for ten rows with their whole paths and counts beside the map, within
// the screen (fitOnScreen then takes the window's frame off).
void mergeprj::resizeForFirstRun()
{
    const QRect screen = availableScreen(this);
    const int rows = 10 * (fontMetrics().height() + 8);
    const QSize wanted(fontMetrics().averageCharWidth() * 120 + readinessPanel->sizeHint().width(),
                       sizeHint().height() + rows - projectList->sizeHint().height());
    // Small screens (or large fonts) give the list every pixel of their width.
    resize(wanted.boundedTo(QSize(screen.width(), screen.height() * 9 / 10)).expandedTo(sizeHint()));
}

void mergeprj::addProjectFiles(const QStringList &paths)
{
    projectList->addProjects(paths);
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
    // A notice of many names wraps rather than widen the window past the screen.
    statusLabel->setWordWrap(true);
    progressPanel = new MergeProgressPanel(MergeWorkflow::plannedSteps);
    progressPanel->hide();
    readinessPanel = new ReadinessPanel(projectList, tolerances);

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
    // Extra room goes to the list: its last row, free beside it, and the
    // middle of its columns.
    gridLayout->setRowStretch(5, 1);
    gridLayout->setColumnStretch(2, 1);
    setLayout(gridLayout);
}

// Enter presses the focused button, and elsewhere MergePrj, which looks the
// default it is; Tab follows the eye: the list, its buttons, the two fields,
// Open, MergePrj, Cancal.
void mergeprj::setUpKeyboard()
{
    for (QPushButton *button : findChildren<QPushButton *>())
        button->setAutoDefault(true);
    mergeButton->setDefault(true);
    QFont bold = mergeButton->font();
    bold.setBold(true);
    mergeButton->setFont(bold);
    const QList<QWidget *> order = {projectList, addButton,   removeButton, removeAllButton, upButton, downButton,
                                    prjNameEdit, prjDirEdit, openButton,   mergeButton,     cancelButton};
    for (int i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);

    projectList->setToolTip(tr("The source projects, in merge order; the first gives the new project its "
                               "parameters. Drop project files or folders here."));
    addButton->setToolTip(tr("Add source project files (.Q7D) to the list"));
    removeButton->setToolTip(tr("Remove the selected project from the list (Delete)"));
    removeAllButton->setToolTip(tr("Remove every project from the list"));
    upButton->setToolTip(tr("Move the selected project one row up (Alt+Up)"));
    downButton->setToolTip(tr("Move the selected project one row down (Alt+Down)"));
    prjNameEdit->setToolTip(tr("The new project's name: its folder and files are named so"));
    prjDirEdit->setToolTip(tr("The folder in which the new project's folder is made"));
    openButton->setToolTip(tr("Choose the folder in which the new project's folder is made"));
    mergeButton->setToolTip(tr("Merge the listed projects into the new project (Enter where no other button "
                               "has the focus)"));
    cancelButton->setToolTip(tr("Close the window; the list and the fields are kept for the next start"));
}

void mergeprj::connectButtons()
{
    // A note on the status line lasts until the next action.
    for (QPushButton *button : {addButton, removeButton, removeAllButton, openButton, mergeButton, upButton, downButton})
        connect(button, &QAbstractButton::clicked, statusLabel, &QLabel::clear);
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
    // The last merge's row speaks of a list that is no more. The runner is
    // the connections' context: the list empties itself as the window goes,
    // after the runner is gone.
    const auto listChanged = [this] {
        if (!runner.isRunning())
            progressPanel->hide();
    };
    QAbstractItemModel *model = projectList->model();
    connect(model, &QAbstractItemModel::rowsInserted, &runner, listChanged);
    connect(model, &QAbstractItemModel::rowsRemoved, &runner, listChanged);
    connect(model, &QAbstractItemModel::rowsMoved, &runner, listChanged);
    connect(model, &QAbstractItemModel::modelReset, &runner, listChanged);
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
    request.tolerance = tolerances.horizontal;
    request.verticalTolerance = tolerances.vertical;
    return request;
}

// Looks at every listed project again; a merge with projects whose files are
// missing, or of which the check found something, goes ahead only when the
// user says so.
bool mergeprj::confirmFlaggedProjects(const MergeRequest &request)
{
    const QStringList flagged = projectList->recheckProjects();
    const QStringList findings = readinessPanel->findingsFor(request.projectFiles);
    if (flagged.isEmpty() && findings.isEmpty())
        return true;
    QStringList parts;
    if (!flagged.isEmpty())
        parts << tr("These projects have files missing or unreadable:\n%1").arg(flagged.join('\n'));
    if (!findings.isEmpty())
        parts << tr("The check of the positions found:\n%1").arg(findings.join('\n'));
    if (!messages.question(flagged.isEmpty() ? tr("Findings") : tr("Missing files"),
                           parts.join("\n\n") + tr("\n\nMerge anyway?")))
        return false;
    accepted = acceptedText(int(flagged.size()), int(findings.size()));
    return true;
}

// What the operator let the merge go ahead with, in a few words.
QString mergeprj::acceptedText(int flagged, int findings)
{
    QStringList parts;
    if (flagged == 1)
        parts << tr("1 project with files missing or unreadable");
    else if (flagged > 1)
        parts << tr("%1 projects with files missing or unreadable").arg(flagged);
    if (findings == 1)
        parts << tr("1 finding of the check");
    else if (findings > 1)
        parts << tr("%1 findings of the check").arg(findings);
    return parts.join(tr(", "));
}

// The fields first, a name or folder the merge would refuse included: a
// merge that cannot start changes nothing on screen, and the field to mend
// gets the focus. Then what needs the user's word.
bool mergeprj::readyToStart(const MergeRequest &request)
{
    if (request.projectFiles.isEmpty())
        return false;
    const MissingField missing = missingField(request);
    Problem problem = problemOf(missingFieldText(missing));
    QLineEdit *field = missing == MissingField::PrjDir ? prjDirEdit : prjNameEdit;
    if (missing == MissingField::None) {
        problem = projectNameProblem(request.prjName);
        if (!problem) {
            problem = outputFolderProblem(request.outputFolder());
            field = prjDirEdit;
        }
    }
    if (problem) {
        messages.warning(tr("Tips"), *problem);
        field->setFocus();
        return false;
    }
    return confirmFlaggedProjects(request) && confirmReplace(request);
}

bool mergeprj::confirmReplace(const MergeRequest &request)
{
    return !holdsProject(request)
           || messages.question(tr("Replace project"), tr("%1 already exists in %2. Replace its files?")
                                                .arg(request.prjName, shownPath(request.prjDir)));
}

void mergeprj::mergePrj()
{
    // The last merge's row goes: what follows is about this one.
    progressPanel->hide();
    accepted.clear();
    const MergeRequest request = mergeRequest();
    if (!readyToStart(request)) {
        emit mergeEnded(MergeReport{});
        return;
    }
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
    messages.closeQuestion(); // "Stop it and close the window?" is answered by the end
    setMerging(false);
    progressPanel->finish(report);
    if (closeWhenEnded) {
        closeWhenEnded = false;
        QDialog::reject();
    } else if (report.started || report.stopped) {
        MergeResultDialog(report, accepted, this).exec();
    }
    emit mergeEnded(report);
}

void mergeprj::reject()
{
    if (!runner.isRunning()) {
        QDialog::reject();
        return;
    }
    if (!messages.question(tr("Stop the merge"), tr("A merge is running. Stop it and close the window?")))
        return;
    if (runner.isRunning()) {
        closeWhenEnded = true;
        runner.requestStop();
    } else {
        QDialog::reject();
    }
}
