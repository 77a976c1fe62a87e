#include "ui/Messages.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qn {

QString programTitle() { return QStringLiteral("Quilnaver"); }

MessageBox::MessageBox(const QString &text, const QString &title, bool withCancel, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("MessageBox"));
    setWindowTitle(title.isEmpty() ? programTitle() : title);
    setModal(true);

    QString shown = text;
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    auto *label = new QLabel(shown, this);
    label->setObjectName(QStringLiteral("Text"));
    label->setTextFormat(Qt::PlainText);
    label->setAccessibleName(shown);

    // The buttons are laid out by hand: a QDialogButtonBox would order them
    // by the desktop's convention and put Cancel first under GNOME.
    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OK"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    if (withCancel) {
        auto *cancel = new QPushButton(QStringLiteral("キャンセル"), this);
        cancel->setObjectName(QStringLiteral("Cancel"));
        cancel->setAutoDefault(false);
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
        buttons->addWidget(cancel);
    }
    buttons->addStretch();
    ok->setDefault(true);
    ok->setFocus();

    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setContentsMargins(24, 18, 24, 12);
    layout->setSpacing(16);
    layout->addWidget(label);
    layout->addLayout(buttons);
}

void DialogMessages::inform(const QString &text, const QString &title)
{
    MessageBox box(text, title, false, m_parent);
    box.exec();
}

bool DialogMessages::confirm(const QString &text, const QString &title)
{
    // Escape and the close box reject the box: Cancel.
    MessageBox box(text, title, true, m_parent);
    return box.exec() == QDialog::Accepted;
}

} // namespace qn
