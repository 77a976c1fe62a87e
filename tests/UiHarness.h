#pragma once

#include "TestFiles.h"

#include "ui/DirList.h"
#include "ui/FileList.h"
#include "ui/MainWindow.h"
#include "ui/Services.h"

#include <QApplication>
#include <QLabel>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <memory>

namespace qn::test {

// Message boxes that answer from a script and remember what they showed.
class ScriptedMessages : public Messages {
public:
    struct Shown {
        QString text;
        QString title;
        bool withCancel;
    };
    void inform(const QString &text, const QString &title) override { shown.append({text, title, false}); }
    bool confirm(const QString &text, const QString &title) override
    {
        shown.append({text, title, true});
        return answers.isEmpty() ? true : answers.takeFirst();
    }
    QStringList texts() const
    {
        QStringList t;
        for (const Shown &s : shown)
            t.append(s.text);
        return t;
    }
    QList<Shown> shown;
    QList<bool> answers; // for confirm; OK when the script runs out
};

class ScriptedChooser : public SaveFileChooser {
public:
    std::optional<QString> choose(QWidget *, const QString &title, const QString &directory, const QString &fileName,
                                  const QString &filter) override
    {
        asked.append({title, directory, fileName, filter});
        return answer;
    }
    std::optional<QString> chooseToOpen(QWidget *, const QString &title, const QString &directory,
                                        const QString &filter) override
    {
        asked.append({title, directory, QString(), filter});
        return answer;
    }
    std::optional<QString> answer;
    QList<QStringList> asked;
};

class ScriptedHelp : public HelpViewer {
public:
    bool show(QWidget *, const QString &helpFile) override
    {
        opened.append(helpFile);
        return QFile::exists(helpFile);
    }
    QStringList opened;
};

// The scope dialog: remembers what it proposed and takes it, or the scripted
// answer; cancels when told.
class ScriptedScope : public ScopeChooser {
public:
    bool choose(QWidget *, CheckScope &scope) override
    {
        proposed.append(scope);
        if (answer)
            scope = *answer;
        return !cancel;
    }
    QList<CheckScope> proposed;
    std::optional<CheckScope> answer;
    bool cancel = false;
};

// Runs the work on the test's own thread; cancels it as soon as it reports
// `cancelAt` files or more (never when negative).
class ScriptedWork : public WorkProgress {
public:
    bool run(QWidget *, const QString &title, const Work &work, const QString & = QString()) override
    {
        titles.append(title);
        std::atomic<bool> cancel{false};
        work(cancel, [this, &cancel](qint64 files, const QString &directory) {
            if (onProgress)
                onProgress(files, directory);
            if (cancelAt >= 0 && files >= cancelAt)
                cancel = true;
        });
        return !cancel;
    }
    qint64 cancelAt = -1;
    std::function<void(qint64, const QString &)> onProgress;
    QStringList titles;
};

// The real main window with scripted services, its program directory in a
// temporary folder.
class Harness {
public:
    // `before` may change the services (folders) before the window starts.
    explicit Harness(const QByteArray &settingsFile = QByteArray(),
                     const std::function<void(Services &)> &before = nullptr)
    {
        services.messages = &messages;
        services.chooser = &chooser;
        services.help = &help;
        services.work = &work;
        services.scope = &scope;
        services.beep = [this] { ++beeps; };
        services.programDirectory = program.path().chopped(1);
        services.configDirectory = config.path() + "quilnaver";
        if (!settingsFile.isNull())
            program.file("quilnaver.cfg", settingsFile);
        if (before)
            before(services);
        window = std::make_unique<MainWindow>(services);
    }

    template <class T = QWidget>
    T *find(const char *name) const
    {
        return window->findChild<T *>(QLatin1String(name));
    }
    // Where a control is in the window's client area, whichever pane holds it.
    QRect placeOf(const char *name) const
    {
        const QWidget *w = find(name);
        return QRect(w->mapTo(window->centralWidget(), QPoint(0, 0)), w->size());
    }
    QTableView *grid() const { return find<QTableView>("MSFlexGrid1"); }
    FileList *files() const { return find<FileList>("File1"); }
    DirList *dirs() const { return find<DirList>("Dir1"); }
    QString panel(int n) const { return find<QLabel>(n == 1 ? "Panel1" : "Panel2")->text(); }
    QString cell(int row, int column) const { return grid()->model()->index(row - 1, column).data().toString(); }
    int rows() const { return grid()->model()->rowCount(); }
    QToolButton *button(const char *key) const { return find<QToolButton>(key); }
    void click(const char *key) const { QTest::mouseClick(button(key), Qt::LeftButton); }

    void openDirectory(const QString &dir) const { dirs()->setPath(dir); }
    QPoint fileItemCenter(const QString &name) const
    {
        for (int r = 0; r < files()->count(); ++r) {
            const QModelIndex i = files()->model()->index(r, 0);
            if (i.data(Qt::UserRole).toString() == name)
                return files()->visualRect(i).center();
        }
        return QPoint(-1, -1);
    }
    void selectFile(const QString &name) const
    {
        QTest::mouseClick(files()->viewport(), Qt::LeftButton, {}, fileItemCenter(name));
    }
    void doubleClickFile(const QString &name) const
    {
        const QPoint p = fileItemCenter(name);
        QTest::mouseClick(files()->viewport(), Qt::LeftButton, {}, p);
        QTest::mouseDClick(files()->viewport(), Qt::LeftButton, {}, p);
    }
    void selectGridRow(int row) const
    {
        const QRect r = grid()->visualRect(grid()->model()->index(row - 1, 0));
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, r.center());
    }

    Fixture program;
    Fixture config;
    ScriptedMessages messages;
    ScriptedChooser chooser;
    ScriptedHelp help;
    ScriptedWork work;
    ScriptedScope scope;
    Services services;
    int beeps = 0;
    std::unique_ptr<MainWindow> window;
};

// Runs f on the modal window that the next call opens, once it is shown.
inline void onModal(std::function<void(QWidget *)> f)
{
    QTimer::singleShot(0, [f] {
        QWidget *modal = QApplication::activeModalWidget();
        f(modal);
        if (modal && modal->isVisible())
            modal->close();
    });
}

} // namespace qn::test
