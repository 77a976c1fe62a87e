#include "list/Check.h"

#include "list/EntryTable.h"
#include "list/LocalClock.h"

#include <QHash>

namespace qn {

namespace {

const QString SameText = QStringLiteral("一致");
const QString ChangedText = QStringLiteral("変更");
const QString MissingText = QStringLiteral("なし");
const QString NewText = QStringLiteral("新規");
const QString UnreadableText = QStringLiteral("読めない");
const QString ContentChangedText = QStringLiteral("内容変更");

// A recorded time without seconds matches any time within its minute.
bool sameLocalTime(LocalClock &clock, qint64 a, qint64 recorded, bool minuteOnly)
{
    if (a == recorded)
        return true;
    const LocalTime x = clock.at(a), y = clock.at(recorded);
    return x.year == y.year && x.month == y.month && x.day == y.day && x.hour == y.hour && x.minute == y.minute
           && (x.second == y.second || minuteOnly);
}

} // namespace

QString stateText(CheckState state)
{
    switch (state) {
    case CheckState::Same:
        return SameText;
    case CheckState::Changed:
        return ChangedText;
    case CheckState::Missing:
        return MissingText;
    case CheckState::New:
        return NewText;
    case CheckState::Unreadable:
        return UnreadableText;
    case CheckState::ContentChanged:
        return ContentChangedText;
    case CheckState::None:
        break;
    }
    return QString();
}

CheckCounts ApplyCheck(EntryTable &table, Findings &findings)
{
    CheckCounts counts;
    LocalClock clock;
    const int n = std::min(table.EntryCount(), int(findings.found.size()));
    for (int i = 1; i <= n; ++i) {
        const FoundFile &f = findings.found[size_t(i - 1)];
        const ListEntry &e = table.at(i);
        if (f.kind == FoundFile::Missing) {
            table.SetChecked(i, CheckState::Missing);
            ++counts.missing;
        } else if (f.kind == FoundFile::Unreadable) {
            table.SetChecked(i, CheckState::Unreadable);
            ++counts.unreadable;
        } else if (f.stamp.size == e.Size && f.contentDiffers) {
            table.SetChecked(i, CheckState::ContentChanged, &f.stamp);
            ++counts.contentChanged;
        } else if (f.stamp.size == e.Size && sameLocalTime(clock, f.stamp.modified, e.Modified, e.MinuteOnly)) {
            table.SetChecked(i, CheckState::Same);
            ++counts.same;
        } else if (table.SetChecked(i, CheckState::Changed, &f.stamp)) {
            ++counts.changed;
        } else {
            table.SetChecked(i, CheckState::Unreadable); // its new size would carry the total past its limit
            ++counts.unreadable;
        }
    }
    for (WalkedDirectory &d : findings.added) {
        const int first = table.EntryCount() + 1;
        std::vector<size_t> refused;
        table.AppendWalked(d, refused);
        for (int i = first; i <= table.EntryCount(); ++i)
            table.SetChecked(i, CheckState::New);
        counts.added += table.EntryCount() - first + 1;
    }
    table.MarkChecked();
    return counts;
}

DiskCheck PrepareDiskCheck(const EntryTable &table)
{
    DiskCheck check;
    QHash<QString, quint32> directoryOf;
    check.place.reserve(size_t(table.EntryCount()));
    for (int i = 1; i <= table.EntryCount(); ++i) {
        const ListEntry &e = table.at(i);
        auto it = directoryOf.constFind(e.Directory);
        if (it == directoryOf.constEnd()) {
            it = directoryOf.insert(e.Directory, quint32(check.directories.size()));
            check.directories.push_back(DirectoryCheck{e.Directory});
        }
        DirectoryCheck &d = check.directories[*it];
        check.place.emplace_back(*it, quint32(d.names.size()));
        d.names.push_back(e.FileName);
        if (!e.Sha256.isEmpty()) {
            d.digests.resize(d.names.size());
            d.digests.back() = e.Sha256;
        }
    }
    return check;
}

Findings DiskFindings(DiskCheck &check)
{
    Findings findings;
    findings.found.reserve(check.place.size());
    for (const auto &[directory, name] : check.place) {
        const std::vector<FoundFile> &found = check.directories[directory].found;
        findings.found.push_back(name < found.size() ? found[name] : FoundFile());
    }
    for (DirectoryCheck &d : check.directories) {
        if (!d.added.empty())
            findings.added.push_back(WalkedDirectory{d.path, std::move(d.added)});
    }
    return findings;
}

Findings ListFindings(const EntryTable &table, const EntryTable &other)
{
    Findings findings;
    findings.found.reserve(size_t(table.EntryCount()));
    std::vector<char> matched(size_t(other.EntryCount()) + 1, 0);
    for (int i = 1; i <= table.EntryCount(); ++i) {
        const ListEntry &e = table.at(i);
        const int j = other.Find(e.Directory, e.FileName);
        if (j == 0) {
            findings.found.push_back(FoundFile());
            continue;
        }
        matched[size_t(j)] = 1;
        const ListEntry &o = other.at(j);
        const bool bothDigests = !e.Sha256.isEmpty() && !o.Sha256.isEmpty();
        findings.found.push_back(
            FoundFile{FoundFile::Present, FileStamp{o.Size, o.Modified}, bothDigests && e.Sha256 != o.Sha256});
    }
    for (int j = 1; j <= other.EntryCount(); ++j) {
        if (matched[size_t(j)])
            continue;
        const ListEntry &o = other.at(j);
        if (findings.added.empty() || findings.added.back().path != o.Directory)
            findings.added.push_back(WalkedDirectory{o.Directory, {}});
        findings.added.back().files.push_back(WalkedFile{o.FileName, FileStamp{o.Size, o.Modified}});
    }
    return findings;
}

} // namespace qn
