// KovrinAPIDemo32: opens the main window on the database of the stored setting (else the
// library's own), right to left.
#include "MainWindow.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setLayoutDirection(Qt::RightToLeft);
    QApplication::setApplicationName("KovrinAPIDemo32");
    demo::MainWindow window;
    if (!window.load()) return 1;
    window.show();
    return app.exec();
}
