#pragma once

#include <QByteArray>

class QTextDocument;

namespace platform::rtf {

/// Writes a QTextDocument as RTF that word processors open.
class RtfWriter {
public:
    static QByteArray write(const QTextDocument& document);
};

} // namespace platform::rtf
