#include "list/CsvAppend.h"

#include "list/Check.h"
#include "list/DirectoryAdd.h"
#include "list/EntryTable.h"
#include "platform/TreeWalk.h"

#include <algorithm>

namespace qn {

CsvAppendReport AppendCsvList(EntryTable &table, CsvList &list)
{
    // Where each row's digest, time form and state go is known only once the
    // rows are in: the rows the table held already are left out, and of rows
    // named twice the first, which the table keeps, gives them.
    const bool anyMinuteOnly = std::find(list.minuteOnly.begin(), list.minuteOnly.end(), 1) != list.minuteOnly.end();
    const bool anyState = std::any_of(list.states.begin(), list.states.end(),
                                      [](CheckState s) { return s != CheckState::None; });
    std::vector<std::pair<QString, QString>> keys;
    if (!list.digests.empty() || anyMinuteOnly || anyState) {
        for (const WalkedDirectory &d : list.directories) {
            for (const WalkedFile &f : d.files)
                keys.emplace_back(d.path, f.name);
        }
    }
    TreeWalkReport report;
    report.directories = std::move(list.directories);
    const int first = table.EntryCount() + 1;
    AppendTree(table, report);
    std::vector<char> given(size_t(table.EntryCount() - first + 1), 0);
    size_t nextFound = 0;
    for (size_t k = 0; k < keys.size(); ++k) {
        const bool digest = k < list.digests.size() && !list.digests[k].isEmpty();
        const bool minuteOnly = k < list.minuteOnly.size() && list.minuteOnly[k];
        const CheckState state = k < list.states.size() ? list.states[k] : CheckState::None;
        const CsvList::Found *found = nullptr;
        while (nextFound < list.found.size() && list.found[nextFound].row < qint64(k))
            ++nextFound;
        if (nextFound < list.found.size() && list.found[nextFound].row == qint64(k))
            found = &list.found[nextFound];
        if (!digest && !minuteOnly && state == CheckState::None)
            continue;
        const int i = table.Find(keys[k].first, keys[k].second);
        if (i < first || given[size_t(i - first)])
            continue;
        given[size_t(i - first)] = 1;
        if (digest)
            table.SetDigest(i, list.digests[k]);
        if (minuteOnly)
            table.SetMinuteOnly(i, true);
        if (state != CheckState::None)
            table.SetChecked(i, state);
        if (found && carriesFound(state))
            table.SetFound(i, FoundValues{found->size, found->modified});
    }
    if (anyState)
        table.MarkChecked();
    CsvAppendReport appended;
    appended.added = table.EntryCount() - first + 1;
    appended.refused = std::move(report.skipped);
    appended.alreadyListed = list.rows - appended.added - appended.refused.size();
    return appended;
}

} // namespace qn
