#include "platform/rtf/RtfPictures.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace platform::rtf {

namespace {

constexpr int kMaxSide = 22 * 96;   // 22 inches, as the reader bounds lengths

struct Words {
    int picw = 0, pich = 0, goalw = 0, goalh = 0, scalex = 100, scaley = 100;
    int cropl = 0, cropr = 0, cropt = 0, cropb = 0;
    bool metafile = false;
};

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

Words parseWords(const QByteArray& keywords)
{
    Words w;
    const char* p = keywords.constData();
    const char* end = p + keywords.size();
    while (p < end) {
        if (*p++ != '\\')
            continue;
        const char* start = p;
        while (p < end && isLetter(*p))
            ++p;
        const QByteArrayView word(start, p - start);
        bool negative = p < end && *p == '-';
        if (negative)
            ++p;
        qint64 value = 0;
        while (p < end && *p >= '0' && *p <= '9') {
            value = std::min<qint64>(value * 10 + (*p - '0'), (1LL << 31) - 1);
            ++p;
        }
        const int n = int(negative ? -value : value);
        if (word == "picw") w.picw = n;
        else if (word == "pich") w.pich = n;
        else if (word == "picwgoal") w.goalw = n;
        else if (word == "pichgoal") w.goalh = n;
        else if (word == "picscalex") w.scalex = n;
        else if (word == "picscaley") w.scaley = n;
        else if (word == "piccropl") w.cropl = n;
        else if (word == "piccropr") w.cropr = n;
        else if (word == "piccropt") w.cropt = n;
        else if (word == "piccropb") w.cropb = n;
        else if (word == "wmetafile" || word == "emfblip" || word == "pmmetafile") w.metafile = true;
    }
    return w;
}

bool hasWord(const QByteArray& keywords, const char* word)
{
    const qsizetype length = qstrlen(word);
    for (qsizetype at = keywords.indexOf(word); at >= 0; at = keywords.indexOf(word, at + 1)) {
        const qsizetype after = at + length;
        if (at > 0 && keywords[at - 1] == '\\' && (after == keywords.size() || !isLetter(keywords[after])))
            return true;
    }
    return false;
}

// One side of the whole picture in twips: the goal, else the picture's own extent.
double naturalTwips(int goal, int extent, bool metafile, int imagePixels)
{
    if (goal > 0)
        return goal;
    if (extent > 0)
        return metafile ? extent * 1440.0 / 2540.0 : extent * 15.0;
    if (imagePixels > 0)
        return imagePixels * 15.0;
    return 1440;   // nothing tells: an inch
}

// One side in pixels: what the crops leave of the whole, scaled.
int side(int goal, int extent, bool metafile, int imagePixels, int scale, int cropFrom, int cropTo)
{
    const double whole = naturalTwips(goal, extent, metafile, imagePixels);
    double pixels = std::max(whole - double(cropFrom) - double(cropTo), 15.0) / 15.0;
    if (scale > 0)
        pixels = pixels * scale / 100.0;
    return int(std::clamp<double>(std::lround(pixels), 1, kMaxSide));
}

// A device-independent bitmap is a BMP file without its 14-byte file header.
QByteArray bmpFromDib(const QByteArray& dib)
{
    if (dib.size() < 16)
        return {};
    const auto u32 = [&](qsizetype at) {
        return quint32(quint8(dib[at])) | quint32(quint8(dib[at + 1])) << 8
               | quint32(quint8(dib[at + 2])) << 16 | quint32(quint8(dib[at + 3])) << 24;
    };
    const quint32 header = u32(0);
    if (header < 12 || header > quint32(dib.size()))
        return {};
    quint32 colours = 0;
    quint32 masks = 0;
    if (header == 12) { // the old core header: 3-byte palette entries
        const int bits = quint8(dib[10]) | quint8(dib[11]) << 8;
        colours = bits <= 8 ? (1u << bits) * 3 : 0;
    } else if (header >= 40) {
        const int bits = quint8(dib[14]) | quint8(dib[15]) << 8;
        const quint32 compression = u32(16);
        const quint32 used = dib.size() >= 36 ? u32(32) : 0;
        colours = std::min<quint32>(used != 0 ? used : bits <= 8 ? (1u << bits) : 0, 256) * 4;
        if (header == 40 && (compression == 3 || compression == 6))
            masks = compression == 3 ? 12 : 16;
    }
    const quint32 offset = 14 + header + masks + colours;
    const quint32 size = 14 + quint32(dib.size());
    QByteArray bmp("BM");
    for (const quint32 v : {size, quint32(0), offset})
        for (int i = 0; i < 4; ++i)
            bmp.append(char((v >> (8 * i)) & 0xFF));
    return bmp + dib;
}

// The part of the image the crops leave (a negative crop adds an empty margin).
QImage cropped(const QImage& image, const Words& w, QSizeF whole)
{
    if ((w.cropl == 0 && w.cropr == 0 && w.cropt == 0 && w.cropb == 0) || image.isNull())
        return image;
    const double sx = image.width() / std::max(whole.width(), 1.0);
    const double sy = image.height() / std::max(whole.height(), 1.0);
    const QRect part(QPoint(int(std::lround(w.cropl * sx)), int(std::lround(w.cropt * sy))),
                     QPoint(int(std::lround(image.width() - w.cropr * sx)) - 1,
                            int(std::lround(image.height() - w.cropb * sy)) - 1));
    if (part.width() < 1 || part.height() < 1 || part.width() > kMaxSide * 4 || part.height() > kMaxSide * 4)
        return image;
    // Outside the image copy() leaves the margin empty: clear, not black.
    const QImage source = image.rect().contains(part) ? image : image.convertToFormat(QImage::Format_ARGB32);
    return source.copy(part);
}

QImage placeholder()
{
    static const QImage grey = [] {
        QImage image(16, 16, QImage::Format_RGB32);
        image.fill(QColor(0xC8, 0xC8, 0xC8));
        return image;
    }();
    return grey;
}

QImageReader* openReader(QBuffer& buffer, QImageReader& reader, PictureKind kind)
{
    if (kind == PictureKind::Other || !buffer.open(QIODevice::ReadOnly))
        return nullptr;
    reader.setDevice(&buffer);
    reader.setFormat(kind == PictureKind::Png ? "png" : kind == PictureKind::Jpeg ? "jpeg" : "bmp");
    return &reader;
}

// The bytes a reader of the picture's kind takes.
QByteArray readable(const Picture& picture)
{
    return pictureKind(picture.keywords) == PictureKind::Dib ? bmpFromDib(picture.data) : picture.data;
}

QImage decode(const Picture& picture, QSize display)
{
    QByteArray data = readable(picture);
    QBuffer buffer(&data);
    QImageReader reader;
    if (!openReader(buffer, reader, pictureKind(picture.keywords)))
        return placeholder();
    const QSize natural = reader.size();
    const QSize limit = display * 2;
    if (natural.isValid() && (natural.width() > limit.width() || natural.height() > limit.height()))
        reader.setScaledSize(natural.scaled(limit, Qt::KeepAspectRatio).expandedTo({1, 1}));
    QImage image = reader.read();
    if (image.isNull())
        return placeholder();
    const Words w = parseWords(picture.keywords);
    const QSize own = natural.isValid() ? natural : image.size();
    const QSizeF whole(naturalTwips(w.goalw, w.picw, w.metafile, own.width()),
                       naturalTwips(w.goalh, w.pich, w.metafile, own.height()));
    return cropped(image, w, whole);
}

} // namespace

