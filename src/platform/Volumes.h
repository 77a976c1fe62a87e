#pragma once

#include <QList>
#include <QString>

namespace qn {

// A volume as the drive selector shows it. Without drive letters the
// designation is the mount path, followed by " [LABEL]" when it has a label.
struct Volume {
    QString root;        // ends in "/"
    QString designation;
};

QList<Volume> mountedVolumes();

// The volume that holds path, in the same form.
Volume volumeOf(const QString &path);

// The root named by a designation: the text before " [".
QString rootOfDesignation(const QString &designation);

// Whether two roots name the same volume (drive letters ignore case).
bool sameVolumeRoot(const QString &a, const QString &b);

// A volume can be used when its root is a readable directory.
bool isVolumeUsable(const QString &root);

// The serial number of the volume that holds path, as the platform's own
// tools show it: "1A2B-3C4D" (what `vol` prints) on Windows, the file
// system's UUID on Linux. Empty where the platform gives none.
QString volumeSerial(const QString &path);

} // namespace qn
