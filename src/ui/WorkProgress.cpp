#include "ui/WorkProgress.h"

#include "platform/FileSystem.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

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

ProgressWindow::ProgressWindow(const QString &title, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("WorkProgress"));
    setWindowTitle(title);
    setModal(true);
    m_count = new QLabel(filesFoundText(0), this);
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

void ProgressWindow::showProgress(qint64 files, const QString &directory)
{
    m_count->setText(filesFoundText(files));
    const QString shown = displayName(nativePath(directory));
    m_directory->setText(m_directory->fontMetrics().elidedText(shown, Qt::ElideMiddle, m_directory->width()));
}

bool WindowWorkProgress::run(QWidget *parent, const QString &title, const Work &work)
{
    ProgressWindow window(title, parent);
    ProgressWindow *target = &window; // outlives the worker; a call still queued when it goes is dropped
    std::atomic<bool> cancel{false};
    const TreeWalkProgress progress = [target](qint64 files, const QString &directory) {
        QMetaObject::invokeMethod(
            target, [target, files, directory] { target->showProgress(files, directory); }, Qt::QueuedConnection);
    };
    std::thread worker([&] {
        work(cancel, progress);
        QMetaObject::invokeMethod(target, [target] { target->accept(); }, Qt::QueuedConnection);
    });
    // Cancel, Escape and the close box all reject the window.
    if (window.exec() != QDialog::Accepted)
        cancel = true;
    worker.join();
    return !cancel;
}

} // namespace qn
