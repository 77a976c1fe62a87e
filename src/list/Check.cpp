#include "list/Check.h"

#include "list/EntryTable.h"
#include "list/LocalClock.h"
#include "platform/Cp932.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <iterator>
#include <optional>

namespace qn {

namespace {

// Each state's names, in the order of CheckState.
struct StateNames {
    QString japanese;
    const char *english;
};
const StateNames StateNameTable[] = {
    {QString(), nullptr}, // None
    {QStringLiteral("一致"), "same"},
    {QStringLiteral("変更"), "changed"},
    {QStringLiteral("なし"), "missing"},
    {QStringLiteral("新規"), "new"},
    {QStringLiteral("読めない"), "unreadable"},
    {QStringLiteral("内容変更"), "content"},
};
static_assert(std::size(StateNameTable) == size_t(CheckStateCount));

// A recorded time without seconds matches any time within its minute.
bool sameLocalTime(LocalClock &clock, qint64 a, qint64 recorded, bool minuteOnly)
{
    if (a == recorded)
        return true;
    // Compared as readings in 128 bits: at the ends of 64 bits the offset
    // would take a reading past them, and a far year past an int.
    const __int128 x = clock.localReading(a), y = clock.localReading(recorded);
    const auto minute = [](__int128 s) { return s >= 0 ? s / 60 : (s - 59) / 60; };
    return x == y || (minuteOnly && minute(x) == minute(y));
}

} // namespace

QString stateText(CheckState state) { return StateNameTable[size_t(state)].japanese; }

const char *stateWord(CheckState state) { return StateNameTable[size_t(state)].english; }

namespace {

bool isVolumeRoot(const QString &path)
{
    return path == QLatin1String("/") || (path.size() == 3 && path[1] == QLatin1Char(':'));
}

// The longest run of whole folders both paths begin with.
QString commonFolder(const QString &a, const QString &b)
{
    const qsizetype n = std::min(a.size(), b.size());
    qsizetype last = -1;
    for (qsizetype i = 0; i < n && a[i] == b[i]; ++i) {
        if (a[i] == QLatin1Char('/'))
            last = i;
    }
    return a.left(last + 1);
}

bool lies_below(const QString &path, const QString &folder)
{
    return path.size() > folder.size() && path.startsWith(folder);
}

} // namespace

CheckScope::CheckScope(const QStringList &paths, bool subdirectories)
{
    folders.reserve(size_t(paths.size()));
    for (const QString &path : paths)
        folders.push_back(ScopeFolder{path, subdirectories});
}

QStringList CheckScope::paths() const
{
    QStringList out;
    out.reserve(qsizetype(folders.size()));
    for (const ScopeFolder &f : folders)
        out.append(f.path);
    return out;
}

CheckScope ProposedScope(const EntryTable &table)
{
    CheckScope scope;
    // Each folder as its adds took it: a folder added alone is walked alone.
    scope.folders = table.RememberedFolders();
    if (!scope.folders.empty())
        return scope;
    QStringList directories;
    QString last;
    QSet<QString> seen;
    for (int i = 1; i <= table.EntryCount(); ++i) {
        const QString &d = table.directory(i);
        if (table.state(i) == CheckState::New || d == last)
            continue;
        last = d;
        if (!seen.contains(d)) {
            seen.insert(d);
            directories.append(d);
        }
    }
    if (directories.isEmpty())
        return scope;
    QString common = directories.front();
    for (const QString &d : std::as_const(directories))
        common = commonFolder(common, d);
    QStringList folders;
    if (!common.isEmpty() && !isVolumeRoot(common)) {
        folders.append(common);
    } else {
        directories.sort();
        for (const QString &d : std::as_const(directories)) {
            if (folders.isEmpty() || !d.startsWith(folders.back()))
                folders.append(d);
        }
    }
    bool subdirectories = false;
    for (const QString &d : std::as_const(directories)) {
        for (const QString &f : std::as_const(folders))
            subdirectories = subdirectories || lies_below(d, f);
    }
    return CheckScope(folders, subdirectories);
}

std::vector<int> NewRows(const EntryTable &table)
{
    std::vector<int> rows;
    for (int i = 1; i <= table.EntryCount(); ++i) {
        if (table.state(i) == CheckState::New)
            rows.push_back(i);
    }
    return rows;
}

CheckCounts ApplyCheck(EntryTable &table, Findings &findings)
{
    CheckCounts counts;
    LocalClock clock;
    const int n = std::min(table.EntryCount(), int(findings.found.size()));
    for (int i = 1; i <= n; ++i) {
        const FoundFile &f = findings.found[size_t(i - 1)];
        CheckState state = CheckState::Same;
        if (f.kind == FoundFile::Unreadable)
            state = CheckState::Unreadable;
        else if (f.kind != FoundFile::Present)
            state = CheckState::Missing;
        else if (f.stamp.size != table.size(i))
            state = CheckState::Changed;
        else if (f.contentDiffers)
            state = CheckState::ContentChanged;
        else if (!sameLocalTime(clock, f.stamp.modified, table.modified(i), table.minuteOnly(i)))
            state = CheckState::Changed;
        table.SetChecked(i, state);
        switch (state) {
        case CheckState::Missing:
            ++counts.missing;
            break;
        case CheckState::Unreadable:
            ++counts.unreadable;
            break;
        case CheckState::Changed:
        case CheckState::ContentChanged: {
            ++(state == CheckState::Changed ? counts.changed : counts.contentChanged);
            const size_t k = size_t(i - 1);
            table.SetFound(i, FoundValues{f.stamp.size, f.stamp.modified,
                                          k < findings.foundDigests.size() ? findings.foundDigests[k] : QByteArray()});
            break;
        }
        default:
            ++counts.same;
            break;
        }
    }
    size_t addedFile = 0;
    for (WalkedDirectory &d : findings.added) {
        const int first = table.EntryCount() + 1;
        const std::vector<QByteArray> digests =
            addedFile < findings.addedDigests.size()
                ? std::vector<QByteArray>(findings.addedDigests.begin() + qsizetype(addedFile),
                                          findings.addedDigests.begin()
                                              + qsizetype(std::min(findings.addedDigests.size(), addedFile + d.files.size())))
                : std::vector<QByteArray>();
        addedFile += d.files.size();
        std::vector<size_t> refused;
        table.AppendWalked(d, refused);
        size_t next = 0, refusedAt = 0;
        for (int i = first; i <= table.EntryCount(); ++i, ++next) {
            // Files the list held already or refused have no row: skip their digests.
            while (refusedAt < refused.size() && refused[refusedAt] == next) {
                ++refusedAt;
                ++next;
            }
            table.SetChecked(i, CheckState::New);
            if (next < digests.size() && !digests[next].isEmpty())
                table.SetDigest(i, digests[next]);
        }
        counts.added += table.EntryCount() - first + 1;
    }
    counts.unreadable += findings.unreadable.size();
    table.MarkChecked();
    return counts;
}

DiskCheck PrepareDiskCheck(const EntryTable &table, const CheckScope &scope, const NameFilter &filter,
                           const std::atomic<bool> *cancel)
{
    DiskCheck check;
    check.scope = scope;
    check.filter = filter;
    QHash<QString, quint32> directoryOf;
    check.place.reserve(size_t(table.EntryCount()));
    // Entries come in runs of one directory: it is looked up once for the run.
    quint32 lastDirectory = 0;
    quint32 last = 0;
    bool any = false;
    for (int i = 1; i <= table.EntryCount(); ++i) {
        if (cancel && (i & 4095) == 0 && cancel->load())
            break;
        if (table.state(i) == CheckState::New)
            continue; // not part of the record
        if (!any || table.directoryNumber(i) != lastDirectory) {
            const QString &directory = table.directory(i);
            auto it = directoryOf.constFind(directory);
            if (it == directoryOf.constEnd()) {
                it = directoryOf.insert(directory, quint32(check.directories.size()));
                check.directories.push_back(DirectoryCheck{directory});
            }
            any = true;
            lastDirectory = table.directoryNumber(i);
            last = *it;
        }
        DirectoryCheck &d = check.directories[last];
        check.place.emplace_back(last, quint32(d.names.size()));
        d.names.push_back(table.fileName(i).toString());
        const QByteArray &digest = table.digest(i);
        if (!digest.isEmpty()) {
            d.digests.resize(d.names.size());
            d.sizes.resize(d.names.size());
            d.digests.back() = digest;
            d.sizes.back() = table.size(i);
        }
    }
    return check;
}

namespace {

// The scope's folders each once, ending in the separator (a folder named
// twice takes its subdirectories when either does), none that a folder
// walked with its subdirectories holds already.
std::vector<ScopeFolder> scopeFolders(const CheckScope &scope)
{
    std::vector<ScopeFolder> folders;
    for (ScopeFolder f : scope.folders) {
        if (f.path.isEmpty())
            continue;
        if (!f.path.endsWith(QLatin1Char('/')))
            f.path += QLatin1Char('/');
        const auto same = std::find_if(folders.begin(), folders.end(),
                                       [&f](const ScopeFolder &g) { return g.path == f.path; });
        if (same != folders.end())
            same->subdirectories = same->subdirectories || f.subdirectories;
        else
            folders.push_back(std::move(f));
    }
    std::vector<ScopeFolder> kept;
    for (const ScopeFolder &f : folders) {
        const bool held = std::any_of(folders.begin(), folders.end(), [&f](const ScopeFolder &g) {
            return g.subdirectories && lies_below(f.path, g.path);
        });
        if (!held)
            kept.push_back(f);
    }
    return kept;
}

// The walked files of one listed directory: each named one found, the
// others added. The walk lists a directory in the order a tree add put it
// in the list, so names are matched in step and looked up only when that
// order was changed. With cp932, the files no recorded name matches exactly
// are then matched by their code page 932 bytes to the recorded names still
// unmatched: of two files on disk that give the same bytes, the one named
// as recorded is found and the other is new.
void matchWalked(DirectoryCheck &d, WalkedDirectory &walked, std::vector<WalkedDirectory> &added, bool cp932)
{
    size_t next = 0;
    std::optional<QHash<QString, quint32>> byName;
    WalkedDirectory extra{walked.path, {}};
    std::vector<WalkedFile> unmatched;
    const auto take = [&d](qint64 at, const WalkedFile &f) {
        if (at < 0 || d.known[size_t(at)])
            return false;
        d.found[size_t(at)] = FoundFile{FoundFile::Present, f.stamp};
        d.known[size_t(at)] = 1;
        return true;
    };
    for (WalkedFile &f : walked.files) {
        qint64 at = -1;
        if (next < d.names.size() && d.names[next] == f.name) {
            at = qint64(next++);
        } else {
            if (!byName) {
                byName.emplace();
                byName->reserve(qsizetype(d.names.size()));
                for (size_t i = 0; i < d.names.size(); ++i)
                    byName->insert(d.names[i], quint32(i));
            }
            const auto it = byName->constFind(f.name);
            if (it != byName->constEnd())
                at = *it;
        }
        if (!take(at, f))
            (cp932 ? unmatched : extra.files).push_back(std::move(f));
    }
    if (!unmatched.empty()) {
        QMultiHash<QByteArray, quint32> byCp932;
        for (size_t i = 0; i < d.names.size(); ++i) {
            if (!d.known[i])
                byCp932.insert(toCp932(d.names[i]), quint32(i));
        }
        for (WalkedFile &f : unmatched) {
            bool found = false;
            // Only the names giving these bytes: a multi-hash's iterator
            // runs on into other keys.
            const auto [first, end] = byCp932.equal_range(toCp932(f.name));
            for (auto it = first; it != end && !found; ++it)
                found = take(*it, f);
            if (!found)
                extra.files.push_back(std::move(f));
        }
    }
    if (!extra.files.empty())
        added.push_back(std::move(extra));
}

} // namespace

void RunDiskCheck(DiskCheck &check, const std::atomic<bool> &cancel, const TreeWalkProgress &progress, int threads)
{
    QHash<QString, quint32> directoryOf;
    directoryOf.reserve(qsizetype(check.directories.size()));
    for (size_t i = 0; i < check.directories.size(); ++i) {
        DirectoryCheck &d = check.directories[i];
        directoryOf.insert(d.path, quint32(i));
        d.found.assign(d.names.size(), FoundFile());
        d.known.assign(d.names.size(), 0);
    }
    QSet<QString> walked;
    QSet<QString> unreadable;
    // With cp932 a walked folder the record does not name exactly is matched
    // by its code page 932 bytes once every folder named exactly is known:
    // the folders wait, in the order walked, with the listed one each is.
    std::vector<std::pair<WalkedDirectory, quint32>> waiting;
    std::vector<char> listedWalked(check.directories.size(), 0);
    for (const ScopeFolder &folder : scopeFolders(check.scope)) {
        if (!isDirectory(folder.path)) {
            check.scopeFailed.append(folder.path);
            continue;
        }
        TreeWalkReport report =
            walkTree(folder.path, cancel, progress, threads, folder.subdirectories, check.filter);
        if (cancel.load())
            return;
        if (report.directories.empty() && report.skipped.contains(folder.path)) {
            check.scopeFailed.append(folder.path);
            continue;
        }
        for (WalkedDirectory &w : report.directories) {
            if (walked.contains(w.path))
                continue;
            walked.insert(w.path);
            const quint32 listed = directoryOf.value(w.path, quint32(-1));
            if (listed != quint32(-1))
                listedWalked[listed] = 1;
            if (check.cp932Names)
                waiting.emplace_back(std::move(w), listed);
            else if (listed == quint32(-1))
                check.added.push_back(std::move(w));
            else
                matchWalked(check.directories[listed], w, check.added, false);
        }
        for (const QString &skipped : std::as_const(report.skipped)) {
            // A folder below the scope that could not be read; its listed
            // files say so themselves.
            if (skipped.endsWith(QLatin1Char('/')) && !directoryOf.contains(skipped) && !unreadable.contains(skipped)) {
                unreadable.insert(skipped);
                check.unreadable.append(skipped);
            }
        }
    }
    if (!waiting.empty()) {
        // Folder names a code page changed: those listed that no folder
        // walked names exactly, by their bytes in it, each taken once.
        QHash<QByteArray, quint32> directoryOfCp932;
        for (size_t i = 0; i < check.directories.size(); ++i) {
            if (!listedWalked[i])
                directoryOfCp932.insert(toCp932(check.directories[i].path), quint32(i));
        }
        for (auto &[w, exact] : waiting) {
            quint32 listed = exact;
            if (listed == quint32(-1)) {
                const auto it = directoryOfCp932.constFind(toCp932(w.path));
                if (it != directoryOfCp932.constEnd() && !listedWalked[*it]) {
                    listed = *it;
                    listedWalked[listed] = 1;
                }
            }
            if (listed == quint32(-1))
                check.added.push_back(std::move(w));
            else
                matchWalked(check.directories[listed], w, check.added, true);
        }
    }
    checkDirectories(check.directories, cancel, progress, threads);
    if (cancel.load())
        return;
    std::vector<ContentItem> items;
    for (size_t k = 0; k < check.directories.size(); ++k) {
        const DirectoryCheck &d = check.directories[k];
        for (size_t i = 0; i < d.digests.size(); ++i) {
            // A size that differs says enough: the file is not read.
            if (!d.digests[i].isEmpty() && d.found[i].kind == FoundFile::Present && d.found[i].stamp.size == d.sizes[i])
                items.push_back(ContentItem{quint32(k), quint32(i)});
        }
    }
    // The largest first: a large file read last would leave one core alone with it.
    std::stable_sort(items.begin(), items.end(), [&](const ContentItem &a, const ContentItem &b) {
        return check.directories[a.directory].sizes[a.name] > check.directories[b.directory].sizes[b.name];
    });
    compareContents(check.directories, items, cancel, progress, threads);
}

Findings DiskFindings(DiskCheck &check)
{
    Findings findings;
    findings.found.reserve(check.place.size());
    for (const auto &[directory, name] : check.place) {
        const std::vector<FoundFile> &found = check.directories[directory].found;
        findings.found.push_back(name < found.size() ? found[name] : FoundFile{FoundFile::Missing, {}});
    }
    findings.added = std::move(check.added);
    findings.unreadable = check.unreadable;
    return findings;
}

Findings ListFindings(const EntryTable &table, const EntryTable &other)
{
    Findings findings;
    findings.found.reserve(size_t(table.EntryCount()));
    std::vector<char> matched(size_t(other.EntryCount()) + 1, 0);
    for (int i = 1; i <= table.EntryCount(); ++i) {
        if (table.state(i) == CheckState::New)
            continue; // not part of the record
        const int j = other.Find(table.directory(i), table.fileName(i));
        if (j == 0) {
            findings.found.push_back(FoundFile{FoundFile::Missing, {}});
            findings.foundDigests.emplace_back();
            continue;
        }
        matched[size_t(j)] = 1;
        const QByteArray &digest = table.digest(i), &otherDigest = other.digest(j);
        const bool bothDigests = !digest.isEmpty() && !otherDigest.isEmpty();
        findings.found.push_back(FoundFile{FoundFile::Present, FileStamp{other.size(j), other.modified(j)},
                                           bothDigests && digest != otherDigest});
        findings.foundDigests.push_back(otherDigest);
    }
    for (int j = 1; j <= other.EntryCount(); ++j) {
        if (matched[size_t(j)])
            continue;
        const QString &directory = other.directory(j);
        if (findings.added.empty() || findings.added.back().path != directory)
            findings.added.push_back(WalkedDirectory{directory, {}});
        findings.added.back().files.push_back(
            WalkedFile{other.fileName(j).toString(), FileStamp{other.size(j), other.modified(j)}});
        findings.addedDigests.push_back(other.digest(j));
    }
    return findings;
}

std::vector<int> ApplyFound(EntryTable &table)
{
    std::vector<int> missing;
    for (int i = 1; i <= table.EntryCount(); ++i) {
        const CheckState state = table.state(i);
        if (state == CheckState::Missing) {
            missing.push_back(i);
        } else if (carriesFound(state) && table.HasFound(i)) {
            const FoundValues &f = table.found(i);
            const FileStamp stamp{f.Size, f.Modified};
            const QByteArray digest = f.Sha256;
            // A found size that would carry the total past its limit (only a
            // hand-made CSV holds one): the entry keeps its record whole.
            if (table.SetChecked(i, CheckState::None, &stamp))
                table.SetDigest(i, digest);
        }
    }
    table.ClearCheck();
    return missing;
}

std::vector<int> EntriesToHashAgain(const EntryTable &table)
{
    std::vector<int> entries;
    for (int i = 1; i <= table.EntryCount(); ++i) {
        const CheckState state = table.state(i);
        if (carriesFound(state) && !table.digest(i).isEmpty())
            entries.push_back(i);
    }
    return entries;
}

} // namespace qn
