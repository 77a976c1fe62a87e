#include "ui/Application.h"
#include "ui/MainWindow.h"
#include "ui/Messages.h"
#include "ui/Services.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    qn::setUpApplication();

    qn::DialogMessages messages;
    qn::DialogSaveFileChooser chooser;
    qn::WindowHelpViewer help;
    qn::WindowWorkProgress work;
    qn::Services services;
    services.messages = &messages;
    services.chooser = &chooser;
    services.help = &help;
    services.work = &work;
    services.beep = [] { QApplication::beep(); };
    services.programDirectory = QCoreApplication::applicationDirPath();
    services.dataDirectory = QDir::cleanPath(services.programDirectory + QStringLiteral("/" QUILNAVER_DATA_FROM_BIN));
    services.configDirectory = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);

    qn::MainWindow window(services);
    messages.setParent(&window);
    QObject::connect(&window, &qn::MainWindow::exitRequested, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    window.show();
    return app.exec();
}
