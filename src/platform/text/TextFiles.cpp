#include "platform/text/TextFiles.h"

#include "platform/AppError.h"
#include "platform/FileSystem.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <atomic>
#include <chrono>
#include <exception>
#include <thread>

namespace platform {

namespace {

using Encoding = TextFormat::Encoding;

// The length of bytes without an incomplete UTF-8 sequence at their end.
qsizetype completeUtf8(QByteArrayView bytes)
{
    const qsizetype n = bytes.size();
    qsizetype lead = n - 1;
    while (lead >= 0 && n - lead < 4 && (static_cast<unsigned char>(bytes[lead]) & 0xC0) == 0x80)
        --lead;
    if (lead < 0)
        return n;
    const auto b = static_cast<unsigned char>(bytes[lead]);
    const qsizetype need = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
    return n - lead < need ? lead : n;
}

} // namespace

namespace {

// From sixteen pieces up a UTF-8 file is read as two halves at once, each into a store of its
// own, joined at the end: decoding and storing take most of a load, and a second core halves it.
constexpr qint64 kTwoPartsFromPieces = 16;

// Decodes the bytes from..to of a file in encoding (UTF-8, UTF-16 or Windows-1252), handing
// the text to append piece by piece and adding the bytes read to done; false when they are not
// valid in it. goOn is asked after each piece; false ends the reading early.
// The decoder of one stretch of UTF-8 or UTF-16 text: a character the stretch's end cuts short is
// an error, and a byte-order mark inside the text is a character like any other.
QStringDecoder stretchDecoder(Encoding encoding)
{
    const QStringConverter::Encoding converter = encoding == Encoding::Utf16LE ? QStringConverter::Utf16LE
                                               : encoding == Encoding::Utf16BE ? QStringConverter::Utf16BE
                                                                               : QStringConverter::Utf8;
    return QStringDecoder(converter, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
}

bool decodeStretch(const QString& path, qint64 from, qint64 to, Encoding encoding, qsizetype pieceBytes,
                   const std::function<void(QStringView)>& append, std::atomic<qint64>& done,
                   const std::function<bool()>& goOn)
{
    const bool utf8 = encoding != Encoding::Utf16LE && encoding != Encoding::Utf16BE;
    QByteArray carry; // the start of a character the next piece ends
    QString buffer;
    bool valid = true;
    const auto decode = [&](QByteArrayView bytes, bool last) {
        if (encoding == Encoding::Windows1252) {
            append(decodeWindows1252(bytes));
            return true;
        }
        QByteArray joined;
        if (!carry.isEmpty()) {
            joined = carry + bytes.toByteArray();
            bytes = joined;
        }
        qsizetype n = bytes.size();
        if (!last) // UTF-16 passes lone surrogates through, so any even cut will do
            n = utf8 ? completeUtf8(bytes) : n & ~qsizetype(1);
        carry = bytes.sliced(n).toByteArray();
        QStringDecoder decoder = stretchDecoder(encoding);
        buffer.resize(decoder.requiredSpace(n));
        const QChar* end = decoder.appendToBuffer(buffer.data(), bytes.first(n));
        if (decoder.hasError())
            return valid = false;
        append(QStringView(buffer.constData(), end - buffer.constData()));
        return true;
    };
    try {
        readRegularFileStretch(path, from, to, pieceBytes, [&](QByteArrayView piece, qint64, qint64) {
            done += piece.size();
            return decode(piece, false) && goOn();
        });
    } catch (const AppError& e) {
        if (e.number != err::Cancel)
            throw;
        return valid;
    }
    return carry.isEmpty() || decode(QByteArrayView(), true);
}

// The bytes from..to of a file (fewer when it is shorter).
QByteArray readBytes(const QString& path, qint64 from, qint64 to)
{
    QByteArray bytes;
    readRegularFileStretch(path, from, to, qsizetype(std::clamp<qint64>(to - from, 4, 1 << 20)),
                           [&](QByteArrayView piece, qint64, qint64) {
                               bytes += piece;
                               return true;
                           });
    return bytes;
}

// What a file's first bytes tell of its encoding: a byte-order mark of UTF-8, or of UTF-16 when
// the file's length is even, and the bytes it takes; else UTF-8, without a mark.
struct Mark {
    Encoding encoding = Encoding::Utf8;
    qint64 length = 0;
};

Mark markOf(QByteArrayView head, qint64 size)
{
    if (head.startsWith("\xEF\xBB\xBF"))
        return {Encoding::Utf8Bom, 3};
    if (head.startsWith("\xFF\xFE") && size % 2 == 0)
        return {Encoding::Utf16LE, 2};
    if (head.startsWith("\xFE\xFF") && size % 2 == 0)
        return {Encoding::Utf16BE, 2};
    return {};
}

// The encoding the text after a mark is decoded in.
Encoding withoutMark(Encoding encoding)
{
    return encoding == Encoding::Utf8Bom ? Encoding::Utf8 : encoding;
}

// Where a file read as two halves at once is parted: just after the first line feed from its
// middle on, so that no character and no CR LF is cut in two; -1 when none is near.
qint64 middleSeam(const QString& path, qint64 from, qint64 to)
{
    const qint64 half = from + (to - from) / 2;
    const QByteArray middle = readBytes(path, half, std::min(to, half + (1 << 20)));
    const qsizetype lf = middle.indexOf('\n');
    return lf < 0 ? -1 : half + lf + 1;
}

// The second half of a file read as two halves at once: read into a store of its own, on a
// thread of its own, while the calling thread reads the first half.
class SecondHalf {
public:
    SecondHalf(const QString& path, qint64 from, qint64 to, Encoding encoding, qsizetype pieceBytes,
               std::atomic<qint64>& done, const std::atomic<bool>& stop)
        : reader_([this, path, from, to, encoding, pieceBytes, &done, &stop] {
              try {
                  store.beginRaw(TextFormat::LineBreak::LF);
                  valid_ = decodeStretch(path, from, to, encoding, pieceBytes,
                                         [this](QStringView text) { store.appendRaw(text); }, done,
                                         [&stop] { return !stop; });
                  store.finishRaw();
              } catch (...) {
                  failure_ = std::current_exception();
              }
              finished_ = true;
          })
    {
    }
    SecondHalf(const SecondHalf&) = delete;
    SecondHalf& operator=(const SecondHalf&) = delete;
    ~SecondHalf()
    {
        if (reader_.joinable())
            reader_.join();
    }
    bool finished() const { return finished_; }
    /// Waits for it to end: false when its bytes were not valid in the encoding. What failed it
    /// is thrown here.
    bool join()
    {
        reader_.join();
        if (failure_)
            std::rethrow_exception(failure_);
        return valid_;
    }

    TextStore store;

private:
    bool valid_ = true;
    std::exception_ptr failure_;
    std::atomic<bool> finished_{false};
    std::thread reader_; // last: it starts once the rest is made
};

// The two-part read of a large UTF-8 file: false, with store left empty, when the file is not one
// (UTF-16, a line over half its length, bytes that are not UTF-8), to be read in one part.
bool decodeInTwoParts(const QString& path, TextStore& store, TextFormat& format,
                      const std::function<bool(qint64, qint64)>& tell, qsizetype pieceBytes)
{
    const qint64 size = fileSize(path);
    if (size < kTwoPartsFromPieces * pieceBytes || std::thread::hardware_concurrency() < 2)
        return false;
    const Mark mark = markOf(readBytes(path, 0, 4), size);
    if (withoutMark(mark.encoding) != Encoding::Utf8)
        return false;
    const qint64 bom = mark.length;
    const qint64 seam = middleSeam(path, 0, size);
    if (seam < 0)
        return false;

    std::atomic<qint64> done{0};
    std::atomic<bool> stop{false};
    SecondHalf second(path, seam, size, Encoding::Utf8, pieceBytes, done, stop);
    // This thread reads the first half and tells the progress of both; a Cancel stops both.
    bool firstValid = false;
    const auto goOn = [&] {
        if (!stop && !tell(done, size))
            stop = true;
        return !stop.load();
    };
    try {
        store.beginRaw(TextFormat::LineBreak::LF);
        firstValid = decodeStretch(path, bom, seam, Encoding::Utf8, pieceBytes,
                                   [&](QStringView text) { store.appendRaw(text); }, done, goOn);
        while (!second.finished() && goOn())
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } catch (...) {
        stop = true;
        throw;
    }
    const bool secondValid = second.join();
    if (stop) {
        store.beginRaw(TextFormat::LineBreak::LF);
        raise(err::Cancel, QStringLiteral("Loading was cancelled."));
    }
    if (!firstValid || !secondValid) {
        store.beginRaw(TextFormat::LineBreak::LF);
        return false;
    }
    store.appendStore(std::move(second.store));
    store.finishRaw();
    format.encoding = bom ? TextFormat::Encoding::Utf8Bom : TextFormat::Encoding::Utf8;
    format.lineBreak = store.lineBreak();
    return true;
}

} // namespace

TextFormat decodeFileInto(const QString& path, TextStore& store,
                          const std::function<bool(int)>& progress, qsizetype pieceBytes)
{
    TextFormat format;
    if (decodeInTwoParts(path, store, format, [&](qint64 done, qint64 total) {
            return !progress || progress(int(1000.0 * double(done) / double(std::max<qint64>(total, 1))));
        }, pieceBytes))
        return format;
    const qint64 size = fileSize(path);
    const Mark mark = markOf(readBytes(path, 0, 4), size);
    format.encoding = mark.encoding;
    std::atomic<qint64> done{mark.length};
    bool cancelled = false;
    const auto goOn = [&] {
        cancelled = progress && !progress(int(1000.0 * double(done) / double(std::max<qint64>(size, 1))));
        return !cancelled;
    };
    const auto append = [&](QStringView text) { store.appendRaw(text); };
    store.beginRaw(TextFormat::LineBreak::LF);
    if (!decodeStretch(path, mark.length, size, withoutMark(mark.encoding), pieceBytes, append, done, goOn)) {
        // Not valid in the encoding it looked like: every byte stands for itself.
        format.encoding = Encoding::Windows1252;
        store.beginRaw(TextFormat::LineBreak::LF);
        done = 0;
        decodeStretch(path, 0, size, Encoding::Windows1252, pieceBytes, append, done, goOn);
    }
    if (cancelled)
        raise(err::Cancel, QStringLiteral("Loading was cancelled."));
    store.finishRaw();
    format.lineBreak = store.lineBreak();
    return format;
}

FileStart readFileStart(const QString& path, qint64 headBytes)
{
    FileStart start;
    start.size = fileSize(path);
    headBytes = std::max<qint64>(headBytes, 4); // a byte-order mark is seen whole
    const QByteArray head = readBytes(path, 0, headBytes);
    TextFormat& format = start.format;
    const Mark mark = markOf(head, start.size);
    format.encoding = mark.encoding;
    qsizetype from = mark.length;
    const bool wide = format.encoding == Encoding::Utf16LE || format.encoding == Encoding::Utf16BE;
    // The first part ends after its last line break where there is one, and never inside a
    // character or between a CR and the LF it may be followed by.
    const auto cut = [&](qsizetype from) {
        if (head.size() >= start.size)
            return head.size();
        if (wide) {
            const QByteArray lf = format.encoding == Encoding::Utf16LE ? QByteArray("\n\0", 2) : QByteArray("\0\n", 2);
            qsizetype at = head.size() & ~qsizetype(1);
            while ((at = head.lastIndexOf(lf, at - 1)) >= from && (at - from) % 2 != 0) {
            }
            return at >= from ? at + 2 : head.size() & ~qsizetype(1);
        }
        const qsizetype lf = head.lastIndexOf('\n');
        return lf >= from ? lf + 1 : std::max(from, completeUtf8(head));
    };
    qsizetype to = cut(from);
    // The part is decoded from the bytes already read. UTF-16 is never invalid; UTF-8 that is not
    // valid is read as Windows-1252, every byte standing for itself, a mark's too.
    QStringDecoder decoder = stretchDecoder(format.encoding);
    QString text = decoder.decode(QByteArrayView(head).sliced(from, to - from));
    if (decoder.hasError()) {
        format.encoding = Encoding::Windows1252;
        from = 0;
        to = cut(from);
        text = decodeWindows1252(QByteArrayView(head).first(to));
    }
    // The part may not end in a CR or inside a surrogate pair: those wait for the rest.
    qsizetype keep = text.size();
    if (head.size() < start.size) {
        while (keep > 0 && (text[keep - 1] == u'\r' || text[keep - 1].isHighSurrogate()))
            --keep;
    }
    start.store = std::make_unique<TextStore>();
    TextStore& store = *start.store;
    store.beginRaw(TextFormat::LineBreak::LF);
    store.appendRaw(QStringView(text).first(keep));
    store.finishRaw();
    // What was held back is one byte a character in Windows-1252 and UTF-8 (a CR), two in UTF-16.
    const qint64 left = (text.size() - keep) * (wide ? 2 : 1);
    start.restFrom = to - left;
    format.lineBreak = store.lineBreak();
    return start;
}

RestRead readFileRest(const QString& path, qint64 from, Encoding encoding,
                      const std::function<void(std::unique_ptr<TextStore>)>& deliver,
                      const std::function<bool()>& goOn, std::atomic<qint64>& done,
                      qsizetype pieceBytes, qsizetype partChars)
{
    encoding = withoutMark(encoding);
    const qint64 size = fileSize(path);
    std::atomic<bool> stop{false};
    // The first half is handed on part by part as it is read.
    auto part = std::make_unique<TextStore>();
    part->beginRaw(TextFormat::LineBreak::LF);
    const auto handOn = [&](bool last) {
        if (!last && (part->length() < partChars || !part->endsWhole()))
            return;
        part->finishRaw(); // the file's last CR is a break
        if (part->length() == 0)
            return;
        deliver(std::move(part));
        part = std::make_unique<TextStore>();
        part->beginRaw(TextFormat::LineBreak::LF);
    };
    const auto firstGoOn = [&] {
        handOn(false);
        if (!stop && !goOn())
            stop = true;
        return !stop.load();
    };
    const auto append = [&](QStringView text) { part->appendRaw(text); };
    // Bytes that stand alone from any line feed on are read as two halves at once, the second
    // kept whole until the first is handed on.
    const bool bytewise = encoding == Encoding::Utf8 || encoding == Encoding::Windows1252;
    const qint64 seam = bytewise && size - from >= kTwoPartsFromPieces * pieceBytes
                                && std::thread::hardware_concurrency() >= 2
                            ? middleSeam(path, from, size)
                            : -1;
    if (seam < 0) {
        const bool valid = decodeStretch(path, from, size, encoding, pieceBytes, append, done, firstGoOn);
        if (!valid)
            return RestRead::NotValid;
        if (stop)
            return RestRead::Stopped;
        handOn(true);
        return RestRead::Whole;
    }
    SecondHalf second(path, seam, size, encoding, pieceBytes, done, stop);
    bool firstValid = false;
    try {
        firstValid = decodeStretch(path, from, seam, encoding, pieceBytes, append, done, firstGoOn);
    } catch (...) {
        stop = true;
        throw;
    }
    if (!firstValid)
        stop = true;
    const bool secondValid = second.join();
    if (!firstValid || !secondValid)
        return RestRead::NotValid;
    if (stop)
        return RestRead::Stopped;
    handOn(true);
    auto rest = std::make_unique<TextStore>();
    rest->appendStore(std::move(second.store));
    rest->finishRaw();
    deliver(std::move(rest));
    return RestRead::Whole;
}

TextFormat decodeFileAs(const QString& path, TextStore& store, const TextFormat& as,
                        const std::function<bool(int)>& progress, qsizetype pieceBytes)
{
    TextFormat format = as;
    const Encoding encoding = as.encoding;
    const QByteArray mark = encoding == Encoding::Utf8Bom ? QByteArray("\xEF\xBB\xBF")
                          : encoding == Encoding::Utf16LE ? QByteArray("\xFF\xFE")
                          : encoding == Encoding::Utf16BE ? QByteArray("\xFE\xFF")
                                                          : QByteArray();
    // One decoder for the whole file: it carries a character parted between two pieces over.
    // The mark is passed over here, so a mark that follows it is text.
    constexpr auto keepMarks = QStringConverter::Flag::ConvertInitialBom;
    QStringDecoder decoder;
    if (encoding == Encoding::Utf8 || encoding == Encoding::Utf8Bom)
        decoder = QStringDecoder(QStringConverter::Utf8, keepMarks);
    else if (encoding == Encoding::Utf16LE)
        decoder = QStringDecoder(QStringConverter::Utf16LE, keepMarks);
    else if (encoding == Encoding::Utf16BE)
        decoder = QStringDecoder(QStringConverter::Utf16BE, keepMarks);
    else if (encoding == Encoding::Other)
        decoder = QStringDecoder(as.charset.constData(), keepMarks);
    if (encoding != Encoding::Windows1252 && !decoder.isValid())
        raise(err::InvalidFileFormat, QStringLiteral("This system cannot read %1.").arg(encodingName(as)));
    qint64 at = 0; // the file offset of the piece
    QString buffer;
    const auto invalid = [&](qint64 where) {
        store.beginRaw(TextFormat::LineBreak::LF);
        store.finishRaw();
        raise(err::InvalidFileFormat,
              QStringLiteral("%1 is not %2 text: the bytes from offset %3 on are not valid in it.")
                  .arg(path, encodingName(as))
                  .arg(where));
    };
    store.beginRaw(TextFormat::LineBreak::LF);
    readRegularFileInPieces(path, pieceBytes, [&](QByteArrayView piece, qint64 done, qint64 total) {
        const qint64 start = at;
        at += piece.size();
        if (start == 0 && !mark.isEmpty() && piece.startsWith(mark))
            piece = piece.sliced(mark.size());
        if (encoding == Encoding::Windows1252) {
            store.appendRaw(decodeWindows1252(piece));
        } else {
            buffer.resize(decoder.requiredSpace(piece.size()));
            const QChar* end = decoder.appendToBuffer(buffer.data(), piece);
            if (decoder.hasError())
                invalid(start);
            store.appendRaw(QStringView(buffer.constData(), end - buffer.constData()));
        }
        return !progress || progress(int(1000.0 * double(done) / double(std::max<qint64>(total, 1))));
    });
    if (encoding != Encoding::Windows1252) {
        // A character the file's end cuts short.
        const QString rest = decoder.decode(QByteArrayView());
        if (decoder.hasError())
            invalid(at);
        store.appendRaw(rest);
    }
    store.finishRaw();
    format.lineBreak = store.lineBreak();
    return format;
}

QByteArray encodeText(const TextStore::Snapshot& snapshot, const TextFormat& format)
{
    const Encoding encoding = format.encoding;
    QByteArray out;
    const bool wide = encoding == Encoding::Utf16LE || encoding == Encoding::Utf16BE;
    out.reserve(snapshot.length() * (wide ? 2 : 1) + snapshot.length() / 32 + 4);
    encodeText(snapshot, format, [&](QByteArrayView piece) {
        out.append(piece);
        return true;
    });
    return out;
}

void encodeText(const TextStore::Snapshot& snapshot, const TextFormat& format,
                const std::function<bool(QByteArrayView)>& sink)
{
    const Encoding encoding = format.encoding;
    constexpr qsizetype kPiece = 1024 * 1024;
    QByteArray out;
    out.reserve(kPiece + 256 * 1024);
    switch (encoding) {
    case Encoding::Utf8Bom: out.append("\xEF\xBB\xBF"); break;
    case Encoding::Utf16LE: out.append("\xFF\xFE"); break;
    case Encoding::Utf16BE: out.append("\xFE\xFF"); break;
    case Encoding::Utf8:
    case Encoding::Windows1252:
    case Encoding::Other: break;
    }
    const auto flush = [&](bool last) {
        if (out.size() < kPiece && !last)
            return true;
        const bool go = out.isEmpty() || sink(out);
        out.resize(0);
        return go;
    };
    bool going = true;
    if (encoding == Encoding::Windows1252) {
        snapshot.forEachRawPiece([&](QStringView piece) {
            out.append(encodeWindows1252(piece));
            return going = flush(false);
        });
    } else {
        // One encoder for all pieces, so that a surrogate pair parted between two stays whole.
        QStringEncoder encoder = encoding == Encoding::Other
            ? QStringEncoder(format.charset.constData())
            : QStringEncoder(encoding == Encoding::Utf16LE   ? QStringConverter::Utf16LE
                             : encoding == Encoding::Utf16BE ? QStringConverter::Utf16BE
                                                             : QStringConverter::Utf8,
                             QStringConverter::Flag::ConvertInitialBom);
        snapshot.forEachRawPiece([&](QStringView piece) {
            const qsizetype at = out.size();
            out.resize(at + encoder.requiredSpace(piece.size()));
            char* end = encoder.appendToBuffer(out.data() + at, piece);
            out.resize(end - out.constData());
            return going = flush(false);
        });
    }
    if (going)
        flush(true);
}

} // namespace platform
