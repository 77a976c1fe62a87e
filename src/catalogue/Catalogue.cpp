#include "catalogue/Catalogue.h"

#include "list/Check.h"
#include "list/EntryTable.h"
#include "platform/FileSystem.h"
#include "platform/Volumes.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QUrl>

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <functional>

namespace qn {

// The packed rows of one directory: its names and their folded keys, each
// ended by a NUL (no name holds one), so a search scans one blob per
// directory instead of a row per name.
struct Block {
    qint64 count = 0;
    QByteArrayView keys;
    // Read only for a block that holds a match (load()): a search that
    // matches few names reads little more than the keys.
    QByteArrayView names;
    QByteArrayView stamps;  // count × (size, time), 8 bytes each, little-endian
    QByteArrayView digests; // empty, or count × 32 bytes (all zero: none)
    sqlite3_stmt *row = nullptr;
    bool loaded = false;
    bool load();
};

namespace {

// 'QNCA': a catalogue of this program, not some other program's database.
constexpr int ApplicationId = 0x514E4341;
// Rows per block: a directory of a million files is still read in pieces.
constexpr qsizetype BlockEntries = 4096;

class Statement {
public:
    Statement(sqlite3 *db, const char *sql) { m_rc = sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr); }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;
    bool ok() const { return m_rc == SQLITE_OK && m_stmt; }
    int prepared() const { return m_rc; }
    sqlite3_stmt *get() const { return m_stmt; }
    void bind(int i, qint64 v) { sqlite3_bind_int64(m_stmt, i, v); }
    void bind(int i, const QString &text)
    {
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(m_stmt, i, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    void bind(int i, const QByteArray &blob)
    {
        sqlite3_bind_blob(m_stmt, i, blob.constData(), int(blob.size()), SQLITE_TRANSIENT);
    }
    int step() { return sqlite3_step(m_stmt); }
    void reset()
    {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
    qint64 integer(int i) const { return sqlite3_column_int64(m_stmt, i); }
    QString text(int i) const
    {
        return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, i)),
                                 sqlite3_column_bytes(m_stmt, i));
    }
    QByteArrayView blob(int i) const
    {
        const void *p = sqlite3_column_blob(m_stmt, i);
        return QByteArrayView(static_cast<const char *>(p), p ? sqlite3_column_bytes(m_stmt, i) : 0);
    }

private:
    sqlite3_stmt *m_stmt = nullptr;
    int m_rc = SQLITE_ERROR;
};

CatalogueError fromSqlite(int rc, CatalogueError otherwise)
{
    switch (rc & 0xFF) {
    case SQLITE_NOTADB:
        return CatalogueError::NotCatalogue;
    case SQLITE_CORRUPT:
        return CatalogueError::Damaged;
    case SQLITE_CANTOPEN:
        return CatalogueError::CannotOpen;
    default:
        return otherwise;
    }
}

void putLe(QByteArray &out, qint64 v)
{
    const auto u = quint64(v);
    for (int b = 0; b < 8; ++b)
        out += char((u >> (8 * b)) & 0xFF);
}

qint64 getLe(const char *p)
{
    quint64 u = 0;
    for (int b = 7; b >= 0; --b)
        u = (u << 8) | static_cast<unsigned char>(p[b]);
    return qint64(u);
}

// A name as the file system could have given it: what the list reader refuses
// is refused here too.
bool soundName(QByteArrayView name)
{
    return !name.isEmpty() && name != "." && name != ".." && !name.contains('/') && !name.contains('\\')
           && !name.contains('\0');
}

// A directory below the volume's root: relative, '/'-ended, no empty, "." or
// ".." step.
bool soundRelative(QByteArrayView dir)
{
    if (dir.isEmpty())
        return true;
    if (!dir.endsWith('/') || dir.startsWith('/') || dir.contains('\0'))
        return false;
    qsizetype start = 0;
    while (start < dir.size()) {
        const qsizetype end = dir.indexOf('/', start);
        const QByteArrayView step = dir.sliced(start, end - start);
        if (step.isEmpty() || step == "." || step == "..")
            return false;
        start = end + 1;
    }
    return true;
}

bool soundKeys(const Block &b)
{
    return b.count > 0 && b.count <= BlockEntries && b.keys.endsWith('\0')
           && std::count(b.keys.begin(), b.keys.end(), '\0') == b.count;
}

QByteArrayView columnBlob(sqlite3_stmt *row, int i)
{
    const void *p = sqlite3_column_blob(row, i);
    return QByteArrayView(static_cast<const char *>(p), p ? sqlite3_column_bytes(row, i) : 0);
}

QByteArray joinNames(const QStringList &list)
{
    QByteArray out;
    for (const QString &s : list)
        out += encodeName(s) + '\0';
    return out;
}

QStringList splitNames(QByteArrayView bytes)
{
    QStringList out;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\0', start);
        if (end < 0)
            end = bytes.size();
        out << decodeName(bytes.data() + start, end - start);
        start = end + 1;
    }
    return out;
}

