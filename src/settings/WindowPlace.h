#pragma once

#include <QList>
#include <QRect>
#include <QSize>

namespace qn {

// A screen as the window's place is judged against it.
struct ScreenArea {
    QRect geometry;
    QRect available; // without the panels and docks
};

// Where a window kept at `kept` comes back: on a screen still under its
// title bar, at its place, no larger than that screen leaves room for;
// otherwise (placed false) at the default place with its size, bounded by
// the primary screen. Never smaller than `minimum`.
struct RestoredPlace {
    QRect geometry;
    bool placed = false;
};
RestoredPlace restoredPlace(const QRect &kept, const QSize &minimum, const QList<ScreenArea> &screens,
                            const ScreenArea &primary);

} // namespace qn
