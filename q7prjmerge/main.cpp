#include "mergeprj.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    mergeprj dialog;
    dialog.show();
    return app.exec();
}
