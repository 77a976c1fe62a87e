#pragma once

#include <QDialog>
#include <QString>

class QWidget;

namespace qn {

// The program's message boxes: no icon, OK alone or OK and Cancel (OK first
// and default; closing the box is Cancel). A CR in a text is a line break.
// Without a title the box carries the program's name.
class Messages {
public:
    virtual ~Messages() = default;
    virtual void inform(const QString &text, const QString &title = QString()) = 0;
    virtual bool confirm(const QString &text, const QString &title = QString()) = 0;
};

class DialogMessages : public Messages {
public:
    explicit DialogMessages(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }
    void inform(const QString &text, const QString &title = QString()) override;
    bool confirm(const QString &text, const QString &title = QString()) override;

private:
    QWidget *m_parent;
};

// The box itself: the text, then OK (and キャンセル) in this order on every
// desktop, OK being the default.
class MessageBox : public QDialog {
    Q_OBJECT
public:
    MessageBox(const QString &text, const QString &title, bool withCancel, QWidget *parent = nullptr);
};

QString programTitle();

} // namespace qn
