#include "mergelog.h"
#include "mergeprj.h"
#include "q7version.h"

#include <QApplication>
#include <csignal>
#include <cstdio>
#include <cstring>

int main(int argc, char *argv[])
{
    // Answered before the application object, which needs a display.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("q7prjmerge %s\n", Q7_VERSION);
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
    dialog.show();
    return app.exec();
}
