#pragma once

#include "platform/RichTextBox.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <atomic>
#include <memory>

class Host;
class QThread;

/// "Match 3 of 12" in the status bar after each search that found something. A large plain
/// document is counted on a thread of its own over a snapshot of its text, the bar saying
/// "Match 3" until the count is known; a count that no longer holds when it ends (the document
/// was edited, another search began, the match is no longer selected, another document is
/// active) is dropped.
class MatchStatus : public QObject {
    Q_OBJECT
public:
    /// Plain documents up to this many characters are counted at once.
    static constexpr qsizetype kCountAtOnce = 256 * 1024;

    MatchStatus(Host& host, QObject* parent);
    /// Stops a count still running and waits for its thread.
    ~MatchStatus() override;

    /// A search that began at `from` found text at `at` in box, matched with these options.
    void found(platform::RichTextBox& box, const QString& text, int options, qsizetype from, qsizetype at);
    /// A search found nothing: a count still running is no longer wanted.
    void notFound();
    /// Whether a count runs on its thread.
    bool counting() const;

private:
    struct Search {
        QPointer<platform::RichTextBox> box;
        QString text;
        int options = 0;
        quint64 serial = 0;
        qsizetype at = -1;
        qsizetype number = 0; ///< of the match at `at`, from 1; 0: not known
    };
    void stop();
    void show(const Search& s, qsizetype total);
    bool stillHolds(const Search& s) const;

    Host& host_;
    Search last_;
    QThread* worker_ = nullptr;
    std::shared_ptr<std::atomic_bool> stop_;
};
