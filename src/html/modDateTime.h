#pragma once

#include <QString>

namespace platform {
class Clock;
}

/// The texts of the date and time commands.
namespace modDateTime {

enum class Stamp { Date, Time, DateAndTime };

/// The user's short date, the time with hours, minutes and seconds, or the date, one blank and
/// the time. The clock is read once, so date and time always belong together (also across
/// midnight).
QString StampText(const platform::Clock& clock, Stamp which);

} // namespace modDateTime
