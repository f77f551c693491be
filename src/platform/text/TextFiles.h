#pragma once

#include "platform/TextFile.h"
#include "platform/text/TextStore.h"

#include <QByteArray>
#include <QByteArrayView>
#include <atomic>
#include <functional>
#include <memory>

namespace platform {

/// Reads a plain file into store piece by piece, its bytes never held whole, and tells how the
/// file is written: UTF-16 with its byte-order mark, UTF-8 with or without one, and anything else
/// (binary files included) as Windows-1252, which maps every byte to a character and back. Every
/// line break keeps its own style, so encodeText(store.snapshot(), format) gives back the very
/// same bytes. progress(permille) as for loading: false stops and raises err::Cancel. pieceBytes
/// is for tests of the seams. Throws AppError as readRegularFile does.
TextFormat decodeFileInto(const QString& path, TextStore& store,
                          const std::function<bool(int)>& progress = {},
                          qsizetype pieceBytes = 1024 * 1024);

/// Reads a plain file into store as decodeFileInto does, but in the encoding of as, which the
/// user chose: a byte-order mark of that encoding is passed over. A file that is not valid in
/// it raises err::InvalidFileFormat, naming the first byte that is not, and store is left empty.
TextFormat decodeFileAs(const QString& path, TextStore& store, const TextFormat& as,
                        const std::function<bool(int)>& progress = {},
                        qsizetype pieceBytes = 1024 * 1024);

/// The start of a file that is read in parts: its encoding as far as its first bytes tell (a
/// byte-order mark, or bytes that are not UTF-8), the text of its first part, and the offset the
/// rest starts from. The part ends after its last line break where it holds one, never inside a
/// character or after a CR.
struct FileStart {
    TextFormat format;
    std::unique_ptr<TextStore> store; ///< finished
    qint64 restFrom = 0;
    qint64 size = 0;
};
FileStart readFileStart(const QString& path, qint64 headBytes);

/// How reading the rest of a file ended.
enum class RestRead {
    Whole,    ///< read to its end
    Stopped,  ///< goOn said no: what was handed on is what there is
    NotValid, ///< its bytes are not valid in the encoding: the file needs reading anew
};
/// Reads the rest of a file from offset from in encoding, handing it to deliver in order as
/// finished stores that each end whole (see TextStore::endsWhole), the first after about
/// partChars characters; done counts the bytes read. goOn is asked after each piece. UTF-8 and
/// Windows-1252 are read by two cores, the second half handed on once the first is. Runs on any
/// thread; deliver is called on the calling one. Throws AppError as readRegularFile does.
RestRead readFileRest(const QString& path, qint64 from, TextFormat::Encoding encoding,
                      const std::function<void(std::unique_ptr<TextStore>)>& deliver,
                      const std::function<bool()>& goOn, std::atomic<qint64>& done,
                      qsizetype pieceBytes = 1024 * 1024, qsizetype partChars = 8 * 1024 * 1024);

/// The bytes of a snapshot in the given encoding, each line break in its own style.
QByteArray encodeText(const TextStore::Snapshot& snapshot, const TextFormat& format);
/// The same bytes handed to sink in pieces of about a megabyte; sink returns false to stop.
void encodeText(const TextStore::Snapshot& snapshot, const TextFormat& format,
                const std::function<bool(QByteArrayView)>& sink);

} // namespace platform
