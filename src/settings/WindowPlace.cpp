#include "settings/WindowPlace.h"

#include <algorithm>

namespace qn {

RestoredPlace restoredPlace(const QRect &kept, const QSize &minimum, const QList<ScreenArea> &screens,
                            const ScreenArea &primary)
{
    RestoredPlace place;
    place.geometry = kept;
    place.geometry.setSize(kept.size().expandedTo(minimum));
    // Where the title bar would be.
    const QPoint titleBar(kept.left() + std::min(kept.width(), 200) / 2, kept.top());
    const auto screen = std::find_if(screens.cbegin(), screens.cend(),
                                     [&titleBar](const ScreenArea &s) { return s.geometry.contains(titleBar); });
    const QRect room = screen != screens.cend() ? screen->available : primary.available;
    place.placed = screen != screens.cend();
    place.geometry.setSize(place.geometry.size().boundedTo(room.size()).expandedTo(minimum));
    return place;
}

} // namespace qn
