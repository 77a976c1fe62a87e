#include "ui/DigestCommands.h"

#include "list/EntryTable.h"
#include "list/Hashing.h"
#include "output/Sha256Sums.h"
#include "platform/SafeWrite.h"
#include "ui/CommandContext.h"
#include "ui/EntryModel.h"
#include "ui/ListCommands.h"
#include "ui/Messages.h"
#include "ui/Services.h"
#include "ui/WorkProgress.h"

#include <QItemSelectionModel>
#include <QLocale>
#include <QTableView>

namespace qn {

namespace {

const QString ComputeSha256 = QStringLiteral("SHA-256を計算");
const QString HashedCount = QStringLiteral("%1 件のファイルを読みました。");
const QString BytesRead = QStringLiteral("%1 バイト");
const QString SaveSums = QStringLiteral("SHA256SUMSで保存...");
const QString SaveSumsTitle = QStringLiteral("SHA256SUMSで保存");
const QString SumsFileName = QStringLiteral("SHA256SUMS");
const QString NoDigests = QStringLiteral("SHA-256を計算したファイルがありません。");
const QString SomeWithoutDigest = QStringLiteral("SHA-256がないファイルが %1 件あります。");

} // namespace

QString computeSha256Caption()
{
    return ComputeSha256;
}

QString saveSumsCaption()
{
    return SaveSums;
}

bool runHashJob(CommandContext &context, const QString &title, const std::shared_ptr<HashJob> &job)
{
    return context.work.run(
        context.parent(), title,
        [job](const std::atomic<bool> &cancel, const TreeWalkProgress &progress) {
            RunHashJob(*job, cancel, [&progress](qint64 files, qint64 bytes) {
                progress(files, BytesRead.arg(QLocale::c().toString(bytes)));
            });
        },
        HashedCount);
}

DigestCommands::DigestCommands(CommandContext &context)
    : m_c(context)
{
}

void DigestCommands::ComputeSha256Digests()
{
    // The selected rows when several are, else every entry without one.
    const QModelIndexList rows = m_c.grid->selectionModel()->selectedRows();
    std::vector<int> only;
    if (rows.size() > 1)
        only = m_c.selectedEntries();
    const auto job = std::make_shared<HashJob>();
    PrepareHashJob(m_c.table, *job, only);
    if (job->entries.empty()) {
        m_c.messages.inform(doneText());
        return;
    }
    const bool finished = runHashJob(m_c, ComputeSha256, job);
    // Digests finished before a cancel are kept: each one is whole.
    const QStringList unreadable = ApplyHashJob(m_c.table, *job);
    m_c.model.showChecked();
    if (finished)
        m_c.messages.inform(doneText());
    m_c.reportSkipped(unreadable);
}

void DigestCommands::SaveSha256Sums()
{
    const QString common = commonDirectoryOfDigests(m_c.table);
    if (common.isEmpty()) {
        m_c.messages.inform(NoDigests);
        return;
    }
    const std::optional<QString> path = m_c.chooser.choose(m_c.parent(), SaveSumsTitle, common, SumsFileName, QString());
    if (!path)
        return;
    const QString directory = path->left(path->lastIndexOf(QLatin1Char('/')) + 1);
    // The manifest never lists itself, even when the list holds its file.
    qint64 withoutDigest = 0;
    if (!saveBytes(*path, Sha256SumsText(m_c.table, directory, *path, &withoutDigest))) {
        m_c.messages.inform(listFailedText()); // a manifest not written says what a list does
        return;
    }
    m_c.messages.inform(doneText());
    if (withoutDigest > 0)
        m_c.messages.inform(SomeWithoutDigest.arg(withoutDigest));
}

} // namespace qn
