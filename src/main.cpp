#include "ui/Application.h"
#include "ui/MainWindow.h"
#include "ui/Services.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    qn::setUpApplication();

    qn::DesktopServices desktop(QStringLiteral(QUILNAVER_DATA_FROM_BIN));
    qn::MainWindow window(desktop.services);
    desktop.messages.setParent(&window);
    QObject::connect(&window, &qn::MainWindow::exitRequested, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    window.show();
    return app.exec();
}
