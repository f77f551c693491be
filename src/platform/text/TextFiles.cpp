#include "platform/text/TextFiles.h"

#include "platform/AppError.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace platform {

namespace {

using Encoding = TextFormat::Encoding;

// Where a piece of UTF-8 may end at or before want without parting a character: before the lead
// byte of a sequence that would run past it.
qsizetype utf8Cut(QByteArrayView bytes, qsizetype want)
{
    if (want >= bytes.size())
        return bytes.size();
    qsizetype cut = want;
    for (int back = 0; back < 4 && cut > 0; ++back) {
        const auto b = static_cast<unsigned char>(bytes[cut]);
        if ((b & 0xC0) != 0x80)
            break; // bytes[cut] starts a character: cut before it
        --cut;
    }
    return cut > 0 ? cut : want;
}

// Decodes bytes into the store piece by piece; false when they are not valid in that encoding.
bool decodeStrictInto(QByteArrayView bytes, QStringConverter::Encoding encoding, TextStore& store,
                      const std::function<bool(int)>& progress, qsizetype pieceBytes)
{
    const bool utf8 = encoding == QStringConverter::Utf8;
    qsizetype from = 0;
    while (from < bytes.size()) {
        const QByteArrayView rest = bytes.sliced(from);
        // UTF-16 passes lone surrogates through, so any even cut will do.
        const qsizetype n = utf8 ? utf8Cut(rest, pieceBytes)
                                 : std::min(rest.size(), pieceBytes & ~qsizetype(1));
        // Each piece stands alone; a byte-order mark inside the text is a character like any other.
        QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless
                                             | QStringConverter::Flag::ConvertInitialBom);
        const QString text = decoder.decode(rest.first(n));
        if (decoder.hasError())
            return false;
        store.appendRaw(text);
        from += n;
        if (progress && !progress(int(1000.0 * double(from) / double(bytes.size()))))
            raise(err::Cancel, QStringLiteral("Loading was cancelled."));
    }
    return true;
}

} // namespace

TextFormat decodeInto(QByteArrayView bytes, TextStore& store,
                      const std::function<bool(int)>& progress, qsizetype pieceBytes)
{
    TextFormat format;
    QByteArrayView body = bytes;
    QStringConverter::Encoding decoder = QStringConverter::Utf8;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        format.encoding = Encoding::Utf8Bom;
        body = bytes.sliced(3);
    } else if (bytes.startsWith("\xFF\xFE") && bytes.size() % 2 == 0) {
        format.encoding = Encoding::Utf16LE;
        decoder = QStringConverter::Utf16LE;
        body = bytes.sliced(2);
    } else if (bytes.startsWith("\xFE\xFF") && bytes.size() % 2 == 0) {
        format.encoding = Encoding::Utf16BE;
        decoder = QStringConverter::Utf16BE;
        body = bytes.sliced(2);
    }
    store.beginRaw(TextFormat::LineBreak::LF);
    if (!decodeStrictInto(body, decoder, store, progress, std::max<qsizetype>(pieceBytes, 4))) {
        // Not valid in the encoding it looked like: every byte stands for itself.
        format.encoding = Encoding::Windows1252;
        body = bytes;
        store.beginRaw(TextFormat::LineBreak::LF);
        for (qsizetype from = 0; from < body.size(); from += pieceBytes) {
            store.appendRaw(decodeWindows1252(body.sliced(from, std::min(pieceBytes, body.size() - from))));
            if (progress && !progress(int(1000.0 * double(from) / double(body.size()))))
                raise(err::Cancel, QStringLiteral("Loading was cancelled."));
        }
    }
    store.finishRaw();
    format.lineBreak = store.lineBreak();
    return format;
}

QByteArray encodeText(const TextStore::Snapshot& snapshot, TextFormat::Encoding encoding)
{
    QByteArray out;
    const bool wide = encoding == Encoding::Utf16LE || encoding == Encoding::Utf16BE;
    out.reserve(snapshot.length() * (wide ? 2 : 1) + snapshot.length() / 32 + 4);
    switch (encoding) {
    case Encoding::Utf8Bom: out.append("\xEF\xBB\xBF"); break;
    case Encoding::Utf16LE: out.append("\xFF\xFE"); break;
    case Encoding::Utf16BE: out.append("\xFE\xFF"); break;
    case Encoding::Utf8:
    case Encoding::Windows1252: break;
    }
    if (encoding == Encoding::Windows1252) {
        snapshot.forEachRawPiece([&](QStringView piece) {
            out.append(encodeWindows1252(piece));
            return true;
        });
        return out;
    }
    // One encoder for all pieces, so that a surrogate pair parted between two stays whole.
    QStringEncoder encoder(encoding == Encoding::Utf16LE   ? QStringConverter::Utf16LE
                           : encoding == Encoding::Utf16BE ? QStringConverter::Utf16BE
                                                           : QStringConverter::Utf8,
                           QStringConverter::Flag::ConvertInitialBom);
    snapshot.forEachRawPiece([&](QStringView piece) {
        out.append(encoder.encode(piece));
        return true;
    });
    return out;
}

} // namespace platform
