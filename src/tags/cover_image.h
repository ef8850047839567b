#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

namespace vt
{

// A book's cover as an audio file carries it: JPEG or PNG bytes.
struct CoverImage {
    QByteArray data;  // empty when the book has no usable cover
    QString mimeType; // "image/jpeg" or "image/png"
    QString problem;  // why a cover the book has was left out, for the user
};

// A file of the book an SVG cover refers to (its path relative to the
// cover's), or nothing when the book holds none.
using BookFileReader = std::function<QByteArray(const QString& href)>;

// The longest side a cover keeps; players show covers small, and a tag of
// several megabytes slows every one of them down.
inline constexpr int kCoverMaxSide = 1000;

// Makes a cover of a book's cover file. A JPEG or PNG of at most
// kCoverMaxSide pixels a side is kept byte for byte; a larger one is scaled
// down in its own format. Other pictures Qt can read become PNG; an SVG
// cover is drawn on white and kept as JPEG (SVG needs a GUI application,
// which both programs are; without one an SVG gives no cover). An SVG cover
// is drawn from the book alone: the pictures it refers to are taken from
// `bookFile` and nothing else is ever opened; one too large to draw (more
// than kSvgMaxBytes, or more than kSvgMaxElements elements) is left out,
// and so is anything that cannot be read, never an error.
CoverImage PrepareCover(const QByteArray& bytes, const QString& mediaType,
                        const BookFileReader& bookFile = {});

inline constexpr qsizetype kSvgMaxBytes = 8 << 20;
inline constexpr int kSvgMaxElements = 50000;

} // namespace vt
