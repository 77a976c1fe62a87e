#include "ui/HtmlExport.h"

#include "list/EntryTable.h"
#include "list/TableLease.h"
#include "output/HtmlSnapshot.h"
#include "platform/SafeWrite.h"
#include "settings/Settings.h"
#include "ui/CommandContext.h"
#include "ui/ListCommands.h"
#include "ui/Services.h"

#include <QDateTime>

#include <memory>

namespace qn {

namespace {

const QString SaveHtml = QStringLiteral("HTMLで保存...");
const QString SaveHtmlTitle = QStringLiteral("HTMLで保存");
const QString HtmlFilter = QStringLiteral("*.html");
const QString HtmlFileName = QStringLiteral("リスト.html");
const QString EntriesRead = QStringLiteral("%1 件のファイルを書き出しました。");

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
    const auto written = std::make_shared<bool>(false);
    const EntryTable *list = &table;
    const int count = table.EntryCount();
    const QString target = *path;
    const bool finished = runReadingTable(
        *services.work, parent, SaveHtmlTitle,
        [written, list, count, options, target](const std::atomic<bool> &cancel, const TreeWalkProgress &progress,
                                                TableLease &lease) {
            LeaseHold hold(&lease);
            if (!hold.enter())
                return;
            const QByteArray page = HtmlSnapshotText(*list, options, [&](int read) {
                if (progress)
                    progress(read, QString());
                // Between two runs of entries the window may take the table
                // back; after the last one it is not read again.
                hold.leave();
                if (read >= count)
                    return !cancel;
                return !cancel && hold.enter();
            });
            hold.leave();
            if (cancel || page.isEmpty())
                return;
            *written = saveBytes(target, page);
        },
        EntriesRead);
    if (!finished)
        return;
    services.messages->inform(*written ? doneText() : listFailedText());
}

} // namespace qn
