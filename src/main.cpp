#include "ui/MainWindow.h"
#include "ui/Messages.h"
#include "ui/Services.h"

#include <QApplication>
#include <QFont>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quilnaver"));
    // The grid's font is named as on a Japanese Windows desktop; elsewhere a
    // Japanese proportional gothic stands in for it.
    QFont::insertSubstitutions(QStringLiteral("ＭＳ Ｐゴシック"),
                               {QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic"),
                                QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans CJK JP")});

    qn::DialogMessages messages;
    qn::DialogSaveFileChooser chooser;
    qn::WindowHelpViewer help;
    qn::Services services;
    services.messages = &messages;
    services.chooser = &chooser;
    services.help = &help;
    services.beep = [] { QApplication::beep(); };
    services.programDirectory = QCoreApplication::applicationDirPath();

    qn::MainWindow window(services);
    messages.setParent(&window);
    QObject::connect(&window, &qn::MainWindow::exitRequested, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    window.show();
    return app.exec();
}
