#pragma once

#include "platform/Volumes.h"

#include <QComboBox>
#include <QHash>
#include <functional>

namespace qn {

// Drive1: the mounted volumes. Each volume remembers the last directory shown
// on it during the run, at first its root.
class DriveBox : public QComboBox {
    Q_OBJECT
public:
    explicit DriveBox(QWidget *parent = nullptr);

    // Where the volumes come from; the mounted ones unless a test says otherwise.
    void setVolumeSource(std::function<QList<Volume>()> source);
    // Re-reads the volumes, keeping the selection where it can.
    void refreshVolumes();
    QString drive() const;
    // Selects the volume named by designation; false when no such volume is
    // mounted or it cannot be used. A change emits driveChanged at once.
    bool setDrive(const QString &designation);
    // The current directory of the volume named by designation.
    QString currentDirectoryOf(const QString &designation) const;
    // directory becomes the current one of its volume; returns that volume's
    // designation (empty when no listed volume holds it).
    QString rememberDirectory(const QString &directory);
    // Shows the volume of designation without raising driveChanged.
    void showDrive(const QString &designation);

    // The list is read anew each time it opens, so a volume mounted since shows up.
    void showPopup() override;

signals:
    void driveChanged();

private:
    int indexOfRoot(const QString &root) const;
    QHash<QString, QString> m_currentDirectory; // volume root -> directory
    std::function<QList<Volume>()> m_volumes = mountedVolumes;
};

} // namespace qn
