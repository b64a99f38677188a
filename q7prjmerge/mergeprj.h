#ifndef MERGEPRJ_H
#define MERGEPRJ_H

#include "filedialogs.h"
#include "mergeworkflow.h"
#include "messageboxes.h"

#include <QDialog>
#include <memory>

class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class ProjectList;

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

    // The merge the MergePrj button runs, with what it works on.
    MergeWorkflow &mergeWorkflow() { return workflow; }
    const MergeState &mergeState() const { return workflow.state(); }

private:
    void createWidgets();
    void layOutWidgets();
    void connectButtons();

    void addPrj();
    void removePrj();
    void removeAllPrj();
    void openPrjDir();
    void removeItemsInFolder(QString text);
    void mergePrj();
    MergeRequest mergeRequest() const;
    bool confirmFlaggedProjects(const MergeRequest &request);


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

    std::unique_ptr<FileDialogs> fileDialogs;
    MessageBoxes messages;
    MergeWorkflow workflow;
};

#endif // MERGEPRJ_H