// A pattern with * and ? over folded UTF-8: ? takes one character, * any run.
bool globMatch(const char *p, const char *pe, const char *s, const char *se)
{
    const char *starP = nullptr;
    const char *starS = nullptr;
    const auto nextChar = [](const char *c, const char *end) {
        ++c;
        while (c < end && (static_cast<unsigned char>(*c) & 0xC0) == 0x80)
            ++c;
        return c;
    };
    while (s < se) {
        if (p < pe && *p == '*') {
            starP = ++p;
            starS = s;
        } else if (p < pe && *p == '?') {
            ++p;
            s = nextChar(s, se);
        } else if (p < pe && *p == *s) {
            ++p;
            ++s;
        } else if (starP) {
            p = starP;
            s = starS = nextChar(starS, se);
        } else {
            return false;
        }
    }
    while (p < pe && *p == '*')
        ++p;
    return p == pe;
}

// The bytes a folded name is searched by: UTF-8, with each byte of a name
// that was not UTF-8 kept as that byte.
QByteArray keyBytes(const QString &folded)
{
    QByteArray out;
    out.reserve(folded.size() + 8);
    qsizetype start = 0;
    for (qsizetype i = 0; i < folded.size(); ++i) {
        const char16_t c = folded[i].unicode();
        if (c >= 0xDC80 && c <= 0xDCFF && (i == 0 || !QChar::isHighSurrogate(folded[i - 1].unicode()))) {
            out += QStringView(folded).sliced(start, i - start).toUtf8();
            out += char(c - 0xDC00);
            start = i + 1;
        }
    }
    out += QStringView(folded).sliced(start).toUtf8();
    return out;
}

} // namespace

bool Block::load()
{
    if (loaded)
        return true;
    names = columnBlob(row, 3);
    stamps = columnBlob(row, 4);
    digests = columnBlob(row, 5);
    loaded = true;
    if (stamps.size() != count * 16 || (!digests.isEmpty() && digests.size() != count * 32))
        return false;
    return names.endsWith('\0') && std::count(names.begin(), names.end(), '\0') == count;
}

QString foldedName(const QString &name)
{
    // Case folding can make text that NFKC changes again (and the other way).
    return name.normalized(QString::NormalizationForm_KC).toCaseFolded().normalized(QString::NormalizationForm_KC);
}

QString commonFolder(const EntryTable &table)
{
    if (table.EntryCount() == 0)
        return QString();
    QString common = table.directory(1);
    for (int i = 2; i <= table.EntryCount() && !common.isEmpty(); ++i) {
        const QString &d = table.directory(i);
        if (d.startsWith(common))
            continue;
        qsizetype n = std::min(d.size(), common.size());
        qsizetype k = 0;
        while (k < n && d[k] == common[k])
            ++k;
        common.truncate(common.lastIndexOf(QLatin1Char('/'), k - 1) + 1);
    }
    return common;
}

QString volumeLabel(const QString &folder)
{
    if (folder.isEmpty())
        return QString();
    // The drive box's designation: "root [LABEL]".
    const QString designation = volumeOf(folder).designation;
    const qsizetype open = designation.indexOf(QStringLiteral(" ["));
    return open < 0 || !designation.endsWith(QLatin1Char(']')) ? QString() : designation.mid(open + 2).chopped(1);
}

