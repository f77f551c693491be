#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace platform {

/// The system clock and the user's regional formats for dates and times.
class Clock {
public:
    virtual ~Clock() = default;
    /// The local date and time, read once.
    virtual QDateTime now() const = 0;
    /// The date in the user's short date format (19/06/2003, 6/19/03, ...), without a time.
    virtual QString dateText(const QDate& date) const = 0;
    /// The time of day in the user's time format with hours, minutes and seconds (15:04:05,
    /// 3:04:05 PM, ...), without a date and without a time zone.
    virtual QString timeText(const QTime& time) const = 0;
};

/// The real clock, with the formats of a locale (the user's own by default).
class SystemClock final : public Clock {
public:
    explicit SystemClock(const QLocale& locale = QLocale::system());
    QDateTime now() const override;
    QString dateText(const QDate& date) const override;
    QString timeText(const QTime& time) const override;

private:
    QLocale locale_;
    QString timeFormat_;
};

/// The locale's full time format (hours, minutes, seconds) with its time-zone field and the
/// brackets and separators around that field removed.
QString timeFormatWithSeconds(const QLocale& locale);

} // namespace platform
