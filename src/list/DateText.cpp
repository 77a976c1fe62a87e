#include "list/DateText.h"

#include <QDateTime>
#include <QLocale>
#include <QTimeZone>

namespace qn {

namespace {

QString shortDateFormat()
{
    const QLocale locale = QLocale::system();
    if (locale.language() == QLocale::C)
        return QStringLiteral("yyyy/MM/dd");
    return locale.dateFormat(QLocale::ShortFormat);
}

} // namespace

QString DateText(qint64 secondsSinceEpoch)
{
    static const QString dateFormat = shortDateFormat();
    static const QLocale locale = QLocale::system();
    const QDateTime when = QDateTime::fromSecsSinceEpoch(secondsSinceEpoch);
    const QString date = locale.toString(when.date(), dateFormat);
    const QTime time = when.time();
    if (time == QTime(0, 0))
        return date;
    return date + QLatin1Char(' ') + time.toString(QStringLiteral("H:mm:ss"));
}

} // namespace qn
