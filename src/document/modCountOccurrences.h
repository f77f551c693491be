#pragma once

#include <QString>

namespace modCountOccurrences {
/// Occurrences of pattern in text, case-sensitive, overlapping ones included ("aa" occurs
/// twice in "aaa").
qint32 CountOccurrences(const QString& text, const QString& pattern);
} // namespace modCountOccurrences
