#include "ui/Messages.h"

#include <QMessageBox>
#include <QPushButton>

namespace qn {

QString programTitle() { return QStringLiteral("Quilnaver"); }

void DialogMessages::inform(const QString &text, const QString &title)
{
    show(text, title, false);
}

bool DialogMessages::confirm(const QString &text, const QString &title)
{
    return show(text, title, true);
}

bool DialogMessages::show(const QString &text, const QString &title, bool withCancel)
{
    QMessageBox box(m_parent);
    box.setIcon(QMessageBox::NoIcon);
    box.setWindowTitle(title.isEmpty() ? programTitle() : title);
    QString shown = text;
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    box.setText(shown);
    box.setTextFormat(Qt::PlainText);
    QPushButton *ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    QPushButton *cancel = nullptr;
    if (withCancel) {
        cancel = box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
        box.setEscapeButton(cancel);
    } else {
        box.setEscapeButton(ok);
    }
    box.setDefaultButton(ok);
    box.exec();
    return box.clickedButton() == ok;
}

} // namespace qn
