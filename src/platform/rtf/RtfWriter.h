#pragma once

#include <QByteArray>

class QTextDocument;

namespace platform::rtf {

/// Writes a QTextDocument as RTF that word processors open, with what the reader kept of the
/// file it came from back in place.
class RtfWriter {
public:
    static QByteArray write(const QTextDocument& document);
};

} // namespace platform::rtf
