#include "mergesidework.h"

#include "bulkrecords.h"
#include "mergereadiness.h"
#include "q7photodatabase.h"

MergeSideWork::MergeSideWork(q7PhotoDataBase &database, const std::atomic<bool> &mergeStop)
    : database(database), mergeStop(mergeStop)
{
}

MergeSideWork::~MergeSideWork()
{
    ending = true;
    if (check.valid())
        check.wait();
    imageRoom = {}; // waits for the room, once it is made, and frees it
    database.discardPreparation();
}

namespace {

// Whether the earlier check is one of these projects with these tolerances.
bool checkedAlike(const EarlierCheck &earlier, const std::vector<ProjectEntry> &projects, Tolerances tolerances)
{
    if (earlier.tolerances.horizontal != tolerances.horizontal || earlier.tolerances.vertical != tolerances.vertical
        || earlier.projectFiles.size() != int(projects.size()))
        return false;
    for (size_t p = 0; p < projects.size(); ++p) {
        if (earlier.projectFiles.at(int(p)) != projects[p].prjFile)
            return false;
    }
    return true;
}

} // namespace

void MergeSideWork::startCheck(const std::vector<ProjectEntry> &projects, Tolerances tolerances,
                               const EarlierCheck *earlier)
{
    if (earlier && checkedAlike(*earlier, projects, tolerances)) {
        std::promise<ReadinessReport> done;
        done.set_value(earlier->report);
        check = done.get_future();
        return;
    }
    check = startReadinessCheck(projects, tolerances, [this] { return ending || mergeStop; });
}

void MergeSideWork::takeCheck(MergeReport &report)
{
    if (!check.valid())
        return;
    check.wait();
    // The stop only ever goes from false to true during a merge: a check
    // that ended without it is whole, one that ended with it may be cut short.
    if (mergeStop)
        report.readiness.finished = false;
    else
        takeReadiness(check, report);
}

void MergeSideWork::prepareWhileSolverRuns(const QString &databasePath, size_t images)
{
    database.prepare(databasePath);
    if (images > 0 && fitsHalfFreeMemory(images * sizeof(ImageRecord)))
        imageRoom = std::async(std::launch::async, touchedRoom<ImageRecord>, images);
}

std::vector<ImageRecord> MergeSideWork::takeImageRoom()
{
    return imageRoom.valid() ? imageRoom.get() : std::vector<ImageRecord>();
}
