#include "list/CsvAppend.h"

#include "list/Check.h"
#include "list/EntryTable.h"

#include <algorithm>

namespace qn {

CsvAppendReport AppendCsvList(EntryTable &table, CsvList &list)
{
    // Where each row's digest, time form and state go is known only once its
    // entry is: the rows the table held already are left out, and of rows
    // named twice the first, which the table keeps, gives them.
    const bool anyMinuteOnly = std::find(list.minuteOnly.begin(), list.minuteOnly.end(), 1) != list.minuteOnly.end();
    const bool anyState = std::any_of(list.states.begin(), list.states.end(),
                                      [](CheckState s) { return s != CheckState::None; });
    const bool details = !list.digests.empty() || anyMinuteOnly || anyState;
    const int first = table.EntryCount() + 1;
    table.reserve(qsizetype(list.files.size()));
    // Into an empty list the names go as they were read, without a copy.
    const char16_t *text = table.TakeNames(list.names) ? table.NameText() : list.names.data();
    std::vector<char> given(details ? list.files.size() : 0, 0); // by entry from `first`
    size_t nextFound = 0;
    const auto giveDetails = [&](size_t k, int i) {
        const bool digest = k < list.digests.size() && !list.digests[k].isEmpty();
        const bool minuteOnly = k < list.minuteOnly.size() && list.minuteOnly[k];
        const CheckState state = k < list.states.size() ? list.states[k] : CheckState::None;
        const CsvList::Found *found = nullptr;
        while (nextFound < list.found.size() && list.found[nextFound].row < qint64(k))
            ++nextFound;
        if (nextFound < list.found.size() && list.found[nextFound].row == qint64(k))
            found = &list.found[nextFound];
        if (i < first || given[size_t(i - first)])
            return;
        given[size_t(i - first)] = 1;
        if (digest)
            table.SetDigest(i, list.digests[k]);
        if (minuteOnly)
            table.SetMinuteOnly(i, true);
        if (state != CheckState::None)
            table.SetChecked(i, state);
        if (found && carriesFound(state))
            table.SetFound(i, FoundValues{found->size, found->modified});
    };
    CsvAppendReport appended;
    std::vector<size_t> refused;
    for (const CsvList::Run &run : list.directories) {
        refused.clear();
        const NamedFile *files = list.files.data() + run.first;
        table.AppendNamed(run.path, files, run.count, text, refused, [&](size_t i, int entry) {
            if (details)
                giveDetails(run.first + i, entry);
        });
        for (size_t i : refused)
            appended.refused.append(
                run.path + QStringView(text + files[i].name, qsizetype(files[i].nameLength)).toString());
    }
    if (anyState)
        table.MarkChecked();
    appended.added = table.EntryCount() - first + 1;
    appended.alreadyListed = list.rows - appended.added - appended.refused.size();
    // What was read is in the table now; its names may be the table's own.
    std::vector<CsvList::Run>().swap(list.directories);
    list.files.release();
    list.names.release();
    return appended;
}

} // namespace qn
