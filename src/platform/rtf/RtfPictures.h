#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QTextFormat>

class QTextDocument;

namespace platform::rtf {

/// A picture of a rich-text file as the file gave it: its control words (kind, sizes, scaling,
/// tag; each written as read, e.g. "\pngblip\picw64\pich64\picwgoal960\pichgoal960") and its
/// data bytes. The document holds it in the character format of the picture's object character,
/// so edits, undo and copies of the document carry it, and saving writes it back unchanged.
struct Picture {
    QByteArray keywords;
    QByteArray data;
};

/// Where a picture's properties live in its QTextImageFormat.
enum PictureProperty {
    PictureKeywords = QTextFormat::UserProperty + 0x5200,
    PictureData,
};

/// What Qt can draw: PNG, JPEG and device-independent bitmaps are shown; every other kind
/// (metafiles, device-dependent bitmaps, Macintosh pictures) is kept and shown as a grey box of
/// its size.
enum class PictureKind { Png, Jpeg, Dib, Other };
PictureKind pictureKind(const QByteArray& keywords);

/// The size the picture is shown at, in the document's pixels (96 per inch): \picwgoal and
/// \pichgoal less the crops (\piccropl and the like, in twips; a negative crop adds a margin),
/// scaled by \picscalex and \picscaley; without goals, \picw and \pich (pixels for bitmaps,
/// hundredths of a millimetre for metafiles), else the image's own size. Each side lies between
/// 1 and 22 inches' worth of pixels.
QSize pictureDisplaySize(const QByteArray& keywords, QSize imageSize = {});

/// The format of a picture's object character: `around` (the text's format, for what is typed
/// next to it) made an image of the given name, shown at its display size, holding the picture.
QTextImageFormat pictureFormat(const QTextCharFormat& around, const Picture& picture,
                               const QString& name);
/// The picture a format holds; false when it holds none (an image of some other origin, text).
bool pictureOf(const QTextFormat& format, Picture* picture);

/// Gives every picture of the document that has no image resource yet its image: the decoded
/// PNG or JPEG (at no more than twice its display size, to bound memory), or a grey box for
/// kinds that cannot be drawn or data that does not decode. Any thread may call it for a
/// document it owns.
void providePictureImages(QTextDocument& document);

} // namespace platform::rtf
