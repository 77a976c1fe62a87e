// The real window with the real message boxes, started as the program
// starts it: it must show its title and its ten toolbar buttons and end with
// 終了 and OK. Run under Wine by scripts/windows.sh; exit status 0 when all
// of that happened.
#include "ui/Application.h"
#include "ui/MainWindow.h"
#include "ui/Messages.h"
#include "ui/Services.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    qn::setUpApplication();

    qn::DesktopServices desktop;
    qn::MainWindow window(desktop.services);
    desktop.messages.setParent(&window);
    QObject::connect(&window, &qn::MainWindow::exitRequested, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window, 20000)) {
        std::puts("the window was not shown");
        return 1;
    }
    std::printf("title: %s\n", window.windowTitle().toUtf8().constData());
    int buttons = 0;
    for (const char *key : {"Shinki", "FileAdd", "DirAdd", "ListDelete", "ListMake", "Hyoji", "SettingSave",
                            "SettingShow", "HelpFile", "Ending"}) {
        auto *button = window.findChild<QToolButton *>(QLatin1String(key));
        if (button && button->isVisible()) {
            std::printf("button %s: %s\n", key, button->text().toUtf8().constData());
            ++buttons;
        }
    }

    // 終了 asks first; OK in that box ends the program.
    QString asked;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto *box = qobject_cast<qn::MessageBox *>(QApplication::activeModalWidget());
        auto *ok = box ? box->findChild<QPushButton *>(QStringLiteral("OK")) : nullptr;
        if (ok && ok->isVisible()) {
            asked = box->findChild<QWidget *>(QStringLiteral("Text"))->accessibleName();
            ok->click();
        }
    });
    answer.start(100);
    QTimer::singleShot(0, &window, [&] { window.findChild<QAction *>(QStringLiteral("Ending"))->trigger(); });
    QTimer::singleShot(30000, &app, [] { QCoreApplication::exit(2); });
    const int status = app.exec();
    std::printf("asked: %s\n", asked.toUtf8().constData());
    const bool ok = status == 0 && window.hasExited() && buttons == 10 && window.windowTitle() == "Quilnaver"
                    && asked.startsWith(QStringLiteral("プログラムを終了します。"));
    std::puts(ok ? "window smoke test: passed" : "window smoke test: FAILED");
    return ok ? 0 : 1;
}
