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

// One side in pixels: the goal in twips, else the picture's own extent, scaled.
int side(int goal, int extent, bool metafile, int imagePixels, int scale)
{
    double pixels;
    if (goal > 0)
        pixels = goal / 15.0;
    else if (extent > 0)
        pixels = metafile ? extent * 96.0 / 2540.0 : extent;
    else if (imagePixels > 0)
        pixels = imagePixels;
    else
        pixels = 96;   // nothing tells: an inch
    if (scale > 0)
        pixels = pixels * scale / 100.0;
    return int(std::clamp<double>(std::lround(pixels), 1, kMaxSide));
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
    reader.setFormat(kind == PictureKind::Png ? "png" : "jpeg");
    return &reader;
}

QImage decode(const Picture& picture, QSize display)
{
    QByteArray data = picture.data;
    QBuffer buffer(&data);
    QImageReader reader;
    if (!openReader(buffer, reader, pictureKind(picture.keywords)))
        return placeholder();
    const QSize natural = reader.size();
    const QSize limit = display * 2;
    if (natural.isValid() && (natural.width() > limit.width() || natural.height() > limit.height()))
        reader.setScaledSize(natural.scaled(limit, Qt::KeepAspectRatio).expandedTo({1, 1}));
    QImage image = reader.read();
    return image.isNull() ? placeholder() : image;
}

} // namespace

PictureKind pictureKind(const QByteArray& keywords)
{
    if (hasWord(keywords, "pngblip"))
        return PictureKind::Png;
    if (hasWord(keywords, "jpegblip"))
        return PictureKind::Jpeg;
    return PictureKind::Other;
}

QSize pictureDisplaySize(const QByteArray& keywords, QSize imageSize)
{
    const Words w = parseWords(keywords);
    return {side(w.goalw, w.picw, w.metafile, imageSize.width(), w.scalex),
            side(w.goalh, w.pich, w.metafile, imageSize.height(), w.scaley)};
}

QTextImageFormat pictureFormat(const QTextCharFormat& around, const Picture& picture,
                               const QString& name)
{
    QSize imageSize;
    const Words w = parseWords(picture.keywords);
    if ((w.goalw <= 0 && w.picw <= 0) || (w.goalh <= 0 && w.pich <= 0)) {
        // Only the image itself tells its size.
        QByteArray data = picture.data;
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
