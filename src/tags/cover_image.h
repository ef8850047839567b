#pragma once

#include <QByteArray>
#include <QString>

namespace vt
{

// A book's cover as an audio file carries it: JPEG or PNG bytes.
struct CoverImage {
    QByteArray data;  // empty when the book has no usable cover
    QString mimeType; // "image/jpeg" or "image/png"
};

// The longest side a cover keeps; players show covers small, and a tag of
// several megabytes slows every one of them down.
inline constexpr int kCoverMaxSide = 1000;

// Makes a cover of a book's cover file. A JPEG or PNG of at most
// kCoverMaxSide pixels a side is kept byte for byte; a larger one is scaled
// down in its own format. Other pictures Qt can read become PNG; an SVG
// cover is drawn on white and kept as JPEG (SVG needs a GUI application,
// which both programs are; without one an SVG gives no cover). Anything
// that cannot be read gives an empty cover, never an error.
CoverImage PrepareCover(const QByteArray& bytes, const QString& mediaType);

} // namespace vt
