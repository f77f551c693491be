#include "platform/RichTextBoxParts.h"
#include "platform/RichCopyInSteps.h"
#include "platform/StepsWithProgress.h"

// The editor control's files: how a plain document is written, loading, saving and printing.

namespace platform {

using namespace richtextbox;

namespace {
// What RTF adds to each line of plain text (paragraph words and a run's group), for the progress.
constexpr qsizetype kRtfBytesPerLine = 30;
// A rich document of this share of progressFromBytes() in characters or more is copied between
// the window's events before it is written: written at once it would hold the window too long.
constexpr qsizetype kRichCopyFromDivisor = 64;
} // namespace

TextFormat RichTextBox::plainTextFormat() const
{
    TextFormat f = plainFormat_;
    if (plain_)
        f.lineBreak = store_->lineBreak();
    return f;
}

void RichTextBox::setPlainTextFormat(const TextFormat& f)
{
    plainFormat_ = f;
    if (plain_)
        store_->setLineBreak(f.lineBreak);
    else if (readText_)
        readText_->setLineBreak(f.lineBreak);
}

void RichTextBox::restorePlainTextFormat(const TextFormat& f)
{
    plainFormat_ = f;
    if (plain_)
        store_->setTypedLineBreak(f.lineBreak);
}

void RichTextBox::chooseEncoding(const TextFormat& f)
{
    refuseWhileReading();
    if (f.encoding == plainFormat_.encoding && f.charset == plainFormat_.charset)
        return;
    plainFormat_.encoding = f.encoding;
    plainFormat_.charset = f.charset;
    Q_EMIT Change();
}

void RichTextBox::chooseLineBreak(TextFormat::LineBreak lineBreak)
{
    refuseWhileReading();
    if (lineBreak == plainTextFormat().lineBreak && !mixesLineBreaks())
        return;
    plainFormat_.lineBreak = lineBreak;
    if (plain_)
        store_->setEveryLineBreak(lineBreak);
    else if (readText_)
        readText_->setEveryLineBreak(lineBreak);
    Q_EMIT Change();
}

bool RichTextBox::mixesLineBreaks() const
{
    return plain_ ? store_->mixesLineBreaks() : readText_ && readText_->mixesLineBreaks();
}

void RichTextBox::LoadFile(const QString& path, const TextFormat* as)
{
    const qint64 size = fileSize(path);
    if (!as && size >= backgroundReadSizes().fromBytes && !holdsRtf(path)) {
        loadInBackground(path);
        return;
    }
    LoadedDocument loaded = loadDocumentWithProgress(path, font_, window(), as, tabStopPixels());
    reading_.reset(); // a read of the file this document held before gives way to the new text
    partialRead_ = false;
    readProblem_.clear();
    unkept_ = loaded.unkept;
    userFormat_ = 0; // what the file holds is the file's, not a format given here
    vanishedWhileRead_ = loaded.vanished;
    {
        ProgramChange quiet(*this);
        if (loaded.rich) {
            QTextDocument* doc = loaded.document.release();
            doc->setParent(this);
            useRich(doc, std::move(loaded.joins));
            ++selQuiet_;
            rich_->setTextCursor(QTextCursor(doc));
            --selQuiet_;
        } else {
            plainFormat_ = loaded.format;
            usePlain(std::move(loaded.store));
            plain_->setReadOnly(false);
        }
    }
    forceSelChange();
}

ByteProducer RichTextBox::plainAsRtf() const
{
    if (doc_)
        return {};
    // The bytes a rich copy of the text would give, made while they are written.
    return [snapshot = store_->snapshot(), font = font_, color = textColor_](const auto& write) {
        rtf::RtfWriter::writePlain([&](const auto& sink) { snapshot.forEachPiece(sink); }, font, color,
                                   write);
    };
}

std::unique_ptr<QTextDocument> RichTextBox::richCopyInSteps(const QString& label) const
{
    RichCopyInSteps steps(*doc_);
    const bool copied = runStepsWithProgress(
        window(), label,
        [&](int& permille) {
            StepBudget budget;
            const bool whole = steps.step(budget);
            permille = steps.permille();
            return !whole;
        },
        momentMs());
    if (!copied)
        return nullptr;
    std::unique_ptr<QTextDocument> copy = steps.take();
    copy->moveToThread(nullptr); // read, then deleted, by whichever thread writes it
    return copy;
}

void RichTextBox::SaveFile(const QString& path, int fileType)
{
    if (fileType != RichText && fileType != PlainText)
        invalidValue();
    if (reading_)
        platform::raise(err::PermissionDenied,
                        QStringLiteral("%1 is still being read: it can be saved once the read ends.").arg(readPath_));
    if (partialRead_ && sameFile(path, readPath_))
        platform::raise(err::PermissionDenied,
                        QStringLiteral("Only the start of %1 was read: saving it there would cut the file short. "
                                       "Save it under another name.")
                            .arg(path));
    if (fileKind(path) == FileKind::Folder)
        platform::raise(err::PathFileAccess, QStringLiteral("%1 is a folder, not a file").arg(path));
    // What the file will hold, taken now (a snapshot of a plain document costs next to nothing)
    // and turned into bytes beside the window when it is big.
    ByteProducer produce;
    qsizetype size = 0;
    std::unique_ptr<QTextDocument> copy; // of a big rich document
    if (fileType == PlainText && plain_) {
        // Encoded while it is written, so the bytes are never held whole.
        produce = [snapshot = store_->snapshot(), format = plainFormat_](const auto& write) {
            encodeText(snapshot, format, write);
        };
        const bool wide = plainFormat_.encoding == TextFormat::Encoding::Utf16LE
                          || plainFormat_.encoding == TextFormat::Encoding::Utf16BE;
        size = store_->length() * (wide ? 2 : 1);
    } else if (fileType == PlainText && readText_ && readText_->find(u"\uFFFC", 0) < 0
               && readTextAgrees()) {
        // A plain document given formats: every character and break as read, with the edits.
        produce = [snapshot = readText_->snapshot(), format = plainFormat_](const auto& write) {
            encodeText(snapshot, format, write);
        };
        const bool wide = plainFormat_.encoding == TextFormat::Encoding::Utf16LE
                          || plainFormat_.encoding == TextFormat::Encoding::Utf16BE;
        size = readText_->length() * (wide ? 2 : 1);
    } else if (fileType == PlainText) {
        // As text, a rich document's pictures leave nothing behind (their object characters).
        QString text = Text();
        text.remove(QChar::ObjectReplacementCharacter);
        size = text.size();
        produce = [text = std::move(text), format = plainFormat_](const auto& write) {
            write(encodeText(text, format));
        };
    } else if (!doc_) {
        produce = plainAsRtf();
        size = store_->length() + store_->lineCount() * kRtfBytesPerLine;
    } else if (doc_->characterCount() < progressFromBytes() / kRichCopyFromDivisor) {
        QByteArray bytes = rtf::RtfWriter::write(*doc_);
        size = bytes.size();
        produce = [bytes = std::move(bytes)](const auto& write) { write(bytes); };
    } else {
        // A big rich document is copied a few paragraphs at a time while the window keeps
        // painting, and the copy written as RTF beside it.
        copy = richCopyInSteps(QStringLiteral("Saving %1...").arg(QFileInfo(path).fileName()));
        if (!copy)
            platform::raise(err::Cancel, QStringLiteral("Saving was cancelled; %1 was left as it was.").arg(path));
        size = 2 * qsizetype(copy->characterCount()); // formats and escapes come to about as much again
        produce = [&copy](const auto& write) { rtf::RtfWriter::write(*copy, write); };
    }
    if (size < progressFromBytes() && !copy) {
        writeWholeFile(path, produce, size);
    } else {
        const QString name = QFileInfo(path).fileName();
        runWithProgress(window(), QStringLiteral("Saving %1...").arg(name),
                        QStringLiteral("Saving was cancelled; %1 was left as it was.").arg(path),
                        [&](const std::function<bool(int)>& progress) {
                            if (!progress(0))
                                platform::raise(err::Cancel, QString());
                            writeWholeFile(path, produce, size, progress);
                            copy.reset(); // a big document's end costs the window nothing here
                        },
                        copy ? momentMs() : 0);
    }
    if (doc_)
        doc_->setModified(false);
    unkept_.clear();
    partialRead_ = false; // the file it was saved to holds exactly this text
}

namespace {

// A print into a file is whole when the file ends as every PDF does; the PDF writer itself
// says nothing when a write fails (a full disk), so the file is looked at.
void checkPrintedFile(const QString& path)
{
    QFile file(path);
    QByteArray tail;
    if (file.open(QIODevice::ReadOnly) && file.size() > 0 && file.seek(std::max<qint64>(0, file.size() - 64)))
        tail = file.readAll();
    file.close();
    if (tail.contains("%%EOF"))
        return;
    QFile::remove(path); // half a document is of no use to anyone
    const QStorageInfo disk(QFileInfo(path).absolutePath());
    if (disk.isValid() && disk.bytesAvailable() < 64 * 1024)
        platform::raise(err::DiskFull,
                        QStringLiteral("There is not enough space on the disk to print to %1.").arg(path));
    platform::raise(err::PathFileAccess, QStringLiteral("The print could not be written to %1.").arg(path));
}

} // namespace

void RichTextBox::SelPrint(QPrinter* printer)
{
    if (!printer || !printer->isValid())
        platform::raise(err::InvalidPropertyValue, QStringLiteral("No printer is available."));
    if (plain_) {
        const QString text = plain_->hasSelection() ? plain_->selectedText() : store_->text();
        const std::unique_ptr<QTextDocument> copy = richFromText(text, font_, std::nullopt);
        copy->print(printer);
    } else {
        const QTextCursor c = cursor();
        if (c.hasSelection()) {
            QTextDocument part;
            part.setDefaultFont(font_);
            QTextCursor(&part).insertFragment(c.selection());
            rtf::providePictureImages(part); // the pictures' images are the document's own
            part.print(printer);
        } else {
            doc_->print(printer); // lays out a copy in pages; the view is left alone
        }
    }
    if (printer->printerState() == QPrinter::Error)
        platform::raise(err::PathFileAccess, QStringLiteral("The printer reported an error."));
    if (printer->outputFormat() == QPrinter::PdfFormat && !printer->outputFileName().isEmpty())
        checkPrintedFile(printer->outputFileName());
}

} // namespace platform
