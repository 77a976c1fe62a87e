#include "ui/DriveBox.h"

#include <QSignalBlocker>

namespace qn {

namespace {
constexpr int RootRole = Qt::UserRole;
}

DriveBox::DriveBox(QWidget *parent)
    : QComboBox(parent)
{
    refreshVolumes();
    connect(this, &QComboBox::currentIndexChanged, this, [this] { emit driveChanged(); });
}

void DriveBox::setVolumeSource(std::function<QList<Volume>()> source)
{
    m_volumes = std::move(source);
    refreshVolumes();
}

void DriveBox::refreshVolumes()
{
    const QSignalBlocker block(this);
    const QString selected = currentData(RootRole).toString();
    clear();
    for (const Volume &v : m_volumes())
        addItem(v.designation, v.root);
    // A selected volume that has gone leaves nothing selected, so that
    // picking any volume, the first one included, is a drive change.
    const int keep = indexOfRoot(selected);
    setCurrentIndex(keep >= 0 || !selected.isEmpty() ? keep : (count() > 0 ? 0 : -1));
}

void DriveBox::showPopup()
{
    refreshVolumes();
    QComboBox::showPopup();
}

int DriveBox::indexOfRoot(const QString &root) const
{
    for (int i = 0; i < count(); ++i) {
        if (sameVolumeRoot(itemData(i, RootRole).toString(), root))
            return i;
    }
    return -1;
}

QString DriveBox::drive() const
{
    return currentText();
}

bool DriveBox::setDrive(const QString &designation)
{
    const QString root = rootOfDesignation(designation);
    int index = indexOfRoot(root);
    if (index < 0) {
        refreshVolumes(); // it may have been mounted since the list was read
        index = indexOfRoot(root);
    }
    if (index < 0 || !isVolumeUsable(root))
        return false;
    setCurrentIndex(index);
    return true;
}

QString DriveBox::currentDirectoryOf(const QString &designation) const
{
    const QString root = rootOfDesignation(designation);
    return m_currentDirectory.value(root, root);
}

QString DriveBox::rememberDirectory(const QString &directory)
{
    // The volume is the listed root that holds directory most closely.
    int best = -1;
    qsizetype bestLength = -1;
    const QString withSlash = directory.endsWith(QLatin1Char('/')) ? directory : directory + QLatin1Char('/');
    for (int i = 0; i < count(); ++i) {
        const QString root = itemData(i, RootRole).toString();
        if (withSlash.startsWith(root) && root.size() > bestLength) {
            best = i;
            bestLength = root.size();
        }
    }
    if (best < 0)
        return QString();
    m_currentDirectory.insert(itemData(best, RootRole).toString(), directory);
    return itemText(best);
}

void DriveBox::showDrive(const QString &designation)
{
    const int index = indexOfRoot(rootOfDesignation(designation));
    if (index >= 0 && index != currentIndex()) {
        const QSignalBlocker block(this);
        setCurrentIndex(index);
    }
}

} // namespace qn
