#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

struct sqlite3;

namespace qn {

class EntryTable;
struct Block;

// Why a catalogue could not be opened, read or written. The window and the
// command line each say it in their own words.
enum class CatalogueError {
    None,
    CannotOpen,   // missing folder, no permission
    NotCatalogue, // some other file, or a database of another program
    Newer,        // made by a later version of the program
    Damaged,      // truncated or with rows that cannot be right
    CannotWrite,  // full disk, read-only file: nothing was changed
    NoSuchVolume,
    Cancelled,
};

struct VolumeInfo {
    qint64 id = 0;
    QString name;
    qint64 entries = 0;
    qint64 bytes = 0;
    qint64 catalogued = 0; // seconds since the epoch
    QString root;          // the folder the directories are relative to, ending in '/'
    QString label;
    QString serial;
    QStringList scope;     // the folders the list's adds came from
};

// What a volume is stored with, beside its entries.
struct VolumeSource {
    QString label;
    QString serial;
    QStringList scope;
    qint64 catalogued = 0; // 0: now
};

// A search: part of a name (or a pattern with * and ?), matched without
// regard to case or full- and half-width forms; an empty text matches every
// name. Size and time bounds are inclusive.
struct CatalogueQuery {
    QString text;
    std::vector<qint64> volumes; // empty: every volume
    qint64 minSize = 0;
    qint64 maxSize = std::numeric_limits<qint64>::max();
    qint64 from = std::numeric_limits<qint64>::min();
    qint64 to = std::numeric_limits<qint64>::max();
    qint64 limit = 10000; // rows kept; every match is counted
};

struct CatalogueHit {
    qint64 volume = 0;
    QString fileName;
    QString directory; // absolute as recorded, ending in '/'
    qint64 size = 0;
    qint64 modified = 0;
    QByteArray sha256;
};

struct CatalogueResult {
    CatalogueError error = CatalogueError::None;
    qint64 count = 0; // every match, kept or not
    std::vector<CatalogueHit> hits;
};

// The folded form names are searched by: NFKC, then case-folded.
QString foldedName(const QString &name);
// The deepest folder every entry of the table lies in ('/' ended); empty for
// an empty table.
QString commonFolder(const EntryTable &table);
// The label of the volume that holds folder, where the platform gives one.
QString volumeLabel(const QString &folder);
// The folders the list was made from, kept with a volume.
QStringList listScope(const EntryTable &table);

// One SQLite file holding many volumes. Every change is one transaction:
// after a crash or a failed write the file is as it was before. Not shared
// between threads: a search on another thread opens its own.
class Catalogue {
public:
    Catalogue() = default;
    ~Catalogue();
    Catalogue(const Catalogue &) = delete;
    Catalogue &operator=(const Catalogue &) = delete;

    // Opens (create: makes it when missing) the catalogue at path. A file
    // that cannot be written is opened read-only, as it is.
    CatalogueError open(const QString &path, bool create);
    bool isOpen() const { return m_db != nullptr; }
    bool isReadOnly() const { return m_readOnly; }
    QString path() const { return m_path; }
    void close();

    CatalogueError volumes(std::vector<VolumeInfo> &out);
    // The volume of that name, or id 0.
    qint64 findVolume(const QString &name);
    // Stores the table as the volume `name`, replacing one of that name.
    CatalogueError addVolume(const QString &name, const EntryTable &table, const VolumeSource &source,
                             const std::atomic<bool> &cancel = neverCancel());
    CatalogueError removeVolume(qint64 id);
    CatalogueError renameVolume(qint64 id, const QString &name);
    // The folder the volume's directories now lie under ('/'-ended): a disk
    // mounted elsewhere is searched and opened at its new place.
    CatalogueError moveVolume(qint64 id, const QString &root);
    // The volume's entries, as recorded, appended to table.
    CatalogueError readVolume(qint64 id, EntryTable &table);
    CatalogueResult search(const CatalogueQuery &query, const std::atomic<bool> &cancel = neverCancel());

    static const std::atomic<bool> &neverCancel();
    static constexpr int SchemaVersion = 1;

private:
    CatalogueError prepareSchema(bool writable);
    bool exec(const char *sql);
    CatalogueError readBlocks(const std::vector<qint64> &volumes, const std::atomic<bool> &cancel,
                              const std::function<bool(qint64 volume, const QByteArray &dir, Block &)> &each);

    sqlite3 *m_db = nullptr;
    bool m_readOnly = false;
    QString m_path;
};

} // namespace qn
