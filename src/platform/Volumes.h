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

} // namespace qn
