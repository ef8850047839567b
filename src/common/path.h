#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace vt
{

// A file or folder name: text for people, bytes for the system. This is the
// one place where the two are turned into each other; everything that hands
// a name to the system asks for native(), everything that reads one from it
// makes a Path of its bytes. The separator is "/".
//
// A name need not be UTF-8 (a book copied from an old disc may hold a
// Latin-1 "\xe9"): each byte that is not part of a UTF-8 character is kept
// in the text as the unpaired surrogate U+DC80..U+DCFF of its value, so
// native() gives the very same bytes back. Qt's own file classes cannot
// open such a name: it is opened through native() only.
class Path
{
  public:
    Path() = default;
    // A name as people and Qt write it.
    Path(QString text) : text_(std::move(text)) {}
    Path(const char16_t* text) : text_(QString::fromUtf16(text)) {}
    // A name as the system gave it (a folder listing, mkdtemp).
    static Path fromNative(QByteArrayView bytes);

    const QString& text() const { return text_; }
    QByteArray native() const;
    bool isEmpty() const { return text_.isEmpty(); }
    // True when the text holds a byte that is not UTF-8: Qt's file classes
    // and the tools cannot open it, native() can.
    bool hasForeignBytes() const;
    // The text with each foreign byte read as Windows-1252 ("\xe9" as "é"):
    // a name for people and for files made from this one.
    QString readable() const;

    // The path joined with a name or a relative path by one "/" (a folder
    // that ends with "/" gets no second one).
    Path operator/(QStringView name) const;
    // The part after the last "/" ("" for a path ending in "/").
    QString fileName() const;
    // The part before the last "/"; "/" for a name at the root, "" for a
    // bare name.
    Path parent() const;
    // The last extension of the name without its dot ("mp3"); "" for none.
    QString suffix() const;
    // The same path with the last extension of its name replaced ("a.epub"
    // with "mp3" gives "a.mp3"); a name without one gets it added.
    Path withSuffix(QStringView suffix) const;

    bool operator==(const Path&) const = default;

  private:
    QString text_;
};

} // namespace vt
