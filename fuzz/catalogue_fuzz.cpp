// The catalogue as outside input: a block row whose fields come from the
// fuzzer (directory, count, names, keys, stamps, digests). Whatever the row
// holds, opening, searching and reading never crash; and what reads back
// as a volume, stored again and read again, comes back the same.
#include "catalogue/Catalogue.h"
#include "list/EntryTable.h"
#include "platform/FileSystem.h"

#include <QByteArray>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstddef>
#include <cstdint>

namespace {

using namespace qn;

// The input in five parts, each ended by "\n##\n" (the last by the end).
QList<QByteArray> parts(const QByteArray &data)
{
    QList<QByteArray> out;
    qsizetype start = 0;
    while (out.size() < 4) {
        const qsizetype end = data.indexOf("\n##\n", start);
        if (end < 0)
            break;
        out << data.mid(start, end - start);
        start = end + 4;
    }
    out << data.mid(start);
    while (out.size() < 5)
        out << QByteArray();
    return out;
}

bool sameEntries(const EntryTable &a, const EntryTable &b)
{
    if (a.EntryCount() != b.EntryCount())
        return false;
    for (int i = 1; i <= a.EntryCount(); ++i) {
        const ListEntry &e = a.at(i);
        const int j = b.Find(e.Directory, e.FileName);
        if (j == 0 || b.at(j).Size != e.Size || b.at(j).Modified != e.Modified || b.at(j).Sha256 != e.Sha256)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/f.qncat");
    for (const char *suffix : {"", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
    const QList<QByteArray> p = parts(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    {
        Catalogue c;
        EntryTable t;
        t.AppendEntry(QStringLiteral("/v/"), QStringLiteral("a"), [](FileStamp &s) { return s.size = 1, true; });
        if (c.open(path, true) != CatalogueError::None || c.addVolume(QStringLiteral("v"), t, {}) != CatalogueError::None)
            __builtin_trap();
    }
    {
        sqlite3 *db = nullptr;
        sqlite3_open(QFile::encodeName(path).constData(), &db);
        sqlite3_stmt *s = nullptr;
        sqlite3_prepare_v2(db, "UPDATE block SET count = ?1, names = ?2, keys = ?3, stamps = ?4, digests = ?5", -1, &s,
                           nullptr);
        sqlite3_bind_int64(s, 1, p[0].size() > 0 ? static_cast<unsigned char>(p[0][0]) % 8 : 0);
        for (int i = 1; i < 5; ++i)
            sqlite3_bind_blob(s, i + 1, p[i].constData(), int(p[i].size()), SQLITE_TRANSIENT);
        sqlite3_step(s);
        sqlite3_finalize(s);
        sqlite3_stmt *d = nullptr;
        sqlite3_prepare_v2(db, "UPDATE directory SET path = ?1", -1, &d, nullptr);
        sqlite3_bind_blob(d, 1, p[0].constData() + qMin<qsizetype>(1, p[0].size()), int(qMax<qsizetype>(0, p[0].size() - 1)),
                          SQLITE_TRANSIENT);
        sqlite3_step(d);
        sqlite3_finalize(d);
        sqlite3_close(db);
    }
    Catalogue c;
    if (c.open(path, false) != CatalogueError::None)
        return 0;
    for (const QString &text : {QString(), QStringLiteral("a"), QStringLiteral("*a?")}) {
        CatalogueQuery q;
        q.text = text;
        const CatalogueResult r = c.search(q);
        if (r.error == CatalogueError::None && r.count != qint64(r.hits.size()))
            __builtin_trap();
    }
    EntryTable back;
    if (c.readVolume(c.findVolume(QStringLiteral("v")), back) != CatalogueError::None)
        return 0;
    // Round trip: stored again, read again, the same entries.
    const QString again = dir.path() + QStringLiteral("/g.qncat");
    for (const char *suffix : {"", "-wal", "-shm"})
        QFile::remove(again + QLatin1String(suffix));
    Catalogue g;
    EntryTable twice;
    if (g.open(again, true) != CatalogueError::None || g.addVolume(QStringLiteral("v"), back, {}) != CatalogueError::None
        || g.readVolume(g.findVolume(QStringLiteral("v")), twice) != CatalogueError::None || !sameEntries(back, twice))
        __builtin_trap();
    return 0;
}
