#include "ui/Fonts.h"
#include "ui/MainWindow.h"
#include "ui/Messages.h"
#include "ui/Services.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quilnaver"));
    qn::installFontSubstitutes();

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

    qn::MainWindow window(services);
    messages.setParent(&window);
    QObject::connect(&window, &qn::MainWindow::exitRequested, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    window.show();
    return app.exec();
}
