#include "readinesspanel.h"

#include "blockmapview.h"
#include "projectlist.h"

#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

namespace {

QStringList listedFiles(const QListWidget *list)
{
    QStringList files;
    for (int i = 0; i < list->count(); ++i)
        files << list->item(i)->text();
    return files;
}

// The rows whose projects have files missing or unreadable.
int flaggedRows(const QListWidget *list)
{
    int flagged = 0;
    for (int i = 0; i < list->count(); ++i)
        flagged += list->item(i)->data(ProjectList::UnreadableRole).toStringList().isEmpty() ? 0 : 1;
    return flagged;
}

} // namespace

ReadinessPanel::ReadinessPanel(ProjectList *list, Tolerances tolerances, QWidget *parent)
    : QWidget(parent), projectList(list), tolerances(tolerances), map(new BlockMapView),
      summary(new QLabel), findings(new QListWidget)
{
    map->setObjectName("blockMap");
    summary->setObjectName("findingsSummary");
    findings->setObjectName("findingsList");
    findings->setWordWrap(true);
    findings->setResizeMode(QListView::Adjust); // the sentences wrap again as the panel grows
    findings->setAlternatingRowColors(true);
    // The panel's width does not follow its texts: the buttons beside it stay put.
    summary->setWordWrap(true);
    summary->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    map->setToolTip(tr("The listed blocks, each position a dot in its project's colour; shared images dark"));
    findings->setToolTip(tr("What the check of the positions found; choose one to see its blocks alone"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 0, 0, 0);
    layout->addWidget(map, 3);
    layout->addWidget(summary);
    layout->addWidget(findings, 2);

    // Several changes at once (a drop, Removr All) give one check.
    soon.setSingleShot(true);
    soon.setInterval(150);
    connect(&soon, &QTimer::timeout, this, &ReadinessPanel::checkNow);
    QAbstractItemModel *model = list->model();
    connect(model, &QAbstractItemModel::rowsInserted, this, &ReadinessPanel::checkSoon);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &ReadinessPanel::checkSoon);
    connect(model, &QAbstractItemModel::rowsMoved, this, &ReadinessPanel::checkSoon);
    connect(model, &QAbstractItemModel::modelReset, this, &ReadinessPanel::checkSoon);
    connect(model, &QAbstractItemModel::dataChanged, this, &ReadinessPanel::showSummary);
    connect(&loader, &ReadinessLoader::checked, this, &ReadinessPanel::showReport);
    // Choosing a project shows all blocks again, that one on top.
    connect(list, &QListWidget::currentRowChanged, this, [this](int row) {
        findings->setCurrentRow(-1);
        map->setTopProject(row);
    });
    connect(findings, &QListWidget::currentRowChanged, this, &ReadinessPanel::showFinding);
    checkNow();
}

QStringList ReadinessPanel::findingsFor(const QStringList &projectFiles) const
{
    QStringList texts;
    if (report && checkedFiles == projectFiles) {
        for (const ReadinessFinding &finding : report->findings)
            texts << finding.text;
    }
    return texts;
}

void ReadinessPanel::checkSoon()
{
    soon.start();
}

void ReadinessPanel::checkNow()
{
    summary->setText(tr("Checking the positions…"));
    loader.check(listedFiles(projectList), tolerances, projectList->colourSlots());
}

void ReadinessPanel::showReport(const QStringList &projectFiles, std::shared_ptr<const ReadinessReport> checked)
{
    checkedFiles = projectFiles;
    report = std::move(checked);
    findings->clear();
    for (const ReadinessFinding &finding : report->findings)
        findings->addItem(finding.text);
    showSummary();
    map->setReport(report);
    map->setTopProject(projectList->currentRow());
}

void ReadinessPanel::showSummary()
{
    if (!report || checkedFiles != listedFiles(projectList))
        return;
    // Ready only when every project's files are there too.
    const int flagged = flaggedRows(projectList);
    if (checkedFiles.isEmpty())
        summary->setText(QString());
    else if (report->findings.empty() && flagged == 0)
        summary->setText(tr("No findings: the projects look ready to merge."));
    else if (report->findings.empty())
        summary->setText(tr("No findings in the positions, but %1 with files missing or unreadable (marked in "
                            "the list).")
                             .arg(flagged == 1 ? tr("1 project") : tr("%1 projects").arg(flagged)));
    else
        summary->setText(report->findings.size() == 1
                             ? tr("1 finding, advice only:")
                             : tr("%1 findings, advice only:").arg(report->findings.size()));
}

void ReadinessPanel::showFinding(int row)
{
    if (!report || row < 0 || row >= int(report->findings.size())) {
        map->showFinding({}, {}, projectList->currentRow());
        return;
    }
    // The map shows the blocks the finding names; a block in degrees alone,
    // as beside the others it would be a dot; an unconnected one among all.
    const ReadinessFinding &finding = report->findings[size_t(row)];
    std::vector<int> focus = finding.projects;
    if (finding.kind == FindingKind::Degrees)
        focus.resize(1);
    else if (finding.kind == FindingKind::Unconnected)
        focus.clear();
    map->showFinding(finding.images, focus, finding.projects.front());
}
