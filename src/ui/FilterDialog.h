#pragma once

#include "platform/NameFilter.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace qn {

// "フィルター": which files the directory, tree and drop adds take. OK
// applies what is shown; キャンセル and the close box change nothing.
class FilterDialog : public QDialog {
    Q_OBJECT
public:
    explicit FilterDialog(const FilterPatterns &patterns, QWidget *parent = nullptr);

    FilterPatterns patterns() const;

private:
    QLineEdit *m_include = nullptr;
    QLineEdit *m_exclude = nullptr;
    QLineEdit *m_excludeDirectories = nullptr;
    QCheckBox *m_hidden = nullptr;
};

// The menu item that opens it, and the status bar panel shown while a
// filter is set.
QString filterCaption();
QString filterActiveText();

} // namespace qn
