#include "catalogue/Catalogue.h"
#include "list/EntryTable.h"
#include "TestFiles.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <algorithm>

using namespace qn;
using namespace qn::test;

namespace {

void put(EntryTable &t, const QString &dir, const QString &name, qint64 size, qint64 time = 1700000000)
{
    t.AppendEntry(dir, name, [&](FileStamp &s) {
        s.size = size;
        s.modified = time;
        return true;
    });
}

QString raw(const QByteArray &bytes)
{
    return decodeName(bytes.constData(), bytes.size());
}

QStringList found(Catalogue &c, const QString &text, std::vector<qint64> volumes = {})
{
    CatalogueQuery q;
    q.text = text;
    q.volumes = std::move(volumes);
    const CatalogueResult r = c.search(q);
    EXPECT_EQ(r.error, CatalogueError::None);
    EXPECT_EQ(r.count, qint64(r.hits.size()));
    QStringList names;
    for (const CatalogueHit &h : r.hits)
        names << h.fileName;
    names.sort();
    return names;
}

EntryTable sample()
{
    EntryTable t;
    put(t, QStringLiteral("/media/disk/photos/"), QStringLiteral("写真2024.jpg"), 1000);
    put(t, QStringLiteral("/media/disk/photos/"), QStringLiteral("ﾃｽﾄ.txt"), 20, 1600000000);
    put(t, QStringLiteral("/media/disk/docs/"), QStringLiteral("ＲＥＰＯＲＴ.PDF"), 3000);
    put(t, QStringLiteral("/media/disk/docs/"), QStringLiteral("100%_done.txt"), 4);
    put(t, QStringLiteral("/media/disk/docs/"), QStringLiteral("100xydone.txt"), 5);
    put(t, QStringLiteral("/media/disk/docs/a/"), raw("bad\xff\xfe.bin"), 6);
    t.SetDigest(1, QByteArray(32, '\x5a'));
    return t;
}

TEST(CatalogueStore, KeepsVolumesThroughAddReplaceRenameDeleteAndReopen)
{
    Fixture f;
    const QString path = f.path() + QStringLiteral("c.qncat");
    const EntryTable table = sample();
    {
        Catalogue c;
        ASSERT_EQ(c.open(path, true), CatalogueError::None);
        VolumeSource source;
        source.label = QStringLiteral("DISK1");
        source.scope = QStringList{QStringLiteral("/media/disk/")};
        ASSERT_EQ(c.addVolume(QStringLiteral("一"), table, source), CatalogueError::None);
        EntryTable other;
        put(other, QStringLiteral("/mnt/x/"), QStringLiteral("other.txt"), 7);
        ASSERT_EQ(c.addVolume(QStringLiteral("二"), other, {}), CatalogueError::None);
    }
    Catalogue c;
    ASSERT_EQ(c.open(path, false), CatalogueError::None);
    std::vector<VolumeInfo> v;
    ASSERT_EQ(c.volumes(v), CatalogueError::None);
    ASSERT_EQ(v.size(), 2u);
    EXPECT_EQ(v[0].name, QStringLiteral("一"));
    EXPECT_EQ(v[0].entries, 6);
    EXPECT_EQ(v[0].bytes, 1000 + 20 + 3000 + 4 + 5 + 6);
    EXPECT_EQ(v[0].root, QStringLiteral("/media/disk/"));
    EXPECT_EQ(v[0].label, QStringLiteral("DISK1"));
    EXPECT_EQ(v[0].scope, QStringList{QStringLiteral("/media/disk/")});

    // Every entry comes back as it went in: the bytes of a name that is not
    // UTF-8, sizes, times, directories, digests.
    EntryTable back;
    ASSERT_EQ(c.readVolume(v[0].id, back), CatalogueError::None);
    ASSERT_EQ(back.EntryCount(), table.EntryCount());
    for (int i = 1; i <= table.EntryCount(); ++i) {
        const ListEntry &e = table.at(i);
        const int j = back.Find(e.Directory, e.FileName);
        ASSERT_NE(j, 0) << e.FileName.toStdString();
        EXPECT_EQ(encodeName(back.at(j).FileName), encodeName(e.FileName));
        EXPECT_EQ(back.at(j).Size, e.Size);
        EXPECT_EQ(back.at(j).Modified, e.Modified);
        EXPECT_EQ(back.at(j).Sha256, e.Sha256);
    }

    // The disk mounted elsewhere: found and read under its new place.
    ASSERT_EQ(c.moveVolume(v[0].id, QStringLiteral("/run/media/u/DISK1")), CatalogueError::None);
    CatalogueQuery moved;
    moved.text = QStringLiteral("写真");
    ASSERT_EQ(c.search(moved).hits.size(), 1u);
    EXPECT_EQ(c.search(moved).hits[0].directory, QStringLiteral("/run/media/u/DISK1/photos/"));
    EntryTable there;
    ASSERT_EQ(c.readVolume(v[0].id, there), CatalogueError::None);
    EXPECT_NE(there.Find(QStringLiteral("/run/media/u/DISK1/docs/a/"), raw("bad\xff\xfe.bin")), 0);

    // Replaced whole, renamed, deleted: each seen after reopening.
    EntryTable smaller;
    put(smaller, QStringLiteral("/media/disk/"), QStringLiteral("only.txt"), 1);
    ASSERT_EQ(c.addVolume(QStringLiteral("一"), smaller, {}), CatalogueError::None);
    EXPECT_EQ(found(c, QString()), (QStringList{QStringLiteral("only.txt"), QStringLiteral("other.txt")}));
    ASSERT_EQ(c.renameVolume(c.findVolume(QStringLiteral("二")), QStringLiteral("三")), CatalogueError::None);
    EXPECT_NE(c.renameVolume(c.findVolume(QStringLiteral("三")), QStringLiteral("一")), CatalogueError::None)
        << "two volumes of one name";
    ASSERT_EQ(c.removeVolume(c.findVolume(QStringLiteral("一"))), CatalogueError::None);
    c.close();
    ASSERT_EQ(c.open(path, false), CatalogueError::None);
    ASSERT_EQ(c.volumes(v), CatalogueError::None);
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(v[0].name, QStringLiteral("三"));
    EXPECT_EQ(found(c, QString()), QStringList{QStringLiteral("other.txt")});
}

TEST(CatalogueStore, MatchesAnyCaseAndWidthPatternsAndLiteralPercentAndUnderscore)
{
    Fixture f;
    Catalogue c;
    ASSERT_EQ(c.open(f.path() + QStringLiteral("c.qncat"), true), CatalogueError::None);
    ASSERT_EQ(c.addVolume(QStringLiteral("v"), sample(), {}), CatalogueError::None);

    EXPECT_EQ(found(c, QStringLiteral("テスト")), QStringList{QStringLiteral("ﾃｽﾄ.txt")});
    EXPECT_EQ(found(c, QStringLiteral("ﾃｽ")), QStringList{QStringLiteral("ﾃｽﾄ.txt")});
    EXPECT_EQ(found(c, QStringLiteral("pdf")), QStringList{QStringLiteral("ＲＥＰＯＲＴ.PDF")});
    EXPECT_EQ(found(c, QStringLiteral("ＰＤＦ")), QStringList{QStringLiteral("ＲＥＰＯＲＴ.PDF")});
    EXPECT_EQ(found(c, QStringLiteral("写真")), QStringList{QStringLiteral("写真2024.jpg")});
    EXPECT_EQ(found(c, QStringLiteral("真")), QStringList{QStringLiteral("写真2024.jpg")});
    EXPECT_EQ(found(c, QStringLiteral("%_")), QStringList{QStringLiteral("100%_done.txt")});
    EXPECT_EQ(found(c, QStringLiteral("0_d")), QStringList());
    EXPECT_EQ(found(c, QStringLiteral("*.TXT")),
              (QStringList{QStringLiteral("100%_done.txt"), QStringLiteral("100xydone.txt"), QStringLiteral("ﾃｽﾄ.txt")}));
    EXPECT_EQ(found(c, QStringLiteral("100??done*")),
              (QStringList{QStringLiteral("100%_done.txt"), QStringLiteral("100xydone.txt")}));
    EXPECT_EQ(found(c, QStringLiteral("?ｽﾄ.txt")), QStringList{QStringLiteral("ﾃｽﾄ.txt")});
    EXPECT_EQ(found(c, QStringLiteral("*.txt?")), QStringList());
    EXPECT_EQ(found(c, raw("\xff")), QStringList{raw("bad\xff\xfe.bin")});
    EXPECT_EQ(found(c, QStringLiteral("nothing")), QStringList());

    // Size and time bounds, inclusive; the count goes past the rows kept.
    CatalogueQuery q;
    q.minSize = 5;
    q.maxSize = 1000;
    EXPECT_EQ(c.search(q).count, 4);
    q = {};
    q.to = 1600000000;
    ASSERT_EQ(c.search(q).hits.size(), 1u);
    EXPECT_EQ(c.search(q).hits[0].fileName, QStringLiteral("ﾃｽﾄ.txt"));
    q = {};
    q.limit = 2;
    const CatalogueResult r = c.search(q);
    EXPECT_EQ(r.count, 6);
    EXPECT_EQ(r.hits.size(), 2u);
    std::atomic<bool> cancelled{true};
    EXPECT_EQ(c.search({}, cancelled).error, CatalogueError::Cancelled);
}

TEST(CatalogueStore, SearchFollowsARealTreeAddedTwice)
{
    Fixture f;
    f.subdir("t");
    f.file("t/alpha.txt", "aa", 1500000000);
    f.file("t/beta.txt", "bbb");
    const QString dir = f.path() + QStringLiteral("t/");
    Catalogue c;
    ASSERT_EQ(c.open(f.path() + QStringLiteral("c.qncat"), true), CatalogueError::None);
    for (int run = 0; run < 2; ++run) {
        EntryTable t;
        for (const QString &name : listingOrder(dir))
            t.AppendEntry(dir, name);
        ASSERT_EQ(c.addVolume(QStringLiteral("tree"), t, {}), CatalogueError::None);
        CatalogueQuery q;
        q.text = QStringLiteral(".TXT");
        const CatalogueResult r = c.search(q);
        QStringList names;
        for (const CatalogueHit &h : r.hits) {
            names << h.fileName;
            EXPECT_EQ(h.directory, dir);
            if (h.fileName == QStringLiteral("alpha.txt")) {
                EXPECT_EQ(h.size, 2);
                EXPECT_EQ(h.modified, 1500000000);
            }
        }
        names.sort();
        EXPECT_EQ(names, run == 0 ? (QStringList{QStringLiteral("alpha.txt"), QStringLiteral("beta.txt")})
                                  : (QStringList{QStringLiteral("beta.txt"), QStringLiteral("gamma.txt")}));
        f.remove("t/alpha.txt");
        f.file("t/gamma.txt", "g");
    }
}

// A catalogue with one small volume, and the bytes of its file after a
// checkpoint.
QByteArray oneVolume(const QString &path)
{
    Catalogue c;
    EXPECT_EQ(c.open(path, true), CatalogueError::None);
    EXPECT_EQ(c.addVolume(QStringLiteral("before"), sample(), {}), CatalogueError::None);
    c.close();
    return readAll(path);
}

EntryTable big(int n)
{
    EntryTable t;
    t.reserve(n);
    for (int i = 0; i < n; ++i)
        put(t, QStringLiteral("/big/d%1/").arg(i / 1000), QStringLiteral("file-number-%1.dat").arg(i), i);
    return t;
}

TEST(CatalogueStore, AKilledAddLeavesThePreviousCatalogueReadableThroughout)
{
    Fixture f;
    const QString path = f.path() + QStringLiteral("c.qncat");
    oneVolume(path);
    const EntryTable table = big(400000);
    const pid_t child = ::fork();
    if (child == 0) {
        Catalogue c;
        if (c.open(path, false) == CatalogueError::None)
            c.addVolume(QStringLiteral("after"), table, {});
        ::_exit(0);
    }
    ASSERT_GT(child, 0);
    // Killed once its transaction has written a good part to the journal.
    const QByteArray wal = encodeName(path + QStringLiteral("-wal"));
    bool midway = false;
    for (int i = 0; i < 20000 && !midway; ++i) {
        struct stat st;
        midway = ::stat(wal.constData(), &st) == 0 && st.st_size > 4 * 1024 * 1024;
        if (!midway)
            ::usleep(500);
    }
    // Read while the other process is in the middle of its add: the
    // catalogue as it was.
    qint64 seenMidway = -1;
    if (midway) {
        Catalogue reader;
        if (reader.open(path, false) == CatalogueError::None)
            seenMidway = reader.search({}).count;
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(midway) << "the add ended before it could be killed";
    ASSERT_TRUE(WIFSIGNALED(status)) << "the add ended before it could be killed";
    EXPECT_EQ(seenMidway, 6);

    Catalogue c;
    ASSERT_EQ(c.open(path, false), CatalogueError::None);
    std::vector<VolumeInfo> v;
    ASSERT_EQ(c.volumes(v), CatalogueError::None);
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(v[0].name, QStringLiteral("before"));
    EXPECT_EQ(found(c, QStringLiteral("写真")), QStringList{QStringLiteral("写真2024.jpg")});
    EXPECT_EQ(c.search({}).count, 6);
    // And it takes the next add.
    ASSERT_EQ(c.addVolume(QStringLiteral("after"), big(3000), {}), CatalogueError::None);
    EXPECT_EQ(c.search({}).count, 3006);
}

TEST(CatalogueStore, RefusesForeignDamagedAndNewerFilesAndSurvivesAFullDisk)
{
    Fixture f;
    Catalogue c;
    // Not a database at all, and another program's database.
    f.file("text.qncat", QByteArray("ファイル名,バイト数\n").repeated(200));
    EXPECT_EQ(c.open(f.path() + QStringLiteral("text.qncat"), true), CatalogueError::NotCatalogue);
    EXPECT_EQ(readAll(f.path() + QStringLiteral("text.qncat")), QByteArray("ファイル名,バイト数\n").repeated(200));
    {
        sqlite3 *db = nullptr;
        sqlite3_open(encodeName(f.path() + QStringLiteral("other.db")).constData(), &db);
        sqlite3_exec(db, "CREATE TABLE t(x)", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    EXPECT_EQ(c.open(f.path() + QStringLiteral("other.db"), true), CatalogueError::NotCatalogue);
    EXPECT_EQ(c.open(f.path() + QStringLiteral("missing.qncat"), false), CatalogueError::CannotOpen);

    // Made by a later version.
    const QString newer = f.path() + QStringLiteral("newer.qncat");
    oneVolume(newer);
    {
        sqlite3 *db = nullptr;
        sqlite3_open(encodeName(newer).constData(), &db);
        sqlite3_exec(db, "PRAGMA user_version=2", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    EXPECT_EQ(c.open(newer, true), CatalogueError::Newer);

    // Truncated: refused or found damaged, never a crash.
    const QString cut = f.path() + QStringLiteral("cut.qncat");
    oneVolume(cut);
    const EntryTable many = big(20000);
    {
        Catalogue d;
        ASSERT_EQ(d.open(cut, false), CatalogueError::None);
        ASSERT_EQ(d.addVolume(QStringLiteral("many"), many, {}), CatalogueError::None);
    }
    for (const qint64 length : {QFileInfo(cut).size() / 2, qint64(50)}) {
        ASSERT_EQ(::truncate(encodeName(cut).constData(), off_t(length)), 0);
        const CatalogueError opened = c.open(cut, false);
        if (opened == CatalogueError::None)
            EXPECT_EQ(c.search({}).error, CatalogueError::Damaged);
        else
            EXPECT_TRUE(opened == CatalogueError::Damaged || opened == CatalogueError::NotCatalogue);
        c.close();
    }

    // A full disk during an add: refused, and the catalogue as it was.
    const QString full = f.path() + QStringLiteral("full.qncat");
    const QByteArray before = oneVolume(full);
    ASSERT_EQ(c.open(full, false), CatalogueError::None);
    {
        const FileSizeLimit limit(QFileInfo(full).size() + 64 * 1024);
        EXPECT_EQ(c.addVolume(QStringLiteral("big"), many, {}), CatalogueError::CannotWrite);
    }
    EXPECT_EQ(c.search({}).count, 6);
    c.close();
    EXPECT_EQ(readAll(full), before);

    // Read-only: searched as it is, never written.
    const QString locked = f.path() + QStringLiteral("locked.qncat");
    const QByteArray lockedBytes = oneVolume(locked);
    ::chmod(encodeName(locked).constData(), 0444);
    EXPECT_TRUE(asOrdinaryUser([&locked] {
        Catalogue r;
        return r.open(locked, true) == CatalogueError::None && r.isReadOnly() && r.search({}).count == 6
               && r.addVolume(QStringLiteral("x"), sample(), {}) == CatalogueError::CannotWrite;
    }));
    EXPECT_EQ(readAll(locked), lockedBytes);
    EXPECT_FALSE(QFile::exists(locked + QStringLiteral("-wal")));
}

TEST(CatalogueStore, IsReadBySqlite3)
{
    Fixture f;
    const QString path = f.path() + QStringLiteral("c.qncat");
    oneVolume(path);
    QProcess p;
    p.start(QStringLiteral("sqlite3"), {path, QStringLiteral("PRAGMA integrity_check; SELECT name, entries, bytes FROM volume;")});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_EQ(p.readAllStandardOutput(), QByteArray("ok\nbefore|6|4035\n"));
}

} // namespace
