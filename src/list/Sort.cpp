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
        return stableOrder(n, descending, [&](int a, int b) { return threeWay(table.at(a).Size, table.at(b).Size); });
    case SortKey::Digest:
        return stableOrder(n, descending,
                           [&](int a, int b) { return threeWay(table.at(a).Sha256, table.at(b).Sha256); });
    case SortKey::State:
        return stableOrder(n, descending,
                           [&](int a, int b) { return threeWay(int(table.at(a).State), int(table.at(b).State)); });
    case SortKey::Date:
        return stableOrder(n, descending,
                           [&](int a, int b) { return threeWay(table.at(a).Modified, table.at(b).Modified); });
    case SortKey::Name: {
        const auto names = sortKeys(size_t(n), [&](size_t i) { return displayName(table.at(int(i) + 1).FileName); });
        return stableOrder(n, descending, [&](int a, int b) { return names[size_t(a - 1)].compare(names[size_t(b - 1)]); });
    }
    case SortKey::Directory: {
        // A list holds few directories: each gets its key once.
        QHash<QString, int> numberOf;
        std::vector<int> directoryOf(static_cast<size_t>(n));
        QStringList directories;
        for (int i = 1; i <= n; ++i) {
            const QString &dir = table.at(i).Directory;
            auto it = numberOf.constFind(dir);
            if (it == numberOf.constEnd()) {
                it = numberOf.insert(dir, int(directories.size()));
                directories.append(displayName(dir));
            }
            directoryOf[size_t(i - 1)] = *it;
        }
        const auto dirKeys = sortKeys(size_t(directories.size()), [&](size_t i) { return directories[qsizetype(i)]; });
        const auto names = sortKeys(size_t(n), [&](size_t i) { return displayName(table.at(int(i) + 1).FileName); });
        return stableOrder(n, descending, [&](int a, int b) {
            const int da = directoryOf[size_t(a - 1)], db = directoryOf[size_t(b - 1)];
            if (da != db) {
                // Directories that collate alike ("/A/", "/a/") still stay apart.
                const int c = dirKeys[size_t(da)].compare(dirKeys[size_t(db)]);
                return c != 0 ? c : table.at(a).Directory.compare(table.at(b).Directory);
            }
            return names[size_t(a - 1)].compare(names[size_t(b - 1)]);
        });
    }
    }
    return {};
}

} // namespace qn
