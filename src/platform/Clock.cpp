#include "platform/Clock.h"

namespace platform {

namespace {

bool hasField(const QString& format, QChar field)
{
    bool quoted = false;
    for (const QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        else if (!quoted && c == field)
            return true;
    }
    return false;
}

bool isSeparator(QChar c)
{
    return c.isSpace() || c == u',';
}

} // namespace

QString timeFormatWithSeconds(const QLocale& locale)
{
    const QString long_ = locale.timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < long_.size(); ++i) {
        const QChar c = long_.at(i);
        if (c == u'\'') {
            quoted = !quoted;
        } else if (!quoted && c == u't') {
            while (i + 1 < long_.size() && long_.at(i + 1) == u't')
                ++i;
            // "(t)" and "[t]" go as a whole.
            const bool open = !out.isEmpty() && (out.back() == u'(' || out.back() == u'[');
            const bool close = i + 1 < long_.size() && (long_.at(i + 1) == u')' || long_.at(i + 1) == u']');
            if (open && close) {
                out.chop(1);
                ++i;
            }
            // One blank stays between what came before and what follows.
            while (i + 1 < long_.size() && !out.isEmpty() && out.back().isSpace() && long_.at(i + 1).isSpace())
                ++i;
            continue;
        }
        out += c;
    }
    qsizetype from = 0, to = out.size();
    while (from < to && isSeparator(out.at(from)))
        ++from;
    while (to > from && isSeparator(out.at(to - 1)))
        --to;
    out = out.mid(from, to - from);
    if (!hasField(out, u's') || !hasField(out, u'm'))
        return QStringLiteral("HH:mm:ss");
    return out;
}

SystemClock::SystemClock(const QLocale& locale)
    : locale_(locale), timeFormat_(timeFormatWithSeconds(locale))
{
}

QDateTime SystemClock::now() const
{
    return QDateTime::currentDateTime();
}

QString SystemClock::dateText(const QDate& date) const
{
    return locale_.toString(date, QLocale::ShortFormat);
}

QString SystemClock::timeText(const QTime& time) const
{
    return locale_.toString(time, timeFormat_);
}

} // namespace platform
