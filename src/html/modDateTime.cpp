#include "html/modDateTime.h"

#include "platform/Clock.h"

namespace modDateTime {

QString StampText(const platform::Clock& clock, Stamp which)
{
    const QDateTime now = clock.now();
    switch (which) {
    case Stamp::Date:
        return clock.dateText(now.date());
    case Stamp::Time:
        return clock.timeText(now.time());
    case Stamp::DateAndTime:
        break;
    }
    return clock.dateText(now.date()) + u' ' + clock.timeText(now.time());
}

} // namespace modDateTime
