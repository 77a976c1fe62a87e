#pragma once

#include "list/EntryTable.h"
#include "output/CsvFile.h"
#include "output/CsvReader.h"

#include <QBuffer>

#include <atomic>

namespace qn::test {

// Whatever the CSV reader accepts, written again and read again, is the
// same list: names, directories, sizes, times (and whether they had
// seconds), digests, and a check's states and found values, in the same
// order.
inline bool csvRoundTripHolds(const QByteArray &input)
{
    CsvReadLimits limits;
    limits.rows = 100000;
    const auto read = [&limits](const QByteArray &bytes, EntryTable &table) {
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        const std::atomic<bool> never{false};
        CsvReadResult result = readListCsv(buffer, never, limits);
        if (result.status != CsvReadResult::Read)
            return false;
        AppendCsvList(table, result.list);
        return true;
    };
    EntryTable first;
    if (!read(input, first))
        return true;
    EntryTable second;
    if (!read(CsvFileText(first), second) || second.EntryCount() != first.EntryCount())
        return false;
    if (second.IsChecked() != first.IsChecked())
        return false;
    for (int i = 1; i <= first.EntryCount(); ++i) {
        const ListEntry &a = first.at(i), &b = second.at(i);
        if (a.FileName != b.FileName || a.Directory != b.Directory || a.Size != b.Size || a.Modified != b.Modified
            || a.MinuteOnly != b.MinuteOnly || a.Sha256 != b.Sha256 || a.State != b.State
            || first.HasFound(i) != second.HasFound(i) || first.found(i).Size != second.found(i).Size
            || first.found(i).Modified != second.found(i).Modified)
            return false;
    }
    return true;
}

} // namespace qn::test
