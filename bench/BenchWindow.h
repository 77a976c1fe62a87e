#pragma once

#include "ui/DirList.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include "ui/MainWindow.h"
#include "ui/Services.h"
#include "ui/WorkProgress.h"

namespace qn::bench {

// Presses Cancel in the progress window `ms` into whatever runs next;
// `since` starts at the press (and stays invalid when there was none).
inline void cancelAfter(int ms, QElapsedTimer &since)
{
    QTimer::singleShot(ms, [&since] {
        QWidget *w = QApplication::activeModalWidget();
        if (auto *cancel = w ? w->findChild<QPushButton *>(QStringLiteral("Cancel")) : nullptr) {
            since.start();
            cancel->click();
        }
    });
}

// Message boxes that answer OK at once and show nothing.
class SilentMessages : public Messages {
public:
    void inform(const QString &, const QString &) override {}
    bool confirm(const QString &, const QString &) override { return true; }
};

// The real main window, shown on the offscreen platform, with the real
// progress window and silent message boxes.
class BenchWindow {
public:
    explicit BenchWindow(const QString &programDirectory)
    {
        m_services.messages = &m_messages;
        m_services.work = &m_work;
        m_services.programDirectory = programDirectory;
        window = std::make_unique<MainWindow>(m_services);
        window->show();
    }
    // A chooser for the commands that ask for a file; given before they run.
    void setChooser(SaveFileChooser *chooser)
    {
        m_services.chooser = chooser;
        window = std::make_unique<MainWindow>(m_services);
        window->show();
    }
    void openDirectory(const QString &dir) const
    {
        window->findChild<DirList *>(QStringLiteral("Dir1"))->setPath(dir);
    }

private:
    SilentMessages m_messages;
    WindowWorkProgress m_work;
    Services m_services;

public:
    std::unique_ptr<MainWindow> window;
};

} // namespace qn::bench
