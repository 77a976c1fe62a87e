#include "ui/Fonts.h"

#include <QStringList>

namespace qn {

namespace {
const QString GothicName = QStringLiteral("ＭＳ Ｐゴシック");
}

void installFontSubstitutes()
{
    const QStringList substitutes = {QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic"),
                                     QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans CJK JP")};
    QFont::insertSubstitutions(GothicName, substitutes);
}

QFont japaneseGothic(qreal points)
{
    QFont font(GothicName);
    font.setPointSizeF(points);
    return font;
}

} // namespace qn
