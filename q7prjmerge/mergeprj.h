#ifndef MERGEPRJ_H
#define MERGEPRJ_H

#include "filedialogs.h"
#include "mergerunner.h"
#include "messageboxes.h"

#include <QDialog>
#include <memory>

class QGridLayout;
class QLabel;
class QLineEdit;
class MergeProgressPanel;
class QPushButton;
class ProjectList;
class ReadinessPanel;

// The program's one window: the list of source projects, the new project's
// name and folder, and the buttons that edit the list and start a merge.
class mergeprj : public QDialog
{
    Q_OBJECT

public:
    explicit mergeprj(QWidget *parent = nullptr);
    ~mergeprj() override;

    // Replaces the file and folder choosers (tests answer them themselves).
    void setFileDialogs(std::unique_ptr<FileDialogs> dialogs);
    // Lists project files as Add does (those named on the command line).
    void addProjectFiles(const QStringList &paths);

    // The merge the MergePrj button runs. A merge runs on a thread of its
    // own; mergeEnded tells of its end, after the result dialog was closed, or
    // that a merge did not start. Use it only while no merge runs.
    MergeWorkflow &mergeWorkflow() { return runner.workflow(); }

signals:
    void mergeEnded(const MergeReport &report);

protected:
    // Closing the window (also Escape and Cancal) asks first while a merge runs;
    // the question goes when the merge ends.
    void reject() override;

private:
    void createWidgets();
    void layOutWidgets();
    void connectButtons();
    void setUpKeyboard();
    void restoreSettings();
    void resizeForFirstRun();

    void addPrj();
    void removePrj();
    void removeAllPrj();
    void openPrjDir();
    void removeItemsInFolder(QString text);
    void mergePrj();
    MergeRequest mergeRequest() const;
    void setMerging(bool merging);
    void mergeDone(const MergeReport &report);
    bool readyToStart(const MergeRequest &request);
    bool confirmFlaggedProjects(const MergeRequest &request);
    bool confirmReplace(const MergeRequest &request);
    static QString acceptedText(int flagged, int findings);


    QPushButton *addButton;
    QPushButton *removeButton;
    QPushButton *removeAllButton;
    QPushButton *openButton;
    QPushButton *mergeButton;
    QPushButton *cancelButton;
    QLabel *prjNameLabel;
    QLabel *prjDirLabel;
    QLineEdit *prjNameEdit;
    QLineEdit *prjDirEdit;
    ProjectList *projectList;
    QGridLayout *gridLayout;
    QPushButton *upButton;
    QPushButton *downButton;
    QLabel *statusLabel;
    QString addFolder; // where Add's file chooser starts
    MergeProgressPanel *progressPanel;
    ReadinessPanel *readinessPanel;

    std::unique_ptr<FileDialogs> fileDialogs;
    MessageBoxes messages;
    MergeRunner runner;
    bool closeWhenEnded = false;
    QString accepted; // what the operator let this merge go ahead with
    Tolerances tolerances; // of the readiness check, from the settings
};

#endif // MERGEPRJ_H
