#include "ui/Application.h"

#include "ui/Fonts.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace qn {

namespace {

// Qt's own texts (the file dialogs' buttons and labels, the standard
// buttons) in Japanese, as the rest of the program, whatever the locale:
// from a copy beside the program (a portable copy may carry one), else from
// Qt's translations folder.
void installQtTranslation()
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    const QString beside = QCoreApplication::applicationDirPath();
    for (const QString &folder : {beside + QStringLiteral("/translations"), beside,
                                  QLibraryInfo::path(QLibraryInfo::TranslationsPath)}) {
        if (translator->load(QStringLiteral("qtbase_ja"), folder)) {
            QCoreApplication::installTranslator(translator);
            return;
        }
    }
    delete translator;
}

} // namespace

void setUpApplication()
{
    QGuiApplication::setApplicationName(QStringLiteral("quilnaver"));
    QGuiApplication::setDesktopFileName(QStringLiteral("quilnaver"));
    installQtTranslation();
    installFontSubstitutes();
}

} // namespace qn
