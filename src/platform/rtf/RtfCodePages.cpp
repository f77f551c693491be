#include "platform/rtf/RtfCodePages.h"

#include <QByteArray>
#include <QList>
#include <array>

namespace platform::rtf {

int codePageForCharset(int charset)
{
    switch (charset) {
    case 0: return 1252;
    case 2: return kSymbolCodePage;
    case 77: return 10000;   // Mac Roman
    case 78: return 10001;   // Mac Japanese
    case 79: return 10003;   // Mac Korean
    case 80: return 10008;   // Mac Simplified Chinese
    case 81: return 10002;   // Mac Traditional Chinese
    case 83: return 10005;   // Mac Hebrew
    case 84: return 10004;   // Mac Arabic
    case 85: return 10006;   // Mac Greek
    case 86: return 10081;   // Mac Turkish
    case 87: return 10021;   // Mac Thai
    case 88: return 10029;   // Mac Central European
    case 89: return 10007;   // Mac Cyrillic
    case 128: return 932;
    case 129: return 949;
    case 130: return 1361;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: case 179: case 180: case 181: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    case 255: return 850;
    default: return 0;   // 1 (default), 3 (OEM), 256 and unknown values: the document's code page
    }
}

namespace {

// Names that ICU knows on Debian 12; the first that yields a valid decoder is used.
QList<QByteArray> namesForCodePage(int codePage)
{
    switch (codePage) {
    case 932: return {"windows-31j", "Shift_JIS"};
    case 936: return {"windows-936", "GBK"};
    case 949: return {"windows-949", "EUC-KR"};
    case 950: return {"windows-950", "Big5"};
    case 1361: return {"windows-1361", "windows-949"};   // Johab: rare; Korean is the nearest
    case 874: return {"windows-874", "TIS-620"};
    case 437: return {"IBM437"};
    case 850: return {"IBM850"};
    case 10000: return {"macintosh"};
    case 10001: return {"x-mac-japanese", "Shift_JIS"};
    case 10002: return {"x-mac-chinesetrad", "Big5"};
    case 10003: return {"x-mac-korean", "EUC-KR"};
    case 10004: return {"x-mac-arabic"};
    case 10005: return {"x-mac-hebrew"};
    case 10006: return {"x-mac-greek"};
    case 10007: return {"x-mac-cyrillic"};
    case 10008: return {"x-mac-chinesesimp", "GB2312"};
    case 10021: return {"x-mac-thai", "TIS-620"};
    case 10029: return {"x-mac-ce"};
    case 10079: return {"x-mac-icelandic", "macintosh"};
    case 10081: return {"x-mac-turkish"};
    case 65001: return {"UTF-8"};
    case 20127: return {"US-ASCII"};
    default:
        break;
    }
    if (codePage >= 28591 && codePage <= 28606)
        return {"ISO-8859-" + QByteArray::number(codePage - 28590)};
    return {"windows-" + QByteArray::number(codePage), "cp" + QByteArray::number(codePage),
            "ibm-" + QByteArray::number(codePage)};
}

std::unique_ptr<QStringDecoder> makeDecoder(int codePage)
{
    if (codePage > 0 && codePage < 100000) {
        for (const QByteArray& name : namesForCodePage(codePage)) {
            auto decoder = std::make_unique<QStringDecoder>(name.constData(),
                                                            QStringConverter::Flag::Stateless);
            if (decoder->isValid())
                return decoder;
        }
    }
    return nullptr;
}

// What the Symbol font draws at 0x20..0xFF (0 where it draws nothing useful: keep the byte).
constexpr std::array<char16_t, 224> kSymbolTable = {
    // 0x20
    0x0020, 0x0021, 0x2200, 0x0023, 0x2203, 0x0025, 0x0026, 0x220B,
    0x0028, 0x0029, 0x2217, 0x002B, 0x002C, 0x2212, 0x002E, 0x002F,
    // 0x30
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F,
    // 0x40
    0x2245, 0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393,
    0x0397, 0x0399, 0x03D1, 0x039A, 0x039B, 0x039C, 0x039D, 0x039F,
    // 0x50
    0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5, 0x03C2, 0x03A9,
    0x039E, 0x03A8, 0x0396, 0x005B, 0x2234, 0x005D, 0x22A5, 0x005F,
    // 0x60
    0x203E, 0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3,
    0x03B7, 0x03B9, 0x03D5, 0x03BA, 0x03BB, 0x03BC, 0x03BD, 0x03BF,
    // 0x70
    0x03C0, 0x03B8, 0x03C1, 0x03C3, 0x03C4, 0x03C5, 0x03D6, 0x03C9,
    0x03BE, 0x03C8, 0x03B6, 0x007B, 0x007C, 0x007D, 0x223C, 0x0000,
    // 0x80..0x9F: unused by the font
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    // 0xA0
    0x20AC, 0x03D2, 0x2032, 0x2264, 0x2044, 0x221E, 0x0192, 0x2663,
    0x2666, 0x2665, 0x2660, 0x2194, 0x2190, 0x2191, 0x2192, 0x2193,
    // 0xB0
    0x00B0, 0x00B1, 0x2033, 0x2265, 0x00D7, 0x221D, 0x2202, 0x2022,
    0x00F7, 0x2260, 0x2261, 0x2248, 0x2026, 0x23D0, 0x23AF, 0x21B5,
    // 0xC0
    0x2135, 0x2111, 0x211C, 0x2118, 0x2297, 0x2295, 0x2205, 0x2229,
    0x222A, 0x2283, 0x2287, 0x2284, 0x2282, 0x2286, 0x2208, 0x2209,
    // 0xD0
    0x2220, 0x2207, 0x00AE, 0x00A9, 0x2122, 0x220F, 0x221A, 0x22C5,
    0x00AC, 0x2227, 0x2228, 0x21D4, 0x21D0, 0x21D1, 0x21D2, 0x21D3,
    // 0xE0
    0x25CA, 0x2329, 0x00AE, 0x00A9, 0x2122, 0x2211, 0x239B, 0x239C,
    0x239D, 0x23A1, 0x23A2, 0x23A3, 0x23A7, 0x23A8, 0x23A9, 0x23AA,
    // 0xF0
    0x0000, 0x232A, 0x222B, 0x2320, 0x23AE, 0x2321, 0x239E, 0x239F,
    0x23A0, 0x23A4, 0x23A5, 0x23A6, 0x23AB, 0x23AC, 0x23AD, 0x0000,
};

} // namespace

char32_t symbolFontCharacter(unsigned char byte)
{
    if (byte < 0x20)
        return byte;
    const char16_t mapped = kSymbolTable[byte - 0x20];
    return mapped ? mapped : char32_t(0xF000 + byte);
}

bool CodePageDecoder::isSupported(int codePage)
{
    return makeDecoder(codePage) != nullptr;
}

QStringDecoder* CodePageDecoder::decoderFor(int codePage)
{
    auto it = decoders_.find(codePage);
    if (it == decoders_.end()) {
        auto decoder = makeDecoder(codePage);
        if (!decoder)
            decoder = makeDecoder(1252);
        it = decoders_.emplace(codePage, std::move(decoder)).first;
    }
    return it->second.get();
}

QString CodePageDecoder::decode(int codePage, const char* data, qsizetype size)
{
    QString out;
    if (codePage == kAdobeSymbolCodePage || codePage == kSymbolCodePage) {
        // The Symbol font's pictures are real characters; other symbol fonts (Wingdings, Zapf
        // Dingbats...) get the private-use alias U+F000 + byte, which such fonts draw.
        out.reserve(size);
        for (qsizetype i = 0; i < size; ++i) {
            const auto byte = static_cast<unsigned char>(data[i]);
            const char32_t c = codePage == kAdobeSymbolCodePage ? symbolFontCharacter(byte)
                               : byte < 0x20                    ? char32_t(byte)
                                                                : char32_t(0xF000 + byte);
            out.append(QChar(char16_t(c)));
        }
        return out;
    }
    QStringDecoder* decoder = decoderFor(codePage);
    if (!decoder)
        return QString::fromLatin1(data, size);
    return decoder->decode(QByteArrayView(data, size));
}

} // namespace platform::rtf
