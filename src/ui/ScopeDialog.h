#pragma once

#include "list/Check.h"

#include <QDialog>

class QCheckBox;
class QPlainTextEdit;

namespace qn {

// "照合の範囲": the folders a check against the disk walks for files the
// list lacks, one per line, and whether their subdirectories are walked
// too: checked or unchecked for all of them; partly checked when the
// folders came with different choices, which each keeps while the box is
// left so (a folder typed anew then walks its own files alone). OK takes
// what is shown; キャンセル and the close box check nothing.
class ScopeDialog : public QDialog {
    Q_OBJECT
public:
    explicit ScopeDialog(const CheckScope &scope, QWidget *parent = nullptr);

    CheckScope scope() const;

private:
    CheckScope m_proposed;
    QPlainTextEdit *m_folders = nullptr;
    QCheckBox *m_subdirectories = nullptr;
};

// The folders as the dialog shows them, one native path a line, and back
// (blank lines left out, each folder ending in the separator).
QString scopeFoldersText(const QStringList &folders);
QStringList scopeFoldersFromText(const QString &text);

} // namespace qn
