#include "core/registry.h"
#include "mainwin/mdimain.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    MDIMain& frame = Registry::get<MDIMain>();
    frame.show();
    return app.exec();
}
