// libFuzzer target for the key-sequence notation: any text must parse to keys or to error 5,
// never crash or hang; every parsed key presses a bounded number of times; and any text, escaped,
// must parse back to keys that type exactly that text.
//
//   cmake --build build-fuzz --target sendkeys_fuzz
//   build-fuzz/fuzz/sendkeys_fuzz -max_total_time=600 -timeout=2 -max_len=4096 corpus-folder
#include "platform/AppError.h"
#include "platform/SendKeys.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// What keys type, line breaks read as one Enter each.
QString typed(const QList<platform::KeyStroke>& keys)
{
    QString out;
    for (const platform::KeyStroke& k : keys)
        for (int i = 0; i < k.repeat; ++i)
            out += k.key == Qt::Key_Return ? QStringLiteral("\n") : k.text;
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));

    try {
        for (const platform::KeyStroke& k : platform::parseKeys(text))
            if (k.repeat < 1 || k.repeat > platform::kMaxKeyRepeat)
                std::abort();
    } catch (const platform::AppError& e) {
        if (e.number != 5 || e.description.isEmpty())
            std::abort();
    }

    // Escaped text comes back as typed; CR LF and CR are line breaks like LF.
    QString expected = text;
    expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    try {
        if (typed(platform::parseKeys(platform::escapeKeys(text))) != expected)
            std::abort();
    } catch (const platform::AppError&) {
        std::abort();
    }
    return 0;
}
