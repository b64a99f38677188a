#include "mergelog.h"
#include "mergeprj.h"
#include "q7version.h"

#include <QApplication>
#include <QFileInfo>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

const char helpText[] =
    "Usage: q7prjmerge [PROJECT.Q7D ...]\n"
    "\n"
    "Opens the merge dialog. Project files named here are added to the list,\n"
    "after those kept from the last run.\n"
    "\n"
    "  --help      Show this text.\n"
    "  --version   Show the version.\n"
    "\n"
    "q7prjmerge-cli merges without a window.\n";

// Answered before the application object, which needs a display. Returns
// true when the argument was one of them.
bool answeredAtOnce(const char *argument)
{
    if (std::strcmp(argument, "--version") == 0)
        std::printf("q7prjmerge %s\n", Q7_VERSION);
    else if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0)
        std::printf("%s", helpText);
    else
        return false;
    return true;
}

// The arguments that Qt left (its own options are taken out), as absolute
// paths: the project files to list.
QStringList projectFileArguments()
{
    QStringList files;
    for (const QString &argument : QCoreApplication::arguments().mid(1)) {
        if (!argument.startsWith('-'))
            files << QFileInfo(argument).absoluteFilePath();
    }
    return files;
}

} // namespace

int main(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (answeredAtOnce(argv[i]))
            return 0;
    }
    // A file outgrowing the size limit fails its write, which the merge
    // reports, instead of ending the program half-way.
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    QApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(Q7_VERSION);
    mergeprj dialog;
    dialog.mergeWorkflow().setStartedAs("dialog: " + commandLine(QCoreApplication::arguments()));
    dialog.addProjectFiles(projectFileArguments());
    dialog.show();
    return app.exec();
}
