#pragma once

#include <QByteArray>
#include <QStringView>

class QTextDocument;

namespace platform::rtf {

/// Writes a QTextDocument as RTF that word processors open, with what the reader kept of the
/// file it came from back in place.
class RtfWriter {
public:
    static QByteArray write(const QTextDocument& document);
};

/// Text as RTF: printable ASCII as itself, the three special characters escaped, everything else
/// as \uN with "?" for readers that know no Unicode (\uc1 in force).
void appendRtfText(QByteArray& out, QStringView text);

} // namespace platform::rtf
