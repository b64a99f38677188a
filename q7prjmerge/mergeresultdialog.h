#ifndef MERGERESULTDIALOG_H
#define MERGERESULTDIALOG_H

#include "mergereport.h"

#include <QDialog>

// The end of a merge, for the operator to act on: the summary, what the
// operator accepted before it ("Merge anyway?"), each step (failed ones
// first) with its time and problem, the counts, and buttons that open the new
// project's folder and copy the whole report as text. It fits the screen:
// what does not, scrolls.
class MergeResultDialog : public QDialog
{
    Q_OBJECT

public:
    MergeResultDialog(const MergeReport &report, const QString &accepted = QString(), QWidget *parent = nullptr);

    QString summary() const { return report.summary(); }

private:
    void openFolder();
    void copyReport();

    const MergeReport report;
    class QLabel *copiedLabel;
};

#endif // MERGERESULTDIALOG_H
