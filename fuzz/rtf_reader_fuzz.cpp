// libFuzzer target for the RTF reader: any bytes must load without a crash, a hang or a
// sanitizer report, and what was loaded must be writable and readable again.
#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Fonts and the text document's layout need a GUI application; offscreen needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "rtf_reader_fuzz";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using platform::rtf::RtfReader;
    using platform::rtf::RtfWriter;

    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    // Mutations that break the signature would only test the refusal: keep most inputs readable.
    if (!RtfReader::looksLikeRtf(bytes) && !bytes.isEmpty() && (data[0] & 1))
        bytes.prepend("{\\rtf1 ");

    QTextDocument document;
    QString warning;
    RtfReader::read(bytes, document, &warning);

    if (size <= 256 * 1024) {
        const QByteArray written = RtfWriter::write(document);
        QTextDocument again;
        if (!RtfReader::read(written, again))
            __builtin_trap();
        // Block structure may differ (adjacent tables merge, as in word processors); text may not.
        if (again.toPlainText().simplified() != document.toPlainText().simplified())
            __builtin_trap();
    }
    return 0;
}
