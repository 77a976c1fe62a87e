#include "ui/HtmlExport.h"

#include "list/EntryTable.h"
#include "output/HtmlSnapshot.h"
#include "platform/SafeWrite.h"
#include "settings/Settings.h"
#include "ui/ListCommands.h"
#include "ui/Services.h"

#include <QDateTime>

#include <memory>
#include <mutex>

namespace qn {

namespace {

const QString SaveHtml = QStringLiteral("HTMLで保存...");
const QString SaveHtmlTitle = QStringLiteral("HTMLで保存");
const QString HtmlFilter = QStringLiteral("*.html");
const QString HtmlFileName = QStringLiteral("リスト.html");
const QString EntriesRead = QStringLiteral("%1 件のファイルを書き出しました。");

// What the window and the worker share. The worker reads the table only
// while it holds `table`; after a cancel the window takes the lock once and
// sets `stop`, so a worker left behind never reads a table that has changed.
struct Job {
    std::mutex table;
    bool stop = false;
    bool written = false;
};

} // namespace

QString saveHtmlCaption()
{
    return SaveHtml;
}

void SaveHtmlFile(QWidget *parent, const EntryTable &table, const Settings &settings, const Services &services,
                  const QString &title)
{
    const std::optional<QString> path =
        services.chooser->choose(parent, SaveHtmlTitle, settings.SaveDirectory, HtmlFileName, HtmlFilter);
    if (!path || path->isEmpty())
        return;
    HtmlSnapshotOptions options{title, settings.SizeUnit, QDateTime::currentSecsSinceEpoch()};
    const auto job = std::make_shared<Job>();
    const EntryTable *list = &table;
    const int count = table.EntryCount();
    const QString target = *path;
    const bool finished = services.work->run(
        parent, SaveHtmlTitle,
        [job, list, count, options, target](const std::atomic<bool> &cancel, const TreeWalkProgress &progress) {
            std::unique_lock lock(job->table);
            if (job->stop)
                return;
            bool reading = true;
            const QByteArray page = HtmlSnapshotText(*list, options, [&](int read) {
                if (progress)
                    progress(read, QString());
                // Between two runs of entries the window may take the table
                // back; after the last one it is not read again.
                lock.unlock();
                if (read >= count) {
                    reading = false;
                    return !cancel;
                }
                lock.lock();
                return !cancel && !job->stop;
            });
            if (reading)
                lock.unlock();
            if (cancel || page.isEmpty())
                return;
            job->written = saveBytes(target, page);
        },
        EntriesRead);
    {
        std::lock_guard lock(job->table);
        job->stop = true;
    }
    if (!finished)
        return;
    services.messages->inform(job->written ? doneText() : listFailedText());
}

} // namespace qn
