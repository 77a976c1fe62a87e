#include "list/Sort.h"

#include "list/EntryTable.h"
#include "platform/Threads.h"

#include <QCollator>
#include <QHash>

#include <algorithm>
#include <numeric>
#include <optional>
#include <thread>

namespace qn {

namespace {

// Natural order in the user's language; the C locale has no collation of
// its own, so the program's own language stands in for it there.
QCollator naturalCollator()
{
    QLocale locale = QLocale::system();
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::Japanese, QLocale::Japan);
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

// Sort keys for texts[0..n), made on every core: one collator per thread,
// since a collator must not be shared between threads.
template <class TextOf>
std::vector<QCollatorSortKey> sortKeys(size_t n, const TextOf &textOf)
{
    std::vector<std::optional<QCollatorSortKey>> keys(n);
    const size_t threads = n < 20000 ? 1 : std::max(1u, std::thread::hardware_concurrency());
    const auto work = [&](size_t part) {
        const QCollator collator = naturalCollator();
        for (size_t i = part; i < n; i += threads)
            keys[i].emplace(collator.sortKey(textOf(i)));
    };
    std::vector<std::thread> helpers(threads - 1);
    std::vector<size_t> ownParts{0};
    for (size_t t = 1; t < threads; ++t) {
        if (!startThread(helpers[t - 1], [&work, t] { work(t); }))
            ownParts.push_back(t); // no thread to be had: done here
    }
    for (size_t part : ownParts)
        work(part);
    for (std::thread &t : helpers) {
        if (t.joinable())
            t.join();
    }
    std::vector<QCollatorSortKey> out;
    out.reserve(n);
    for (auto &k : keys)
        out.push_back(std::move(*k));
    return out;
}

// Sorts entries 1..n by compare(a, b) (negative, zero, positive), keeping
// the order of equal ones.
template <class Compare>
std::vector<int> stableOrder(int n, bool descending, const Compare &compare)
{
    std::vector<int> order(static_cast<size_t>(n));
    std::iota(order.begin(), order.end(), 1);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        const int c = compare(a, b);
        if (c != 0)
            return descending ? c > 0 : c < 0;
        return a < b;
    });
    return order;
}

// The names' keys, for entries 1..EntryCount(). The collator reads each name
// where the table holds it and keeps nothing of it.
std::vector<QCollatorSortKey> nameKeys(const EntryTable &table)
{
    return sortKeys(size_t(table.EntryCount()), [&](size_t i) {
        const QStringView name = table.fileName(int(i) + 1);
        return displayName(QString::fromRawData(reinterpret_cast<const QChar *>(name.data()), name.size()));
    });
}

template <class T>
int threeWay(const T &a, const T &b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

} // namespace

std::vector<int> SortedOrder(const EntryTable &table, SortKey key, bool descending)
{
    const int n = table.EntryCount();
    switch (key) {
    case SortKey::Size:
        return stableOrder(n, descending, [&](int a, int b) { return threeWay(table.size(a), table.size(b)); });
    case SortKey::Digest:
        return stableOrder(n, descending,
                           [&](int a, int b) { return threeWay(table.digest(a), table.digest(b)); });
    case SortKey::State:
        return stableOrder(n, descending,
                           [&](int a, int b) { return threeWay(int(table.state(a)), int(table.state(b))); });
    case SortKey::Date:
        return stableOrder(n, descending,
                           [&](int a, int b) { return threeWay(table.modified(a), table.modified(b)); });
    case SortKey::Name: {
        const auto names = nameKeys(table);
        return stableOrder(n, descending, [&](int a, int b) { return names[size_t(a - 1)].compare(names[size_t(b - 1)]); });
    }
    case SortKey::Directory: {
        // A list holds few directories, each held once by the table: each
        // gets its key once.
        const auto dirKeys = sortKeys(table.DirectoryCount(),
                                      [&](size_t i) { return displayName(table.directoryAt(quint32(i))); });
        const auto names = nameKeys(table);
        return stableOrder(n, descending, [&](int a, int b) {
            const quint32 da = table.directoryNumber(a), db = table.directoryNumber(b);
            if (da != db) {
                // Directories that collate alike ("/A/", "/a/") still stay apart.
                const int c = dirKeys[da].compare(dirKeys[db]);
                return c != 0 ? c : table.directoryAt(da).compare(table.directoryAt(db));
            }
            return names[size_t(a - 1)].compare(names[size_t(b - 1)]);
        });
    }
    }
    return {};
}

} // namespace qn
