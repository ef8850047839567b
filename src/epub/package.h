#pragma once

#include "common/expected.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

namespace vt
{

class ZipArchive;

// One file the package document lists in its manifest.
struct EpubItem {
    QString id;
    QString path; // inside the archive, resolved against the package document
    QString mediaType;
    QStringList properties; // EPUB 3 "nav", "cover-image", ...
};

// One reference of an EPUB 2 guide ("toc", "cover", "text", ...).
struct EpubGuideRef {
    QString type;
    QString title;
    QString path; // inside the archive, without a fragment
};

// What a book's package document says of it. Every text is trimmed, with
// runs of white space made one blank.
struct EpubPackage {
    QString packagePath; // inside the archive
    QString version;     // "2.0", "3.0", ...
    QString title;       // the main title
    QStringList titles;  // every dc:title, in order
    QStringList authors; // creators in the author role, else every creator
    QString language;    // the first dc:language, e.g. "en-US"
    QString publisher;
    QString date; // as written, e.g. "2018-03-27T22:02:30Z"
    QString description;
    QList<EpubItem> manifest;
    QStringList
        spine; // item ids in reading order, linear="no" too: the converter reads them in place
    QString coverItemId; // EPUB 3 cover-image, else EPUB 2 <meta name="cover">
    QString navItemId;   // EPUB 3 navigation document
    QString ncxItemId;   // EPUB 2 table of contents
    QList<EpubGuideRef> guide;

    const EpubItem* item(const QString& id) const;
    const EpubItem* itemAt(const QString& path) const;
    // The documents of the reading order, each once (where it is first listed).
    QStringList spinePaths() const;
};

// True for an (X)HTML page, which the converter reads as text.
bool IsPage(const EpubItem& item);

// A book opened for reading its package and files. Never raises: a book that
// cannot be read, or whose package is broken, gives what could be read.
class EpubBook
{
  public:
    explicit EpubBook(const QString& path);
    ~EpubBook();
    EpubBook(const EpubBook&) = delete;
    EpubBook& operator=(const EpubBook&) = delete;

    // True when the archive opened and its package document was read.
    bool hasPackage() const { return hasPackage_; }
    const EpubPackage& package() const { return package_; }
    // A file of the book by its path inside the archive; empty when it is
    // missing, unreadable, encrypted or larger than maxBytes.
    QByteArray read(const QString& path, qint64 maxBytes = 32 << 20) const;
    // A page (XHTML) as UTF-8, for every reader of the book's text alike: one
    // in another encoding it declares is turned into UTF-8, and bytes that
    // are not UTF-8 where none is declared (a Latin-1 "é") are replaced by
    // U+FFFD, which an XML reader takes, rather than end the page there.
    // Such a page is noted in repairedPages(), and `repaired` is set.
    QByteArray readPage(const QString& path, bool* repaired = nullptr) const;
    QStringList repairedPages() const { return repaired_; }
    // True when a document of the reading order is encrypted: its zip entry
    // is, or META-INF/encryption.xml names it (copy protection). Fonts a
    // book obfuscates by the format's own rule do not count.
    bool readingOrderEncrypted() const;
    // Writes the book's file, byte for byte, to a new file, without opening
    // the book again. A failure leaves no file.
    Expected<void> copyTo(const QString& target) const;

  private:
    std::unique_ptr<ZipArchive> archive_;
    QHash<QString, quint64> index_; // entry names, exact and in lower case
    bool hasPackage_ = false;
    EpubPackage package_;
    mutable QStringList repaired_;
};

// A link's target inside the archive: href taken relative to the file at
// fromPath, percent-decoded, "." and ".." resolved, the fragment dropped.
// Empty for a link that leaves the book (a scheme, or above its root).
QString ResolveEpubHref(const QString& fromPath, const QString& href);

// Parses a package document (exposed for tests and for books already read).
EpubPackage ParseEpubPackage(const QByteArray& xml, const QString& packagePath);

} // namespace vt
