#pragma once

#include "platform/text/TextStore.h"

#include <QString>
#include <QStringView>
#include <atomic>
#include <functional>

namespace platform {

/// What a search of a plain document looks for, and the one place that decides what a match
/// is, so that Find, the marks of the view and the count of matches never disagree: with
/// matchCase the case must agree; with wholeWord no letter or digit stands on either side; and
/// when the text holds a space, a no-break space of the document matches it (as in a rich
/// document). Matches may overlap ("aa" occurs three times in "aaaa"), as Find / Next visits them.
class TextMatcher {
public:
    TextMatcher() = default;
    TextMatcher(QString text, bool matchCase, bool wholeWord);

    const QString& text() const { return text_; }
    qsizetype length() const { return text_.size(); }
    bool isEmpty() const { return text_.isEmpty(); }

    /// Calls found with the offset of each match that starts in [from, to), in order, until it
    /// returns false. chunk is the document's text from chunkStart on; it must hold the
    /// character before from (when there is one) and every character up to to - 1 + length(),
    /// and the one after that (when there is one), so that the whole-word test sees what the
    /// document has beside a match.
    void forEach(QStringView chunk, qsizetype chunkStart, qsizetype from, qsizetype to,
                 const std::function<bool(qsizetype)>& found) const;

    /// The matches that show any of [from, to) of the store, as (offset, length).
    std::vector<std::pair<qsizetype, qsizetype>> within(const TextStore& store, qsizetype from, qsizetype to) const;

    /// The matches of a whole snapshot: how many there are, and how many start before `at`.
    /// Stops early, with what it has, when stop is set (the count is no longer wanted).
    struct Tally {
        qsizetype before = 0;
        qsizetype total = 0;
    };
    Tally count(const TextStore::Snapshot& snapshot, qsizetype at, const std::atomic_bool& stop) const;

private:
    QString text_;
    Qt::CaseSensitivity cs_ = Qt::CaseInsensitive;
    bool wholeWord_ = false;
    bool spaces_ = false;
};

} // namespace platform
