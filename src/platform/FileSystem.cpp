#include "platform/FileSystem.h"

namespace qn {

bool inListOrder(QStringView a, QStringView b)
{
    const int c = a.compare(b, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a < b;
}

} // namespace qn
