#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace platform {

/// How a plain-text file is written on disk, detected when it is read and kept for its save.
struct TextFormat {
    /// Other: an encoding of the platform's converter, named by charset ("ISO-8859-15").
    enum class Encoding { Utf8, Utf8Bom, Utf16LE, Utf16BE, Windows1252, Other };
    enum class LineBreak { LF, CRLF, CR };
    Encoding encoding = Encoding::Utf8;
    LineBreak lineBreak = LineBreak::LF;
    QByteArray charset; ///< with Other only
    bool operator==(const TextFormat&) const = default;
};

/// The encodings a user can choose for a plain file: the five read without being asked, then
/// ISO-8859-1, ISO-8859-15 and the others the platform's converter knows. Line breaks are LF.
const QList<TextFormat>& offeredEncodings();

/// Windows-1252 both ways, every byte a character: the five bytes it leaves undefined are the C1
/// controls of the same number. A character without a byte is written as '?'.
QString decodeWindows1252(QByteArrayView bytes);
QByteArray encodeWindows1252(QStringView text);

/// The bytes of text ('\n' between lines) in the given format.
QByteArray encodeText(const QString& text, const TextFormat& format);

/// Whether the encoding stores any character (the Unicode ones do).
bool storesEveryCharacter(TextFormat::Encoding encoding);
/// The offset of the first character of text that encoding cannot store, or -1.
qsizetype firstUnstorable(QStringView text, const TextFormat& format);

/// The encoding's name as users know it ("Windows-1252").
QString encodingName(const TextFormat& format);
QString encodingName(TextFormat::Encoding encoding);

QString describe(const TextFormat& format);

} // namespace platform
