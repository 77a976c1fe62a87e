#pragma once

#include "platform/TreeWalk.h"

#include <QDialog>

#include <atomic>
#include <functional>

class QLabel;

namespace qn {

// Long work off the window's thread, behind a small modal window that shows
// how many files were found so far and the directory being read, with a
// Cancel button. The window stays responsive all the while.
class WorkProgress {
public:
    using Work = std::function<void(const std::atomic<bool> &cancel, const TreeWalkProgress &progress)>;
    virtual ~WorkProgress() = default;
    // Runs work on a thread of its own and returns once it has ended: true
    // when it finished, false when the user cancelled it. Cancelled work that
    // does not end at once (stuck in a system call) is left to end on its
    // own, so work is copied and must own everything it touches: capture by
    // value, results through a shared pointer.
    // countFormat says what the count is ("%1 件のファイルが見つかりました。"
    // when empty); the second line shows what the work reports beside it.
    virtual bool run(QWidget *parent, const QString &title, const Work &work, const QString &countFormat = QString()) = 0;
};

class ProgressWindow : public QDialog {
    Q_OBJECT
public:
    ProgressWindow(const QString &title, QWidget *parent = nullptr, const QString &countFormat = QString());
    void showProgress(qint64 files, const QString &directory);

private:
    QString m_countFormat;
    QLabel *m_count = nullptr;
    QLabel *m_directory = nullptr;
};

class WindowWorkProgress : public WorkProgress {
public:
    bool run(QWidget *parent, const QString &title, const Work &work, const QString &countFormat = QString()) override;
};

// "N 件のファイルが見つかりました。"
QString filesFoundText(qint64 files);

} // namespace qn
