#include "ui/WorkProgress.h"

#include "list/TableLease.h"
#include "platform/FileSystem.h"
#include "platform/Threads.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace qn {

namespace {
const QString FilesFound = QStringLiteral("%1 件のファイルが見つかりました。");
const QString CancelCaption = QStringLiteral("キャンセル");
} // namespace

QString filesFoundText(qint64 files)
{
    return FilesFound.arg(files);
}

ProgressWindow::ProgressWindow(const QString &title, QWidget *parent, const QString &countFormat)
    : QDialog(parent)
    , m_countFormat(countFormat.isEmpty() ? FilesFound : countFormat)
{
    setObjectName(QStringLiteral("WorkProgress"));
    setWindowTitle(title);
    setModal(true);
    m_count = new QLabel(m_countFormat.arg(0), this);
    m_count->setObjectName(QStringLiteral("Count"));
    m_directory = new QLabel(this);
    m_directory->setObjectName(QStringLiteral("Directory"));
    m_directory->setTextFormat(Qt::PlainText);
    m_directory->setFixedWidth(360);
    auto *cancel = new QPushButton(CancelCaption, this);
    cancel->setObjectName(QStringLiteral("Cancel"));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(m_count);
    layout->addWidget(m_directory);
    layout->addWidget(cancel, 0, Qt::AlignRight);
}

void ProgressWindow::showProgress(qint64 files, const QString &detail)
{
    m_count->setText(m_countFormat.arg(files));
    const QString shown = displayName(nativePath(detail));
    m_directory->setText(m_directory->fontMetrics().elidedText(shown, Qt::ElideMiddle, m_directory->width()));
}

namespace {

// What the window and its worker share; it lives as long as either needs it,
// for a worker stuck in a system call may outlive the window.
struct Shared {
    std::atomic<bool> cancel{false};
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    QPointer<ProgressWindow> window; // read on the window's thread only
};

// Runs f on the window's thread, if there still is one; the application
// object outlives every window, so a late call finds the window gone and
// does nothing.
template <class F>
void onWindowThread(F f)
{
    if (QCoreApplication *app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, std::move(f), Qt::QueuedConnection);
}

} // namespace

bool WindowWorkProgress::run(QWidget *parent, const QString &title, const Work &work, const QString &countFormat)
{
    auto shared = std::make_shared<Shared>();
    const TreeWalkProgress progress = [shared](qint64 files, const QString &detail) {
        onWindowThread([shared, files, detail] {
            if (shared->window)
                shared->window->showProgress(files, detail);
        });
    };
    ProgressWindow window(title, parent, countFormat);
    shared->window = &window;
    std::thread worker;
    const bool started = startThread(worker, [shared, work, progress] {
        work(shared->cancel, progress);
        {
            std::lock_guard lock(shared->mutex);
            shared->done = true;
        }
        shared->ended.notify_all();
        onWindowThread([shared] {
            if (shared->window)
                shared->window->accept();
        });
    });
    if (!started) {
        // No thread to be had: the work runs here, the window unseen.
        work(shared->cancel, TreeWalkProgress());
        return true;
    }
    // Cancel, Escape and the close box all reject the window.
    if (window.exec() != QDialog::Accepted)
        shared->cancel = true;
    // Work that heeds the cancel ends at once. Work stuck in a system call
    // (a dead network mount) is left to end on its own: the window is
    // already closed, and what it brings back is thrown away.
    std::unique_lock lock(shared->mutex);
    if (shared->ended.wait_for(lock, std::chrono::milliseconds(50), [&] { return shared->done; })) {
        lock.unlock();
        worker.join();
    } else {
        lock.unlock();
        worker.detach();
    }
    return !shared->cancel;
}

bool runReadingTable(WorkProgress &progress, QWidget *parent, const QString &title, const TableWork &work,
                     const QString &countFormat)
{
    const auto lease = std::make_shared<TableLease>();
    const bool finished = progress.run(
        parent, title,
        [lease, work](const std::atomic<bool> &cancel, const TreeWalkProgress &report) {
            work(cancel, report, *lease);
        },
        countFormat);
    // A cancelled worker lets go at its next look at the cancel flag.
    lease->takeBack();
    return finished;
}

} // namespace qn
