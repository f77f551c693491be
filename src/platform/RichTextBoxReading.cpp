#include "platform/RichTextBoxParts.h"

// The editor control's reading of a big plain file beside the window: its first part is shown at
// once, the rest appended as it is read.

namespace platform {

using namespace richtextbox;

void RichTextBox::loadInBackground(const QString& path)
{
    FileStart start = readFileStart(path, backgroundReadSizes().headBytes);
    reading_.reset();
    unkept_.clear();
    userFormat_ = 0; // what the file holds is the file's, not a format given here
    vanishedWhileRead_ = false;
    partialRead_ = false;
    readProblem_.clear();
    readPath_ = path;
    readSize_ = start.size;
    {
        ProgramChange quiet(*this);
        plainFormat_ = start.format;
        usePlain(std::move(start.store));
    }
    plain_->setReadOnly(true);
    reading_ = std::make_unique<BackgroundRead>(
        path, start.restFrom, start.size, start.format.encoding,
        [this](std::shared_ptr<TextStore> part) {
            if (!plain_)
                return;
            ++textSerial_;
            plain_->appendRead(std::move(*part));
            goToPendingLine(false);
            Q_EMIT readingProgressed();
        },
        [this](RestRead how, const QString& problem, std::shared_ptr<TextStore> replacement) {
            endReading(int(how), problem, std::move(replacement));
        });
    forceSelChange();
    Q_EMIT readingProgressed();
}

void RichTextBox::endReading(int how, const QString& problem, std::shared_ptr<TextStore> replacement)
{
    // Its worker has ended; the object goes once the call that told of the end is over.
    reading_.release()->deleteLater();
    readProblem_ = problem;
    if (plain_) {
        plain_->setReadOnly(false);
        plain_->appendingEnded();
    }
    if (RestRead(how) == RestRead::NotValid && replacement && plain_) {
        // The file is not the UTF-8 its start looked like: shown anew, byte for character, on
        // the same line.
        const qsizetype line = store_->lineOf(plain_->position());
        auto store = std::make_unique<TextStore>();
        store->appendStore(std::move(*replacement));
        store->finishRaw();
        {
            ProgramChange quiet(*this);
            plainFormat_.encoding = TextFormat::Encoding::Windows1252;
            plainFormat_.charset.clear();
            usePlain(std::move(store));
        }
        ++textSerial_;
        goToLine(std::min(line, store_->lineCount() - 1));
    } else if (RestRead(how) != RestRead::Whole) {
        partialRead_ = true;
    }
    goToPendingLine(true);
    vanishedWhileRead_ = !partialRead_ && fileStamp(readPath_) == QLatin1String("gone");
    Q_EMIT readingEnded();
}

void RichTextBox::stopReading()
{
    if (!reading_)
        return;
    reading_.reset(); // stops the workers and waits for them; parts not yet appended are dropped
    pendingLine_ = -1;
    if (plain_) {
        plain_->setReadOnly(false);
        plain_->appendingEnded();
    }
    partialRead_ = true;
    Q_EMIT readingEnded();
}

void RichTextBox::goToPendingLine(bool all)
{
    if (pendingLine_ < 0 || !plain_)
        return;
    if (plain_->position() != pendingAt_ || plain_->anchor() != pendingAt_) {
        pendingLine_ = -1; // the user went elsewhere meanwhile
        return;
    }
    if (all || pendingLine_ < lineCount()) {
        const qsizetype line = pendingLine_;
        pendingLine_ = -1;
        goToLine(line);
    }
}

qint64 RichTextBox::readBytes() const
{
    return reading_ ? reading_->done() : 0;
}

qint64 RichTextBox::readSize() const
{
    return readSize_;
}

void RichTextBox::refuseWhileReading() const
{
    if (!reading_)
        return;
    platform::raise(err::PermissionDenied,
          QStringLiteral("%1 is still being read: it can be edited once the read ends.").arg(readPath_));
}

} // namespace platform
