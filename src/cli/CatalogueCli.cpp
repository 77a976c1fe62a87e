#include "cli/CatalogueCli.h"

#include "catalogue/Catalogue.h"
#include "list/EntryTable.h"
#include "platform/FileSystem.h"
#include "platform/Volumes.h"

#include <QDateTime>
#include <QHash>

#include <cstdio>
#include <limits>

namespace qn {

namespace {

void say(const QByteArray &line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fputc('\n', stderr);
}

const char *why(CatalogueError e)
{
    switch (e) {
    case CatalogueError::CannotOpen:
        return "cannot be opened";
    case CatalogueError::NotCatalogue:
        return "not a catalogue";
    case CatalogueError::Newer:
        return "made by a newer version of quilnaver-list";
    case CatalogueError::Damaged:
        return "damaged";
    case CatalogueError::CannotWrite:
        return "cannot be written; it was left as it was";
    case CatalogueError::NoSuchVolume:
        return "holds no such volume";
    default:
        return "cannot be read";
    }
}

int problem(const QString &path, CatalogueError e, Escape escape)
{
    say("quilnaver-list: " + escape(encodeName(nativePath(path))) + ": " + why(e));
    return e == CatalogueError::CannotWrite ? 1 : 2;
}

bool out(const QByteArray &line)
{
    return std::fwrite(line.constData(), 1, size_t(line.size()), stdout) == size_t(line.size());
}

} // namespace

int findInCatalogue(const QString &path, const QString &pattern, const QString &volume, Escape escape)
{
    Catalogue catalogue;
    if (const CatalogueError e = catalogue.open(path, false); e != CatalogueError::None)
        return problem(path, e, escape);
    CatalogueQuery query;
    query.text = pattern;
    query.limit = std::numeric_limits<qint64>::max();
    std::vector<VolumeInfo> volumes;
    if (const CatalogueError e = catalogue.volumes(volumes); e != CatalogueError::None)
        return problem(path, e, escape);
    QHash<qint64, QByteArray> names;
    for (const VolumeInfo &v : volumes) {
        names.insert(v.id, escape(v.name.toUtf8()));
        if (!volume.isEmpty() && v.name == volume)
            query.volumes.push_back(v.id);
    }
    if (!volume.isEmpty() && query.volumes.empty()) {
        say("quilnaver-list: " + escape(encodeName(nativePath(path))) + ": no volume named " + escape(volume.toUtf8()));
        return 2;
    }
    const CatalogueResult result = catalogue.search(query);
    if (result.error != CatalogueError::None)
        return problem(path, result.error, escape);
    bool written = true;
    for (const CatalogueHit &hit : result.hits)
        written = out(names.value(hit.volume) + '\t' + escape(encodeName(nativePath(hit.directory + hit.fileName))) + '\n')
                  && written;
    if (std::fflush(stdout) != 0 || !written)
        return 1;
    return result.count > 0 ? 0 : 1;
}

int listCatalogueVolumes(const QString &path, Escape escape)
{
    Catalogue catalogue;
    if (const CatalogueError e = catalogue.open(path, false); e != CatalogueError::None)
        return problem(path, e, escape);
    std::vector<VolumeInfo> volumes;
    if (const CatalogueError e = catalogue.volumes(volumes); e != CatalogueError::None)
        return problem(path, e, escape);
    bool written = true;
    for (const VolumeInfo &v : volumes) {
        const QString when = QDateTime::fromSecsSinceEpoch(v.catalogued).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        written = out(escape(v.name.toUtf8()) + '\t' + QByteArray::number(v.entries) + '\t'
                      + QByteArray::number(v.bytes) + '\t' + when.toUtf8() + '\n')
                  && written;
    }
    return std::fflush(stdout) == 0 && written ? 0 : 1;
}

int addToCatalogue(const QString &path, const QString &volume, const EntryTable &table, Escape escape)
{
    if (volume.isEmpty()) {
        say("quilnaver-list: --add-volume needs a name");
        return 2;
    }
    Catalogue catalogue;
    if (const CatalogueError e = catalogue.open(path, true); e != CatalogueError::None)
        return problem(path, e, escape);
    const bool replacing = catalogue.findVolume(volume) != 0;
    VolumeSource source;
    source.scope = listScope(table);
    source.label = volumeLabel(commonFolder(table));
    source.serial = volumeSerial(commonFolder(table));
    if (const CatalogueError e = catalogue.addVolume(volume, table, source); e != CatalogueError::None)
        return problem(path, e, escape);
    if (replacing)
        say("quilnaver-list: replaced the volume " + escape(volume.toUtf8()));
    return 0;
}

} // namespace qn
