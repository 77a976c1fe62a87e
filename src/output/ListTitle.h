#pragma once

#include <QString>

namespace qn {

// The title of a list that has no file of its own yet, as pages, workbooks
// and printouts show it.
inline QString defaultListTitle()
{
    return QStringLiteral("リスト");
}

} // namespace qn