QStringList listScope(const EntryTable &table)
{
    // The folders a check of the list would walk: those its adds came from,
    // else what the listed directories suggest.
    return ProposedScope(table).paths();
}

const std::atomic<bool> &Catalogue::neverCancel()
{
    static const std::atomic<bool> never{false};
    return never;
}

Catalogue::~Catalogue()
{
    close();
}

void Catalogue::close()
{
    if (m_db)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
}

bool Catalogue::exec(const char *sql)
{
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

CatalogueError Catalogue::open(const QString &path, bool create)
{
    close();
    m_path = path;
    const QFileInfo info(path);
    const bool exists = info.exists();
    if (!exists && !create)
        return CatalogueError::CannotOpen;
    if (exists && !info.isFile())
        return CatalogueError::NotCatalogue;
    // A file that cannot be written (a DVD, a read-only share) is read as it
    // is, with no journal or lock files beside it.
    m_readOnly = exists && (!info.isWritable() || !QFileInfo(info.absolutePath()).isWritable());
    QByteArray uri = QUrl::fromLocalFile(info.absoluteFilePath()).toEncoded();
    int flags = SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX;
    if (m_readOnly) {
        uri += "?immutable=1";
        flags |= SQLITE_OPEN_READONLY;
    } else {
        flags |= SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    }
    const int rc = sqlite3_open_v2(uri.constData(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        close();
        return fromSqlite(rc, CatalogueError::CannotOpen);
    }
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, 10000);
    const CatalogueError e = prepareSchema(!m_readOnly && create);
    if (e != CatalogueError::None)
        close();
    return e;
}

CatalogueError Catalogue::prepareSchema(bool mayCreate)
{
    qint64 tables = 0, appId = 0, version = 0;
    {
        Statement s(m_db, "SELECT (SELECT count(*) FROM sqlite_schema), (SELECT application_id FROM pragma_application_id),"
                          " (SELECT user_version FROM pragma_user_version)");
        if (!s.ok())
            return fromSqlite(s.prepared(), CatalogueError::NotCatalogue);
        const int rc = s.step();
        if (rc != SQLITE_ROW)
            return fromSqlite(rc, CatalogueError::NotCatalogue);
        tables = s.integer(0);
        appId = s.integer(1);
        version = s.integer(2);
    }
    if (appId == ApplicationId && version > SchemaVersion)
        return CatalogueError::Newer;
    if (appId == ApplicationId && version == SchemaVersion) {
        if (!m_readOnly && !exec("PRAGMA journal_mode=WAL"))
            return CatalogueError::CannotWrite;
        return CatalogueError::None;
    }
    if (tables != 0 || appId != 0 || !mayCreate)
        return CatalogueError::NotCatalogue;
    // A new, empty file: the schema in one transaction.
    if (!exec("PRAGMA journal_mode=WAL"))
        return CatalogueError::CannotWrite;
    const bool made = exec("BEGIN IMMEDIATE")
                      && exec("CREATE TABLE volume(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE,"
                              " catalogued INTEGER NOT NULL, root BLOB NOT NULL, label TEXT NOT NULL,"
                              " serial TEXT NOT NULL, scope BLOB NOT NULL, entries INTEGER NOT NULL,"
                              " bytes INTEGER NOT NULL);"
                              "CREATE TABLE directory(volume INTEGER NOT NULL, id INTEGER NOT NULL,"
                              " path BLOB NOT NULL, PRIMARY KEY(volume, id)) WITHOUT ROWID;"
                              "CREATE TABLE block(volume INTEGER NOT NULL, directory INTEGER NOT NULL,"
                              " count INTEGER NOT NULL, keys BLOB NOT NULL, names BLOB NOT NULL,"
                              " stamps BLOB NOT NULL, digests BLOB NOT NULL);"
                              "CREATE INDEX block_volume ON block(volume);"
                              )
                      && exec(QByteArray("PRAGMA application_id=" + QByteArray::number(ApplicationId)
                                         + "; PRAGMA user_version=" + QByteArray::number(SchemaVersion))
                                  .constData())
                      && exec("COMMIT");
    if (!made) {
        exec("ROLLBACK");
        return CatalogueError::CannotWrite;
    }
    return CatalogueError::None;
}

CatalogueError Catalogue::volumes(std::vector<VolumeInfo> &out)
{
    out.clear();
    if (!m_db)
        return CatalogueError::CannotOpen;
    Statement s(m_db, "SELECT id, name, entries, bytes, catalogued, root, label, serial, scope FROM volume ORDER BY name");
    if (!s.ok())
        return fromSqlite(s.prepared(), CatalogueError::Damaged);
    int rc;
    while ((rc = s.step()) == SQLITE_ROW) {
        VolumeInfo v;
        v.id = s.integer(0);
        v.name = s.text(1);
        v.entries = s.integer(2);
        v.bytes = s.integer(3);
        v.catalogued = s.integer(4);
        const QByteArrayView root = s.blob(5);
        v.root = decodeName(root.data(), root.size());
        v.label = s.text(6);
        v.serial = s.text(7);
        v.scope = splitNames(s.blob(8));
        out.push_back(v);
    }
    return rc == SQLITE_DONE ? CatalogueError::None : fromSqlite(rc, CatalogueError::Damaged);
}

qint64 Catalogue::findVolume(const QString &name)
{
    if (!m_db)
        return 0;
    Statement s(m_db, "SELECT id FROM volume WHERE name = ?1");
    s.bind(1, name);
    return s.ok() && s.step() == SQLITE_ROW ? s.integer(0) : 0;
}

CatalogueError Catalogue::addVolume(const QString &name, const EntryTable &table, const VolumeSource &source,
                                    const std::atomic<bool> &cancel)
{
    if (!m_db)
        return CatalogueError::CannotOpen;
    if (m_readOnly)
        return CatalogueError::CannotWrite;
    if (!exec("BEGIN IMMEDIATE"))
        return fromSqlite(sqlite3_errcode(m_db), CatalogueError::CannotWrite);
    const auto fail = [this](CatalogueError e) {
        exec("ROLLBACK");
        return e;
    };
    const auto failed = [this, &fail](CatalogueError otherwise) {
        return fail(fromSqlite(sqlite3_extended_errcode(m_db), otherwise));
    };

    if (const qint64 old = findVolume(name); old != 0) {
        for (const char *sql : {"DELETE FROM block WHERE volume = ?1", "DELETE FROM directory WHERE volume = ?1",
                                "DELETE FROM volume WHERE id = ?1"}) {
            Statement d(m_db, sql);
            d.bind(1, old);
            if (!d.ok() || d.step() != SQLITE_DONE)
                return failed(CatalogueError::CannotWrite);
        }
    }

    const QString root = commonFolder(table);
    qint64 volume = 0;
    {
        Statement s(m_db, "INSERT INTO volume(name, catalogued, root, label, serial, scope, entries, bytes)"
                          " VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
        s.bind(1, name);
        s.bind(2, source.catalogued != 0 ? source.catalogued : QDateTime::currentSecsSinceEpoch());
        s.bind(3, encodeName(root));
        s.bind(4, source.label);
        s.bind(5, source.serial);
        s.bind(6, joinNames(source.scope));
        s.bind(7, qint64(table.EntryCount()));
        s.bind(8, table.TotalBytes());
        if (!s.ok() || s.step() != SQLITE_DONE)
            return failed(CatalogueError::CannotWrite);
        volume = sqlite3_last_insert_rowid(m_db);
    }

    // The entries by directory, each directory in the order it first comes.
    QHash<QString, qsizetype> directoryOf;
    std::vector<std::vector<int>> members;
    std::vector<const QString *> directories;
    for (int i = 1; i <= table.EntryCount(); ++i) {
        const QString &d = table.directory(i);
        auto it = directoryOf.constFind(d);
        if (it == directoryOf.constEnd()) {
            it = directoryOf.insert(d, qsizetype(members.size()));
            members.emplace_back();
            directories.push_back(&d);
        }
        members[size_t(*it)].push_back(i);
    }

    Statement dir(m_db, "INSERT INTO directory(volume, id, path) VALUES(?1, ?2, ?3)");
    Statement block(m_db, "INSERT INTO block(volume, directory, count, names, keys, stamps, digests)"
                          " VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)");
    if (!dir.ok() || !block.ok())
        return failed(CatalogueError::CannotWrite);
    QByteArray names, keys, stamps, digests;
    for (size_t d = 0; d < members.size(); ++d) {
        if (cancel.load(std::memory_order_relaxed))
            return fail(CatalogueError::Cancelled);
        dir.bind(1, volume);
        dir.bind(2, qint64(d));
        dir.bind(3, encodeName(directories[d]->mid(root.size())));
        if (dir.step() != SQLITE_DONE)
            return failed(CatalogueError::CannotWrite);
        dir.reset();
        const std::vector<int> &entries = members[d];
        for (size_t first = 0; first < entries.size(); first += BlockEntries) {
            const size_t end = std::min(entries.size(), first + size_t(BlockEntries));
            names.clear();
            keys.clear();
            stamps.clear();
            digests.clear();
            bool anyDigest = false;
            for (size_t k = first; k < end; ++k) {
                const int e = entries[k];
                const QString fileName = table.fileName(e).toString();
                const QByteArray bytes = encodeName(fileName);
                if (!soundName(bytes))
                    return fail(CatalogueError::Damaged);
                names += bytes;
                names += '\0';
                keys += keyBytes(foldedName(fileName));
                keys += '\0';
                putLe(stamps, table.size(e));
                putLe(stamps, table.modified(e));
                anyDigest = anyDigest || table.digest(e).size() == 32;
            }
            if (anyDigest) {
                for (size_t k = first; k < end; ++k) {
                    const QByteArray &digest = table.digest(entries[k]);
                    digests += digest.size() == 32 ? digest : QByteArray(32, '\0');
                }
            }
            block.bind(1, volume);
            block.bind(2, qint64(d));
            block.bind(3, qint64(end - first));
            block.bind(4, names);
            block.bind(5, keys);
            block.bind(6, stamps);
            block.bind(7, digests);
            if (block.step() != SQLITE_DONE)
                return failed(CatalogueError::CannotWrite);
            block.reset();
        }
    }
    if (!exec("COMMIT"))
        return failed(CatalogueError::CannotWrite);
    return CatalogueError::None;
}

CatalogueError Catalogue::removeVolume(qint64 id)
{
    if (!m_db)
        return CatalogueError::CannotOpen;
    if (m_readOnly)
        return CatalogueError::CannotWrite;
    if (!exec("BEGIN IMMEDIATE"))
        return fromSqlite(sqlite3_errcode(m_db), CatalogueError::CannotWrite);
    for (const char *sql : {"DELETE FROM block WHERE volume = ?1", "DELETE FROM directory WHERE volume = ?1",
                            "DELETE FROM volume WHERE id = ?1"}) {
        Statement d(m_db, sql);
        d.bind(1, id);
        if (!d.ok() || d.step() != SQLITE_DONE) {
            const CatalogueError e = fromSqlite(sqlite3_extended_errcode(m_db), CatalogueError::CannotWrite);
            exec("ROLLBACK");
            return e;
        }
    }
    if (sqlite3_changes(m_db) == 0) {
        exec("ROLLBACK");
        return CatalogueError::NoSuchVolume;
    }
    if (!exec("COMMIT")) {
        exec("ROLLBACK");
        return CatalogueError::CannotWrite;
    }
    return CatalogueError::None;
}

CatalogueError Catalogue::renameVolume(qint64 id, const QString &name)
{
    if (!m_db)
        return CatalogueError::CannotOpen;
    if (m_readOnly)
        return CatalogueError::CannotWrite;
    // One statement is one transaction.
    Statement s(m_db, "UPDATE volume SET name = ?2 WHERE id = ?1");
    s.bind(1, id);
    s.bind(2, name);
    if (!s.ok() || s.step() != SQLITE_DONE)
        return fromSqlite(sqlite3_extended_errcode(m_db), CatalogueError::CannotWrite);
    return sqlite3_changes(m_db) == 1 ? CatalogueError::None : CatalogueError::NoSuchVolume;
}

CatalogueError Catalogue::moveVolume(qint64 id, const QString &root)
{
    if (!m_db)
        return CatalogueError::CannotOpen;
    if (m_readOnly)
        return CatalogueError::CannotWrite;
    QString folder = root;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    Statement s(m_db, "UPDATE volume SET root = ?2 WHERE id = ?1");
    s.bind(1, id);
    s.bind(2, encodeName(folder));
    if (!s.ok() || s.step() != SQLITE_DONE)
        return fromSqlite(sqlite3_extended_errcode(m_db), CatalogueError::CannotWrite);
    return sqlite3_changes(m_db) == 1 ? CatalogueError::None : CatalogueError::NoSuchVolume;
}

CatalogueError Catalogue::readBlocks(const std::vector<qint64> &wanted, const std::atomic<bool> &cancel,
                                     const std::function<bool(qint64, const QByteArray &, Block &)> &each)
{
    if (!m_db)
        return CatalogueError::CannotOpen;
    std::vector<std::pair<qint64, QByteArray>> volumes; // id, root
    {
        Statement s(m_db, "SELECT id, root FROM volume ORDER BY name");
        if (!s.ok())
            return fromSqlite(s.prepared(), CatalogueError::Damaged);
        int rc;
        while ((rc = s.step()) == SQLITE_ROW) {
            if (wanted.empty() || std::find(wanted.begin(), wanted.end(), s.integer(0)) != wanted.end())
                volumes.emplace_back(s.integer(0), s.blob(1).toByteArray());
        }
        if (rc != SQLITE_DONE)
            return fromSqlite(rc, CatalogueError::Damaged);
    }
    // Read in one transaction, so another process's add is seen whole or not at all.
    exec("BEGIN");
    Statement s(m_db, "SELECT d.path, b.count, b.keys, b.names, b.stamps, b.digests FROM block b"
                      " JOIN directory d ON d.volume = b.volume AND d.id = b.directory"
                      " WHERE b.volume = ?1 ORDER BY b.rowid");
    if (!s.ok()) {
        exec("COMMIT");
        return fromSqlite(s.prepared(), CatalogueError::Damaged);
    }
    for (const auto &[volume, root] : volumes) {
        if (!root.isEmpty() && (!root.startsWith('/') || !root.endsWith('/')) && !root.endsWith('\\')) {
            // A root the program would never write.
            if (root.size() < 2 || root[1] != ':') {
                exec("COMMIT");
                return CatalogueError::Damaged;
            }
        }
        s.bind(1, volume);
        int rc;
        while ((rc = s.step()) == SQLITE_ROW) {
            if (cancel.load(std::memory_order_relaxed)) {
                s.reset();
                exec("COMMIT");
                return CatalogueError::Cancelled;
            }
            Block b;
            const QByteArrayView path = s.blob(0);
            b.count = s.integer(1);
            b.keys = s.blob(2);
            b.row = s.get();
            if (!soundRelative(path) || !soundKeys(b)) {
                s.reset();
                exec("COMMIT");
                return CatalogueError::Damaged;
            }
            if (!each(volume, root + path.toByteArray(), b)) {
                s.reset();
                exec("COMMIT");
                return CatalogueError::Damaged;
            }
        }
        s.reset();
        if (rc != SQLITE_DONE) {
            exec("COMMIT");
            return fromSqlite(rc, CatalogueError::Damaged);
        }
    }
    exec("COMMIT");
    return CatalogueError::None;
}

CatalogueError Catalogue::readVolume(qint64 id, EntryTable &table)
{
    if (!m_db)
        return CatalogueError::CannotOpen;
    bool found = false;
    {
        Statement s(m_db, "SELECT 1 FROM volume WHERE id = ?1");
        s.bind(1, id);
        found = s.ok() && s.step() == SQLITE_ROW;
    }
    if (!found)
        return CatalogueError::NoSuchVolume;
    return readBlocks({id}, neverCancel(), [&table](qint64, const QByteArray &dirBytes, Block &b) {
        if (!b.load())
            return false;
        const QString directory = decodeName(dirBytes.constData(), dirBytes.size());
        qsizetype at = 0;
        for (qint64 i = 0; i < b.count; ++i) {
            const qsizetype end = b.names.indexOf('\0', at);
            const QByteArrayView name = b.names.sliced(at, end - at);
            at = end + 1;
            if (!soundName(name))
                return false;
            const FileStamp stamp{getLe(b.stamps.data() + 16 * i), getLe(b.stamps.data() + 16 * i + 8)};
            if (stamp.size < 0)
                return false;
            const AppendResult r = table.AppendEntry(directory, decodeName(name.data(), name.size()),
                                                     [&stamp](FileStamp &s) {
                                                         s = stamp;
                                                         return true;
                                                     });
            if (r == AppendResult::Added && !b.digests.isEmpty()) {
                const QByteArray digest = b.digests.sliced(32 * i, 32).toByteArray();
                if (digest.count('\0') != 32)
                    table.SetDigest(table.EntryCount(), digest);
            }
        }
        return true;
    });
}

CatalogueResult Catalogue::search(const CatalogueQuery &query, const std::atomic<bool> &cancel)
{
    CatalogueResult result;
    const QByteArray pattern = keyBytes(foldedName(query.text));
    const bool wildcard = pattern.contains('*') || pattern.contains('?');
    const bool bounded = query.minSize > 0 || query.maxSize != std::numeric_limits<qint64>::max()
                         || query.from != std::numeric_limits<qint64>::min()
                         || query.to != std::numeric_limits<qint64>::max();
    const std::boyer_moore_horspool_searcher searcher(pattern.begin(), pattern.end());

    result.error = readBlocks(query.volumes, cancel, [&](qint64 volume, const QByteArray &dirBytes, Block &b) {
        const char *keys = b.keys.data();
        const char *keysEnd = keys + b.keys.size();
        const char *names = nullptr;
        qint64 nameIndex = 0; // the name `names` points at
        QString directory;
        const auto take = [&](qint64 i) {
            if (!b.loaded) {
                if (!b.load())
                    return false;
                names = b.names.data();
            }
            const qint64 size = getLe(b.stamps.data() + 16 * i);
            const qint64 time = getLe(b.stamps.data() + 16 * i + 8);
            if (bounded && (size < query.minSize || size > query.maxSize || time < query.from || time > query.to))
                return true;
            ++result.count;
            if (qint64(result.hits.size()) >= query.limit)
                return true;
            while (nameIndex < i) {
                names += std::strlen(names) + 1;
                ++nameIndex;
            }
            const QByteArrayView name(names, qsizetype(std::strlen(names)));
            if (!soundName(name))
                return false;
            if (directory.isEmpty())
                directory = decodeName(dirBytes.constData(), dirBytes.size());
            CatalogueHit hit;
            hit.volume = volume;
            hit.fileName = decodeName(name.data(), name.size());
            hit.directory = directory;
            hit.size = size;
            hit.modified = time;
            if (!b.digests.isEmpty()) {
                const QByteArray digest = b.digests.sliced(32 * i, 32).toByteArray();
                if (digest.count('\0') != 32)
                    hit.sha256 = digest;
            }
            result.hits.push_back(std::move(hit));
            return true;
        };
        if (pattern.isEmpty() || wildcard) {
            const char *key = keys;
            for (qint64 i = 0; i < b.count; ++i) {
                const char *end = key + std::strlen(key);
                if ((pattern.isEmpty() || globMatch(pattern.begin(), pattern.end(), key, end)) && !take(i))
                    return false;
                key = end + 1;
            }
            return true;
        }
        // Part of a name: one scan over the block's keys; a match is counted
        // once, for the key it lies in.
        const char *at = keys;
        const char *key = keys;
        qint64 i = 0;
        while (at < keysEnd) {
            const char *found = std::search(at, keysEnd, searcher);
            if (found == keysEnd)
                break;
            // The key the match starts in; a match that spans a NUL cannot
            // happen, the pattern holding none.
            for (;;) {
                const char *end = static_cast<const char *>(std::memchr(key, '\0', size_t(keysEnd - key)));
                if (found < end) {
                    if (!take(i))
                        return false;
                    key = end + 1;
                    ++i;
                    break;
                }
                key = end + 1;
                ++i;
            }
            at = key;
        }
        return true;
    });
    if (result.error != CatalogueError::None)
        result.hits.clear();
    return result;
}

} // namespace qn
