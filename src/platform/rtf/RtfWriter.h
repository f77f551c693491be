#pragma once

#include <QByteArray>
#include <QColor>
#include <QStringView>
#include <functional>
#include <optional>

class QFont;
class QTextDocument;

namespace platform::rtf {

/// Writes a QTextDocument as RTF that word processors open, with what the reader kept of the
/// file it came from back in place.
class RtfWriter {
public:
    /// Where bytes go as they are made; false stops the writing.
    using Sink = std::function<bool(QByteArrayView)>;
    /// Hands a text to its sink in pieces, in order, until the sink returns false.
    using Pieces = std::function<void(const std::function<bool(QStringView)>& sink)>;

    static QByteArray write(const QTextDocument& document);
    /// The same bytes handed to sink a piece at a time as they are made, so that they are never
    /// held whole. False when sink stopped the writing.
    static bool write(const QTextDocument& document, const Sink& sink);
    /// The bytes write() gives for a document made of plain text in font and, when given, colour
    /// (a paragraph for each line, one run of the font and colour in each), made straight from
    /// the text's pieces: no document is built and the bytes are never held whole.
    static bool writePlain(const Pieces& text, const QFont& font,
                           const std::optional<QColor>& color, const Sink& sink);
};

/// Text as RTF: printable ASCII as itself, the three special characters escaped, everything else
/// as \uN with "?" for readers that know no Unicode (\uc1 in force).
void appendRtfText(QByteArray& out, QStringView text);

} // namespace platform::rtf