PictureKind pictureKind(const QByteArray& keywords)
{
    if (hasWord(keywords, "pngblip"))
        return PictureKind::Png;
    if (hasWord(keywords, "jpegblip"))
        return PictureKind::Jpeg;
    if (hasWord(keywords, "dibitmap"))
        return PictureKind::Dib;
    return PictureKind::Other;
}

QSize pictureDisplaySize(const QByteArray& keywords, QSize imageSize)
{
    const Words w = parseWords(keywords);
    return {side(w.goalw, w.picw, w.metafile, imageSize.width(), w.scalex, w.cropl, w.cropr),
            side(w.goalh, w.pich, w.metafile, imageSize.height(), w.scaley, w.cropt, w.cropb)};
}

QTextImageFormat pictureFormat(const QTextCharFormat& around, const Picture& picture,
                               const QString& name)
{
    QSize imageSize;
    const Words w = parseWords(picture.keywords);
    if ((w.goalw <= 0 && w.picw <= 0) || (w.goalh <= 0 && w.pich <= 0)) {
        // Only the image itself tells its size.
        QByteArray data = readable(picture);
        QBuffer buffer(&data);
        QImageReader reader;
        if (openReader(buffer, reader, pictureKind(picture.keywords)))
            imageSize = reader.size();
    }
    const QSize size = pictureDisplaySize(picture.keywords, imageSize);
    QTextImageFormat format;
    format.merge(around);
    format.setObjectType(QTextFormat::ImageObject);
    format.setName(name);
    format.setWidth(size.width());
    format.setHeight(size.height());
    format.setProperty(PictureKeywords, picture.keywords);
    format.setProperty(PictureData, picture.data);
    return format;
}

bool pictureOf(const QTextFormat& format, Picture* picture)
{
    if (!format.isImageFormat() || !format.hasProperty(PictureData))
        return false;
    if (picture) {
        picture->keywords = format.property(PictureKeywords).toByteArray();
        picture->data = format.property(PictureData).toByteArray();
    }
    return true;
}

void providePictureImages(QTextDocument& document)
{
    for (const QTextFormat& format : document.allFormats()) {
        Picture picture;
        if (!pictureOf(format, &picture))
            continue;
        const QTextImageFormat image = format.toImageFormat();
        const QUrl name(image.name());
        if (document.resource(QTextDocument::ImageResource, name).isValid())
            continue;
        const QSize display(std::max(1, int(image.width())), std::max(1, int(image.height())));
        document.addResource(QTextDocument::ImageResource, name, decode(picture, display));
    }
}

} // namespace platform::rtf
