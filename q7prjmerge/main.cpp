#include "mergeprj.h"

#include <QApplication>
#include <csignal>

int main(int argc, char *argv[])
{
    // A file outgrowing the size limit fails its write, which the merge
    // reports, instead of ending the program half-way.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication app(argc, argv);
    mergeprj dialog;
    dialog.show();
    return app.exec();
}
