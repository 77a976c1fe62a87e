#include "ui/Services.h"

#include "ui/HelpWindow.h"
#include "ui/ScopeDialog.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>

namespace qn {

DesktopServices::DesktopServices(const QString &dataFromProgram)
{
    services.messages = &messages;
    services.chooser = &chooser;
    services.help = &help;
    services.work = &work;
    services.scope = &scope;
    services.beep = [] { QApplication::beep(); };
    services.programDirectory = QCoreApplication::applicationDirPath();
    if (!dataFromProgram.isEmpty())
        services.dataDirectory = QDir::cleanPath(services.programDirectory + QLatin1Char('/') + dataFromProgram);
    services.configDirectory = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
}

std::optional<QString> DialogSaveFileChooser::choose(QWidget *parent, const QString &title, const QString &directory,
                                                     const QString &fileName, const QString &filter)
{
    QFileDialog dialog(parent, title, directory, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QString());
    dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QDir::fromNativeSeparators(dialog.selectedFiles().constFirst());
}

std::optional<QString> DialogSaveFileChooser::chooseToOpen(QWidget *parent, const QString &title,
                                                           const QString &directory, const QString &filter)
{
    QFileDialog dialog(parent, title, directory, filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QDir::fromNativeSeparators(dialog.selectedFiles().constFirst());
}

bool DialogScopeChooser::choose(QWidget *parent, CheckScope &scope)
{
    ScopeDialog dialog(scope, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    scope = dialog.scope();
    return true;
}

bool WindowHelpViewer::show(QWidget *parent, const QString &helpFile)
{
    auto *window = HelpWindow::open(helpFile, parent);
    if (!window)
        return false;
    window->show();
    window->raise();
    window->activateWindow();
    return true;
}

} // namespace qn
