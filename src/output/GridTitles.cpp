#include "output/GridTitles.h"

namespace qn {

QString unitLabel(int unit)
{
    switch (unit) {
    case 0:
        return QStringLiteral("(B)");
    case 1:
        return QStringLiteral("(KB)");
    case 2:
        return QStringLiteral("(KB,MB)");
    case 3:
        return QStringLiteral("(Mixed)");
    default:
        return QString();
    }
}

QString columnTitle(Column column, int unit)
{
    switch (column) {
    case NameCol:
        return QStringLiteral("ファイル名");
    case SizeCol:
        return QStringLiteral("バイト ") + unitLabel(unit);
    case DateCol:
        return QStringLiteral("更新日");
    case DirCol:
        return QStringLiteral("パス");
    case ColCount:
        break;
    }
    return QString();
}

QString gridColumnTitle(int column, int unit)
{
    switch (column) {
    case StateCol:
        return QStringLiteral("照合");
    case DigestCol:
        return QStringLiteral("SHA-256");
    case FoundSizeCol:
        return QStringLiteral("現在のバイト数");
    case FoundDateCol:
        return QStringLiteral("現在の更新日時");
    default:
        return column >= 0 && column < ColCount ? columnTitle(Column(column), unit) : QString();
    }
}

} // namespace qn
