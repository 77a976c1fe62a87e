#pragma once

#include "list/Check.h"
#include "ui/Messages.h"
#include "ui/WorkProgress.h"

#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace qn {

// The save-file dialog of the options dialog: a full path, or nothing when
// the user cancels.
class SaveFileChooser {
public:
    virtual ~SaveFileChooser() = default;
    virtual std::optional<QString> choose(QWidget *parent, const QString &title, const QString &directory,
                                          const QString &fileName, const QString &filter) = 0;
    // An existing file to open.
    virtual std::optional<QString> chooseToOpen(QWidget *parent, const QString &title, const QString &directory,
                                                const QString &filter) = 0;
};

// Shows a help file with its contents and index; false when it cannot.
class HelpViewer {
public:
    virtual ~HelpViewer() = default;
    virtual bool show(QWidget *parent, const QString &helpFile) = 0;
};

// Asks which folders a check against the disk walks, starting from the
// proposed scope; false when the user cancels.
class ScopeChooser {
public:
    virtual ~ScopeChooser() = default;
    virtual bool choose(QWidget *parent, CheckScope &scope) = 0;
};

// What the main window does to a person, and where it lives. Tests replace
// every part of it.
struct Services {
    Messages *messages = nullptr;
    SaveFileChooser *chooser = nullptr;
    HelpViewer *help = nullptr;
    WorkProgress *work = nullptr;
    ScopeChooser *scope = nullptr;
    std::function<void()> beep;
    QString programDirectory; // without a trailing separator unless it is a root
    QString dataDirectory;    // the installed share folder (the help file), if any
    QString configDirectory;  // the user's configuration folder, for an installed copy
};

class DialogSaveFileChooser : public SaveFileChooser {
public:
    std::optional<QString> choose(QWidget *parent, const QString &title, const QString &directory,
                                  const QString &fileName, const QString &filter) override;
    std::optional<QString> chooseToOpen(QWidget *parent, const QString &title, const QString &directory,
                                        const QString &filter) override;
};

class DialogScopeChooser : public ScopeChooser {
public:
    bool choose(QWidget *parent, CheckScope &scope) override;
};

class WindowHelpViewer : public HelpViewer {
public:
    bool show(QWidget *parent, const QString &helpFile) override;
};

// The real dialogs and windows and the program's own folders, as the
// program runs with them. dataFromProgram leads from the program's folder
// to the installed share folder.
struct DesktopServices {
    explicit DesktopServices(const QString &dataFromProgram = QString());

    DialogMessages messages;
    DialogSaveFileChooser chooser;
    WindowHelpViewer help;
    WindowWorkProgress work;
    DialogScopeChooser scope;
    Services services;
};

} // namespace qn
