#pragma once

#include "platform/TextFile.h"
#include "platform/text/TextStore.h"

#include <QByteArray>
#include <QByteArrayView>
#include <functional>

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

/// The bytes of a snapshot in the given encoding, each line break in its own style.
QByteArray encodeText(const TextStore::Snapshot& snapshot, const TextFormat& format);
/// The same bytes handed to sink in pieces of about a megabyte; sink returns false to stop.
void encodeText(const TextStore::Snapshot& snapshot, const TextFormat& format,
                const std::function<bool(QByteArrayView)>& sink);

} // namespace platform
