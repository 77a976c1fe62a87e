#pragma once

#include "platform/TreeWalk.h"

#include <QDialog>

#include <atomic>
#include <functional>

class QLabel;

namespace qn {

class TableLease;

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
    void showProgress(qint64 files, const QString &detail);

private:
    QString m_countFormat;
    QLabel *m_count = nullptr;
    QLabel *m_directory = nullptr;
};

class WindowWorkProgress : public WorkProgress {
public:
    bool run(QWidget *parent, const QString &title, const Work &work, const QString &countFormat = QString()) override;
};

// Work that reads the list behind the progress window: it reads the table
// only while it holds the lease, and lets go at least as often as it looks
// at the cancel flag.
using TableWork =
    std::function<void(const std::atomic<bool> &cancel, const TreeWalkProgress &progress, TableLease &lease)>;
// Runs work as WorkProgress::run does; when it returns the list is the
// window's again, to change or clear, even when a cancelled worker is still
// finishing (it reads the table no more).
bool runReadingTable(WorkProgress &progress, QWidget *parent, const QString &title, const TableWork &work,
                     const QString &countFormat = QString());

// "N 件のファイルが見つかりました。"
QString filesFoundText(qint64 files);

} // namespace qn
