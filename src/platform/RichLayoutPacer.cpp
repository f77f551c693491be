#include "platform/RichLayoutPacer.h"

#include "platform/DocumentFiles.h"
#include "platform/StepsWithProgress.h"

#include <QAbstractEventDispatcher>
#include <QAbstractTextDocumentLayout>
#include <QElapsedTimer>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimerEvent>
#include <algorithm>

namespace platform {

namespace {
// The document layout's own idle step comes every 10 ms; no other timer of it has that interval.
constexpr int kLayoutStepIntervalMs = 10;
// Behind the view, the window gets its events back after this much layout.
constexpr qint64 kSliceMs = 8;
// After an edit the layout behind the view waits this long, so that typing goes first.
constexpr int kRestAfterEditMs = 60;
// A change of this many characters or more (an undone Select All and key, a pasted table) is laid
// out behind the view too: Qt lays out the whole of a change at once, seconds for a long table.
constexpr int kBigChange = 20000;
// How far one step reaches: the layout itself stops only between paragraphs and tables, some
// screens further on, so a step is that or one long paragraph, whichever is more.
constexpr int kStepChars = 2000;
} // namespace

RichLayoutPacer::RichLayoutPacer(QTextDocument& doc, QObject* parent)
    : QObject(parent), doc_(&doc), layout_(doc.documentLayout()), pageSize_(doc.pageSize()),
      font_(doc.defaultFont())
{
    layout_->installEventFilter(this);
    connect(&doc, &QTextDocument::contentsChange, this, [this](int from, int removed, int added) {
        laidOut_ = std::min(laidOut_, from);
        const int changed = std::max(removed, added);
        if (changed >= kBigChange && from < changed && !doc_->pageSize().isNull()) {
            // The document tells of a change before its layout hears of it: laid out again from
            // its start, lazily, the layout then reaches only a screen past the change at once.
            doc_->setPageSize(doc_->pageSize());
            laidOut_ = 0;
        }
        resting_ = true;
        tick_.start(kRestAfterEditMs, this);
    });
    if (layoutPending())
        tick_.start(0, this);
}

int RichLayoutPacer::end() const
{
    return doc_ ? doc_->characterCount() : 0;
}

int RichLayoutPacer::layoutStepTimer() const
{
    const auto* dispatcher = layout_ ? QAbstractEventDispatcher::instance(layout_->thread()) : nullptr;
    if (!dispatcher)
        return 0;
    for (const QAbstractEventDispatcher::TimerInfo& t : dispatcher->registeredTimers(layout_)) {
        if (t.interval == kLayoutStepIntervalMs)
            return t.timerId;
    }
    return 0;
}

bool RichLayoutPacer::layoutPending() const
{
    return layoutStepTimer() != 0;
}

void RichLayoutPacer::noticeChanges()
{
    if (!doc_)
        return;
    // A new width or font lays the whole document out again from its start.
    if (doc_->pageSize() != pageSize_ || doc_->defaultFont() != font_) {
        pageSize_ = doc_->pageSize();
        font_ = doc_->defaultFont();
        laidOut_ = 0;
    }
    // So do a zoom, new tab stops and the like, which take every paragraph's lines away: a step
    // from a place whose lines are gone would lay out everything up to it at once.
    if (laidOut_ > 0) {
        const QTextBlock last = doc_->findBlock(std::min(laidOut_, end()) - 1);
        if (last.isValid() && last.isVisible() && last.layout()->lineCount() == 0)
            laidOut_ = 0;
    }
}

bool RichLayoutPacer::isLaidOutTo(int position)
{
    noticeChanges();
    if (!layoutPending()) {
        laidOut_ = end();
        return true;
    }
    return laidOut_ > std::min(position, end() - 1);
}

void RichLayoutPacer::stepOnce()
{
    const int last = end() - 1;
    const QTextBlock block = doc_->findBlock(std::min(laidOut_ + kStepChars, last));
    layout_->blockBoundingRect(block); // lays out every line up to the block's end
    laidOut_ = std::min(end(), std::max(laidOut_ + 1, block.position() + block.length()));
}

bool RichLayoutPacer::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != layout_ || event->type() != QEvent::Timer)
        return false;
    const int id = static_cast<QTimerEvent*>(event)->timerId();
    if (id != ownTimerId_) {
        if (id != layoutStepTimer())
            return false; // its size reports pass
        ownTimerId_ = id;
    }
    if (!tick_.isActive())
        tick_.start(0, this);
    return true;
}

void RichLayoutPacer::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != tick_.timerId()) {
        QObject::timerEvent(event);
        return;
    }
    if (!doc_ || !layout_ || isLaidOutTo(end())) {
        tick_.stop();
        return;
    }
    if (resting_) {
        resting_ = false;
        tick_.start(0, this);
    }
    QElapsedTimer clock;
    clock.start();
    do {
        stepOnce();
    } while (laidOut_ < end() && clock.elapsed() < kSliceMs);
}

bool RichLayoutPacer::layOutTo(int position, QWidget* parent, const QString& label)
{
    if (!doc_ || !layout_ || isLaidOutTo(position))
        return true;
    const int from = laidOut_;
    const int span = std::max(1, std::min(position, end()) - from);
    return runStepsWithProgress(
        parent, label,
        [&](int& permille) {
            // Slices as short as the layout's behind the view: with a progress window's usual
            // step, a table part and a repaint held the window up to 95 ms.
            StepBudget budget;
            QElapsedTimer slice;
            slice.start();
            while (!isLaidOutTo(position) && budget.more() && slice.elapsed() < kSliceMs)
                stepOnce();
            permille = int(qint64(laidOut_ - from) * 1000 / span);
            return !isLaidOutTo(position);
        },
        momentMs());
}

} // namespace platform
