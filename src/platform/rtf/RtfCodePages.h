#pragma once

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

#include <memory>
#include <unordered_map>

namespace platform::rtf {

/// Pseudo code page for fonts whose bytes are symbols rather than letters (\fcharset2).
inline constexpr int kSymbolCodePage = -2;
/// Pseudo code page for the "Symbol" font: its bytes map to the Greek letters and mathematical
/// signs it draws.
inline constexpr int kAdobeSymbolCodePage = -3;

/// The Windows code page that a font's \fcharset value stands for, or 0 when the value says
/// "whatever the document uses" (or is unknown).
int codePageForCharset(int charset);

/// The Unicode character that the Symbol font draws for a byte (or for its private-use alias
/// U+F000 + byte that word processors write with \u).
char32_t symbolFontCharacter(unsigned char byte);

/// Turns bytes of a code page into text. One decoder per code page is made on first use and kept.
class CodePageDecoder {
public:
    QString decode(int codePage, const char* data, qsizetype size);
    /// True when this machine can decode the code page (it is not replaced by windows-1252).
    static bool isSupported(int codePage);

private:
    QStringDecoder* decoderFor(int codePage);
    std::unordered_map<int, std::unique_ptr<QStringDecoder>> decoders_;
};

} // namespace platform::rtf
