#pragma once

#include <QFont>

namespace qn {

// "ＭＳ Ｐゴシック", the Japanese proportional gothic the windows were laid out
// for. Where it is missing a Japanese gothic of the system stands in for it
// (installed once, before the first window).
void installFontSubstitutes();
QFont japaneseGothic(qreal points);

} // namespace qn
