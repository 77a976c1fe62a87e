#include "settings/Settings.h"

#include "platform/FileSystem.h"
#include "platform/Volumes.h"

#include <QDir>
#include <QStandardPaths>

namespace qn {

QString defaultListDirectory()
{
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty())
        documents = QDir::homePath();
    documents = QDir::fromNativeSeparators(documents);
    while (documents.size() > 1 && documents.endsWith(QLatin1Char('/')))
        documents.chop(1);
    return documents;
}

QString defaultDriveDesignation()
{
    return volumeOf(defaultListDirectory()).designation;
}

Settings defaultSettings()
{
    Settings s;
    s.SaveDirectory = withTrailingSeparator(defaultListDirectory());
    s.SaveFileName = QStringLiteral("list.txt");
    s.SizeUnit = 3;
    s.SettingsSaveOption = 1;
    s.LastGoodDrive = defaultDriveDesignation();
    return s;
}

QString withTrailingSeparator(const QString &directory)
{
    if (!directory.isEmpty() && isDirSeparator(directory.back()))
        return directory;
    return directory + QLatin1Char('/');
}

} // namespace qn
