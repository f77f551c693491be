#include "find/MatchStatus.h"

#include "app/Host.h"
#include "document/frmDocument.h"

#include <QThread>

MatchStatus::MatchStatus(Host& host, QObject* parent) : QObject(parent), host_(host) {}

MatchStatus::~MatchStatus()
{
    stop();
    // A thread still running holds only its snapshot and flags, but it must end before its
    // QThread goes.
    for (QThread* thread : findChildren<QThread*>(Qt::FindDirectChildrenOnly))
        thread->wait();
}

bool MatchStatus::counting() const
{
    return worker_ != nullptr;
}

void MatchStatus::stop()
{
    if (stop_)
        stop_->store(true);
    stop_.reset();
    worker_ = nullptr;
}

void MatchStatus::notFound()
{
    stop();
    last_ = Search();
}

void MatchStatus::found(platform::RichTextBox& box, const QString& text, int options, qsizetype from, qsizetype at)
{
    stop();
    Search s{&box, text, options, box.textSerial(), at, 0};
    // The match's number follows from the search before while the text stays as it was: Next
    // and F3 go on one character after the last match, so they find the one after it.
    if (from == 0)
        s.number = 1;
    else if (last_.box == &box && last_.text == text && last_.options == options && last_.serial == s.serial
             && last_.number > 0 && from == last_.at + 1)
        s.number = last_.number + 1;
    auto counter = box.matchCounter(text, options, at);
    if (box.isRichView() || box.TextLength() <= kCountAtOnce) {
        const std::atomic_bool never{false};
        const platform::RichTextBox::MatchTally tally = counter(never);
        s.number = tally.before + 1;
        last_ = s;
        show(s, tally.total);
        return;
    }
    last_ = s;
    show(s, 0);
    auto flag = std::make_shared<std::atomic_bool>(false);
    auto result = std::make_shared<platform::RichTextBox::MatchTally>();
    QThread* thread = QThread::create([counter = std::move(counter), flag, result] { *result = counter(*flag); });
    thread->setParent(this);
    stop_ = flag;
    worker_ = thread;
    connect(thread, &QThread::finished, this, [this, thread, flag, result, s]() mutable {
        thread->deleteLater();
        if (worker_ == thread)
            worker_ = nullptr;
        if (flag->load() || !stillHolds(s))
            return;
        s.number = result->before + 1;
        last_.number = s.number;
        show(s, result->total);
    });
    thread->start(QThread::LowPriority);
}

bool MatchStatus::stillHolds(const Search& s) const
{
    const frmDocument* active = host_.ActiveForm();
    return s.box && active && active->rtfText == s.box && s.box->textSerial() == s.serial
           && last_.box == s.box && last_.at == s.at
           && last_.text == s.text && last_.options == s.options && s.box->SelStart() == s.at
           && s.box->SelLength() == s.text.size();
}

void MatchStatus::show(const Search& s, qsizetype total)
{
    if (s.number <= 0)
        return; // the count will tell
    if (total > 0)
        host_.setStatusText(QStringLiteral("Match %1 of %2").arg(s.number).arg(total));
    else
        host_.setStatusText(QStringLiteral("Match %1").arg(s.number));
}
