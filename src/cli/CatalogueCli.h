#pragma once

#include <QByteArray>
#include <QString>

namespace qn {

class EntryTable;

// The command line's catalogue commands. `escape` makes a name safe for the
// terminal, as the rest of the output is. The result is the exit status:
// 0 done, 1 nothing found or the catalogue could not be written, 2 a
// catalogue that cannot be read or a usage error.
using Escape = QByteArray (*)(const QByteArray &);

// --find PATTERN [--volume NAME]: "volume<TAB>path" for each match.
int findInCatalogue(const QString &catalogue, const QString &pattern, const QString &volume, Escape escape);
// --volumes: "name<TAB>entries<TAB>bytes<TAB>date" for each volume.
int listCatalogueVolumes(const QString &catalogue, Escape escape);
// --add-volume NAME: the table stored as that volume, replacing one of that
// name (said on standard error).
int addToCatalogue(const QString &catalogue, const QString &volume, const EntryTable &table, Escape escape);

} // namespace qn
