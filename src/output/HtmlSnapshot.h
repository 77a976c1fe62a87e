#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

namespace qn {

class EntryTable;

struct HtmlSnapshotOptions {
    QString title;        // the list's name, shown at the top and as the page title; リスト when empty
    int sizeUnit = 3;     // the unit sizes are shown in, as in the program
    qint64 madeAt = 0;    // seconds since the epoch
};

// The list as one self-contained HTML page for any browser: a folder tree
// with each folder's totals, the files of the chosen folder, sorting and a
// search over every name. It loads nothing from anywhere (its
// Content-Security-Policy says so) and needs no other file.
//
// The data is compact for lists of a million files: each directory once,
// names grouped by directory in blocks the page reads after drawing the
// tree, sizes as numbers and times as differences. Names are data inside
// JSON blocks that the page shows as text only.
//
// keepGoing(entriesRead) is asked every few thousand entries while the table
// is read; false stops the work and the result is empty. The table is read
// only before keepGoing's last call. Empty too when the page's template is
// not in the program's resources.
QByteArray HtmlSnapshotText(const EntryTable &table, const HtmlSnapshotOptions &options,
                            const std::function<bool(int)> &keepGoing = {});

// The page's own texts, as the page shows them: key and text.
struct HtmlText {
    const char *key;
    QString text;
};
const std::vector<HtmlText> &htmlTexts();

// "%1 件": a search's result count, as the catalogue says it.
QString htmlResultCount(qint64 n);

} // namespace qn
