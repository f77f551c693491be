// libFuzzer target for the plain-text store: the input is a file's text followed by a sequence of
// edits, undos and redos. After every step the store must read exactly like a plain string
// edited the same way, and undoing everything must give back the file's bytes.
//
//   cmake --build build-fuzz --target textstore_fuzz
//   build-fuzz/fuzz/textstore_fuzz -max_total_time=600 -timeout=5 -max_len=4096 corpus-folder
#include "platform/text/TextStore.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

using platform::TextStore;

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return pos_ >= size_; }
    unsigned byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    unsigned word() { return byte() | (byte() << 8); }
    // A short text from characters that matter here: breaks of each style, a surrogate pair, a
    // lone half, a separator the old view took for a break.
    QString text()
    {
        static const char16_t kChars[] = {u'a', u' ', u'\n', u'\r', 0xD83D, 0xDE00, 0x2028, 0};
        QString out;
        for (unsigned n = byte() % 9; n > 0; --n)
            out += QChar(kChars[byte() % 8]);
        return out;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

void check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input in(data, size);
    QString raw = in.text();
    // Repeated, so that the text spans several leaves.
    raw = raw.repeated(qsizetype(in.word() % 12000) + 1);
    TextStore store;
    store.setRawText(raw, TextStore::LineBreak::LF);
    check(store.snapshot().rawText() == raw);
    QString model = store.text();
    const TextStore::Snapshot loaded = store.snapshot();
    int depth = 0;
    while (!in.empty()) {
        const unsigned op = in.byte() % 8;
        qsizetype at = model.isEmpty() ? 0 : qsizetype(in.word()) * 37 % (model.size() + 1);
        if (op <= 2) {
            QString text = in.text().replace(u'\r', u'\n'); // the editor inserts '\n' breaks
            if (op == 2)
                text = text.repeated(qsizetype(in.word() % 5000) + 1);
            store.insert(at, text, op == 1);
            model.insert(at, text);
        } else if (op <= 4) {
            const qsizetype count = std::min<qsizetype>(model.size() - at, in.word() % (op == 3 ? 16 : 60000));
            store.remove(at, count);
            model.remove(at, count);
        } else if (op == 5) {
            store.undo();
            model = store.text();
        } else if (op == 6) {
            store.redo();
            model = store.text();
        } else if (depth == 0) {
            store.beginGroup();
            depth = 1;
        } else {
            store.endGroup();
            depth = 0;
        }
        check(store.isConsistent() && store.text() == model && store.length() == model.size());
        at = std::min(at, model.size()); // an undo may have shortened the text
        const qsizetype line = store.lineOf(at);
        check(store.lineStart(line) <= at && at <= store.lineStart(line) + store.lineLength(line));
        const QString needle = model.mid(at, 5);
        check(store.find(needle, 0) == (needle.isEmpty() ? -1 : model.indexOf(needle)));
    }
    if (depth)
        store.endGroup();
    while (store.undo()) {
    }
    check(store.snapshot().rawText() == raw && loaded.rawText() == raw);
    return 0;
}
