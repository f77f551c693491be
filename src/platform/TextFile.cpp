#include "platform/TextFile.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <array>
#include <unordered_map>

namespace platform {

namespace {

// Windows-1252's 0x80..0x9F; the five bytes it leaves undefined map to the C1 control of the
// same number, so that every byte survives a round trip.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

QString decodeWindows1252(QByteArrayView bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* d = out.data();
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *d++ = (b >= 0x80 && b < 0xA0) ? QChar(kCp1252High[b - 0x80]) : QChar(b);
    }
    return out;
}

namespace {

// The byte of a character in Windows-1252, or -1 when it has none.
int byte1252(char16_t u)
{
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return u;
    for (size_t i = 0; i < kCp1252High.size(); ++i) {
        if (kCp1252High[i] == u)
            return int(0x80 + i);
    }
    return -1;
}

} // namespace

// Characters without a byte are written as '?'; saving asks before it would come to that.
QByteArray encodeWindows1252(QStringView text)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    char* d = out.data();
    for (const QChar ch : text) {
        const int b = byte1252(ch.unicode());
        *d++ = static_cast<char>(b < 0 ? '?' : b);
    }
    return out;
}

QByteArray encodeText(const QString& text, const TextFormat& format)
{
    QString withBreaks;
    const QString* source = &text;
    if (format.lineBreak != TextFormat::LineBreak::LF) {
        withBreaks = text;
        withBreaks.replace(u'\n', format.lineBreak == TextFormat::LineBreak::CRLF
                                      ? QStringLiteral("\r\n")
                                      : QStringLiteral("\r"));
        source = &withBreaks;
    }
    using E = TextFormat::Encoding;
    switch (format.encoding) {
    case E::Utf8:
        return source->toUtf8();
    case E::Utf8Bom:
        return QByteArray("\xEF\xBB\xBF") + source->toUtf8();
    case E::Utf16LE:
    case E::Utf16BE: {
        const bool le = format.encoding == E::Utf16LE;
        QByteArray out;
        out.reserve(2 + source->size() * 2);
        out.append(le ? "\xFF\xFE" : "\xFE\xFF", 2);
        for (const QChar ch : *source) {
            const char16_t u = ch.unicode();
            const char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
            out.append(le ? lo : hi);
            out.append(le ? hi : lo);
        }
        return out;
    }
    case E::Windows1252:
        return encodeWindows1252(*source);
    case E::Other: {
        QStringEncoder encoder(format.charset.constData());
        return encoder.encode(*source);
    }
    }
    return source->toUtf8();
}

bool storesEveryCharacter(TextFormat::Encoding encoding)
{
    return encoding != TextFormat::Encoding::Windows1252 && encoding != TextFormat::Encoding::Other;
}

qsizetype firstUnstorable(QStringView text, const TextFormat& format)
{
    if (storesEveryCharacter(format.encoding))
        return -1;
    const QChar* begin = text.constData();
    const QChar* end = begin + text.size();
    if (format.encoding == TextFormat::Encoding::Windows1252) {
        for (const QChar* p = begin; p < end; ++p) {
            const char16_t u = p->unicode();
            if (u >= 0x80 && byte1252(u) < 0)
                return p - begin;
        }
        return -1;
    }
    // Another encoding keeps a character when it comes back from its bytes unchanged. Each
    // character is tried once; ASCII is in every encoding offered.
    std::unordered_map<char32_t, bool> kept;
    for (const QChar* p = begin; p < end; ++p) {
        if (p->unicode() < 0x80)
            continue;
        const qsizetype n = p->isHighSurrogate() && p + 1 < end && p[1].isLowSurrogate() ? 2 : 1;
        const QStringView ch(p, n);
        const char32_t key = n == 2 ? QChar::surrogateToUcs4(p[0], p[1]) : p->unicode();
        auto it = kept.find(key);
        if (it == kept.end()) {
            QStringEncoder encoder(format.charset.constData(), QStringConverter::Flag::Stateless);
            const QByteArray bytes = encoder.encode(ch);
            QStringDecoder decoder(format.charset.constData(), QStringConverter::Flag::Stateless);
            const QString back = decoder.decode(bytes);
            it = kept.emplace(key, !encoder.hasError() && !decoder.hasError() && back == ch).first;
        }
        if (!it->second)
            return p - begin;
        p += n - 1;
    }
    return -1;
}

QString encodingName(TextFormat::Encoding encoding)
{
    using E = TextFormat::Encoding;
    switch (encoding) {
    case E::Utf8: return QStringLiteral("UTF-8");
    case E::Utf8Bom: return QStringLiteral("UTF-8 with BOM");
    case E::Utf16LE: return QStringLiteral("UTF-16 LE");
    case E::Utf16BE: return QStringLiteral("UTF-16 BE");
    case E::Windows1252: return QStringLiteral("Windows-1252");
    case E::Other: break;
    }
    return QString();
}

QString encodingName(const TextFormat& format)
{
    return format.encoding == TextFormat::Encoding::Other ? QString::fromLatin1(format.charset)
                                                          : encodingName(format.encoding);
}

const QList<TextFormat>& offeredEncodings()
{
    static const QList<TextFormat> offered = [] {
        using E = TextFormat::Encoding;
        QList<TextFormat> list;
        for (const E e : {E::Utf8, E::Utf8Bom, E::Utf16LE, E::Utf16BE, E::Windows1252})
            list << TextFormat{e, TextFormat::LineBreak::LF, {}};
        // Only those this platform's converter can read and write are offered.
        for (const char* name :
             {"ISO-8859-1", "ISO-8859-15", "ISO-8859-2", "ISO-8859-3", "ISO-8859-4", "ISO-8859-5",
              "ISO-8859-6", "ISO-8859-7", "ISO-8859-8", "ISO-8859-9", "ISO-8859-10", "ISO-8859-13",
              "ISO-8859-14", "ISO-8859-16", "Windows-1250", "Windows-1251", "Windows-1253",
              "Windows-1254", "Windows-1255", "Windows-1256", "Windows-1257", "Windows-1258",
              "KOI8-R", "KOI8-U", "IBM866", "macintosh", "Shift_JIS", "EUC-JP", "ISO-2022-JP",
              "EUC-KR", "GB18030", "GBK", "Big5", "Big5-HKSCS", "TIS-620"}) {
            if (QStringDecoder(name).isValid() && QStringEncoder(name).isValid())
                list << TextFormat{E::Other, TextFormat::LineBreak::LF, QByteArray(name)};
        }
        return list;
    }();
    return offered;
}

QString describe(const TextFormat& format)
{
    const QString enc = encodingName(format);
    switch (format.lineBreak) {
    case TextFormat::LineBreak::LF: return enc + QStringLiteral(", LF");
    case TextFormat::LineBreak::CRLF: return enc + QStringLiteral(", CRLF");
    case TextFormat::LineBreak::CR: return enc + QStringLiteral(", CR");
    }
    return enc;
}

} // namespace platform
