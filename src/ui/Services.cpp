#include "ui/Services.h"

#include "ui/HelpWindow.h"

#include <QDir>
#include <QFileDialog>

namespace qn {

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
