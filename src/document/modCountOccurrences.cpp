#include "document/modCountOccurrences.h"

namespace modCountOccurrences {

qint32 CountOccurrences(const QString& text, const QString& pattern)
{
    if (pattern.isEmpty())
        return 0;
    qint32 count = 0;
    qsizetype from = 0;
    while ((from = text.indexOf(pattern, from, Qt::CaseSensitive)) >= 0) {
        ++count;
        ++from; // the next search starts one after the last match's start
    }
    return count;
}

} // namespace modCountOccurrences
