#include "ui/Application.h"

#include "ui/Fonts.h"

#include <QGuiApplication>

namespace qn {

void setUpApplication()
{
    QGuiApplication::setApplicationName(QStringLiteral("quilnaver"));
    QGuiApplication::setDesktopFileName(QStringLiteral("quilnaver"));
    installFontSubstitutes();
}

} // namespace qn
