#pragma once

#include <QString>

class QWidget;

namespace qn {

class EntryTable;
struct Services;
struct Settings;

// The list as one HTML page, to a file the user names (リスト.html in
// SaveDirectory to begin with). The page is made and written behind the
// progress window; Cancel leaves no file and the old one, if any, as it was.
void SaveHtmlFile(QWidget *parent, const EntryTable &table, const Settings &settings, const Services &services,
                  const QString &title);

// The menu item.
QString saveHtmlCaption();

} // namespace qn
