#ifndef MERGESIDEWORK_H
#define MERGESIDEWORK_H

#include "camerarecords.h"
#include "mergereport.h"
#include "mergerequest.h"
#include "readiness.h"

#include <QString>
#include <atomic>
#include <future>
#include <vector>

class q7PhotoDataBase;

// The work a merge does beside its steps: the readiness check on a thread of
// its own, the photo database made ready while the solver runs, and room for
// the merged images made on another thread. One owner for all three, made
// when the merge starts and gone when it ends: its destructor ends what is
// left of them, so nothing of one merge runs on into the next. The merge's
// stop ends the check too, so a stopped merge never waits for it.
class MergeSideWork
{
public:
    MergeSideWork(q7PhotoDataBase &database, const std::atomic<bool> &mergeStop);
    // Stops the check and waits for it, frees a room no reader took and
    // forgets a database preparation no step took up.
    ~MergeSideWork();
    MergeSideWork(const MergeSideWork &) = delete;
    MergeSideWork &operator=(const MergeSideWork &) = delete;

    // Starts the check of the projects' positions; takes the earlier check
    // instead when there is one of these very projects and tolerances.
    void startCheck(const std::vector<ProjectEntry> &projects, Tolerances tolerances,
                    const EarlierCheck *earlier = nullptr);
    // Waits for the check and keeps its findings in the report, its map in
    // Log/ (takeReadiness); when the merge was stopped, only that the check
    // did not finish.
    void takeCheck(MergeReport &report);

    // Makes the database at `path` ready, then, when room for `images` image
    // records leaves the solver enough memory (near the machine's limit the
    // reader takes fresh memory, after the solver), makes that room on a thread.
    void prepareWhileSolverRuns(const QString &databasePath, size_t images);
    // The room made for the images; empty when none was made.
    std::vector<ImageRecord> takeImageRoom();

private:
    q7PhotoDataBase &database;
    const std::atomic<bool> &mergeStop;
    std::atomic<bool> ending{false};
    std::future<ReadinessReport> check;
    std::future<std::vector<ImageRecord>> imageRoom;
};

#endif // MERGESIDEWORK_H
