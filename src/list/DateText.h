#pragma once

#include <QString>

namespace qn {

// The locale's short date, one blank and the time as H:mm:ss; the date alone
// at exactly midnight. Under the C locale the date reads yyyy/MM/dd.
QString DateText(qint64 secondsSinceEpoch);

} // namespace qn
