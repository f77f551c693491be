#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

class QTextDocument;

namespace platform::rtf {

/// Reads RTF bytes into a QTextDocument.
class RtfReader {
public:
    /// True when the bytes hold RTF: they start with "{\rtf".
    static bool looksLikeRtf(const QByteArray& head);

    /// Tells how many of the bytes have been read; returning false stops the reading there.
    using Progress = std::function<bool(qint64 done, qint64 total)>;

    /// Replaces the document's content with what the RTF holds. Malformed input yields whatever
    /// could be read; it never crashes or hangs. Returns false only when nothing could be read.
    /// Pictures become image characters that keep the picture's data (see RtfPictures.h).
    /// What the document cannot show (headers and footers, footnotes, comments, bookmarks, field
    /// instructions, text boxes, embedded objects, page settings) is kept as the file gave it,
    /// with the document or on a marker at its place (see RtfKept.h), and written back.
    /// `unkept` receives what the file held that even so saving would lose (an object shown as
    /// text, a footnote inside a list number, a text box outside a shape), each in words a user
    /// understands; empty when nothing.
    static bool read(const QByteArray& rtf, QTextDocument& document, QString* warning = nullptr,
                     const Progress& progress = {}, QStringList* unkept = nullptr);
};

} // namespace platform::rtf
