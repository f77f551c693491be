#pragma once

#include <QByteArray>
#include <QLatin1StringView>
#include <QString>
#include <QStringView>
#include <cstring>

namespace platform {

/// The characters of one leaf of the text store: UTF-16 code units, held one byte each while
/// they are all below U+0100 (Latin-1), which halves the memory of most files. A narrow leaf is
/// read as it is; the first edit that touches it widens it (wide()), which costs one leaf's copy.
/// Like QString, it is implicitly shared, so a snapshot's copy of a leaf costs a reference.
class LeafText {
public:
    LeafText() = default;
    LeafText(QString wide) : wide_(std::move(wide)) {}
    /// Characters below U+0100, one byte each.
    static LeafText fromLatin1(QByteArray latin1)
    {
        LeafText t;
        t.narrow_ = true;
        t.bytes_ = std::move(latin1);
        return t;
    }

    qsizetype size() const { return narrow_ ? bytes_.size() : wide_.size(); }
    bool isEmpty() const { return size() == 0; }
    bool isNarrow() const { return narrow_; }
    QChar at(qsizetype i) const { return narrow_ ? QChar(uchar(bytes_[i])) : wide_.at(i); }
    QChar front() const { return at(0); }
    QChar back() const { return at(size() - 1); }

    /// The next c at or after from (-1: none).
    qsizetype indexOf(char16_t c, qsizetype from = 0) const
    {
        if (!narrow_)
            return wide_.indexOf(QChar(c), from);
        if (c > 0xFF || from >= bytes_.size())
            return -1;
        const char* p = bytes_.constData();
        const void* hit = std::memchr(p + from, int(c), size_t(bytes_.size() - from));
        return hit ? static_cast<const char*>(hit) - p : -1;
    }
    /// The line feeds among count characters from from.
    qsizetype countBreaks(qsizetype from, qsizetype count) const
    {
        qsizetype n = 0;
        if (narrow_) {
            const char* p = bytes_.constData() + from;
            for (qsizetype i = 0; i < count; ++i) // vectorised by the compiler
                n += p[i] == '\n';
        } else {
            const char16_t* p = reinterpret_cast<const char16_t*>(wide_.constData()) + from;
            for (qsizetype i = 0; i < count; ++i)
                n += p[i] == u'\n';
        }
        return n;
    }
    qsizetype countBreaks() const { return countBreaks(0, size()); }

    /// count characters from from, as UTF-16: a view into the leaf when it is wide, else
    /// widened into scratch.
    QStringView view(qsizetype from, qsizetype count, QString* scratch) const
    {
        if (!narrow_)
            return QStringView(wide_).sliced(from, count);
        *scratch = QLatin1StringView(bytes_.constData() + from, count);
        return *scratch;
    }
    QStringView view(QString* scratch) const { return view(0, size(), scratch); }
    /// Appends count characters from from to out.
    void appendTo(QString& out, qsizetype from, qsizetype count) const
    {
        if (narrow_)
            out.append(QLatin1StringView(bytes_.constData() + from, count));
        else
            out.append(QStringView(wide_).sliced(from, count));
    }
    /// count characters from from, in the same form.
    LeafText mid(qsizetype from, qsizetype count) const
    {
        return narrow_ ? fromLatin1(bytes_.mid(from, count)) : LeafText(wide_.mid(from, count));
    }
    /// The bytes of a narrow leaf (null when wide).
    const QByteArray* latin1() const { return narrow_ ? &bytes_ : nullptr; }

    /// The leaf as UTF-16, to be edited: a narrow leaf is widened first.
    QString& wide()
    {
        if (narrow_) {
            wide_ = QString::fromLatin1(bytes_);
            bytes_ = QByteArray();
            narrow_ = false;
        }
        return wide_;
    }
    /// Appends other, keeping this leaf narrow when both are.
    void append(const LeafText& other)
    {
        if (narrow_ && other.narrow_) {
            bytes_.append(other.bytes_);
            return;
        }
        QString scratch;
        wide().append(other.view(&scratch));
    }
    /// Holds the characters one byte each when they all fit in one; true when it then does.
    bool narrow()
    {
        if (narrow_)
            return true;
        const char16_t* p = reinterpret_cast<const char16_t*>(wide_.constData());
        char16_t high = 0;
        for (qsizetype i = 0, n = wide_.size(); i < n; ++i) // vectorised by the compiler
            high |= p[i];
        if (high > 0xFF)
            return false;
        bytes_ = wide_.toLatin1();
        wide_ = QString();
        narrow_ = true;
        return true;
    }

private:
    QString wide_;
    QByteArray bytes_;
    bool narrow_ = false;
};

} // namespace platform
