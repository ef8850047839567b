#include "pipeline/result_names.h"

#include "common/paths.h"
#include "pipeline/book_job.h"

#include <QCryptographicHash>
#include <QDir>
#include <QSet>
#include <cerrno>
#include <sys/stat.h>
#include <sys/xattr.h>

using namespace Qt::StringLiterals;

namespace vt
{
namespace
{

constexpr const char* kBookAttribute = "user.vellumtone.book";

// The mark of a book: a hash of its absolute path, which tells one book
// from another without writing where the books are into every result.
QByteArray bookMark(const QString& book)
{
    const QByteArray path = Path(QDir::cleanPath(QDir::current().absoluteFilePath(book))).native();
    return QCryptographicHash::hash(path, QCryptographicHash::Sha256).toHex().left(32);
}

// True when nothing is at the place, or what is there is this book's.
bool freeForBook(const Path& place, const QByteArray& mark)
{
    const QByteArray name = place.native();
    struct stat st {
    };
    if (::lstat(name.constData(), &st) != 0)
        return true;
    char value[64];
    const ssize_t n = ::lgetxattr(name.constData(), kBookAttribute, value, sizeof value);
    return n < 0 ? errno != ERANGE : QByteArray(value, qsizetype(n)) == mark;
}

QString stemOf(const Path& result)
{
    return StripExtension(result.fileName());
}

} // namespace

QString FittingResultName(const QString& name)
{
    const QString readable = Path(name).readable();
    if (readable.toUtf8().size() <= kMaxResultNameBytes)
        return readable;
    const QString stem = StripExtension(readable);
    const QString extension = readable.mid(stem.size());
    qsizetype keep = 0;
    qsizetype bytes = extension.toUtf8().size();
    for (qsizetype i = 0; i < stem.size();) {
        const qsizetype size = stem[i].isHighSurrogate() && i + 1 < stem.size() ? 2 : 1;
        bytes += QStringView(stem).mid(i, size).toUtf8().size();
        if (bytes > kMaxResultNameBytes)
            break;
        i += size;
        keep = i;
    }
    return stem.left(keep).trimmed() + extension;
}

Path NumberedResult(const Path& result, int n)
{
    const QString name = result.fileName();
    const QString stem = StripExtension(name);
    return result.parent() / (stem + u" ("_s + QString::number(n) + u')' + name.mid(stem.size()));
}

void SeparateSameNamedResults(QList<BookJob>& jobs)
{
    const auto key = [](const QString& path) { return path.toCaseFolded(); };
    QSet<QString> natural;
    for (const BookJob& job : std::as_const(jobs))
        natural.insert(key(job.result));
    QHash<QString, QString> bookOf; // result taken -> the book that takes it
    for (BookJob& job : jobs) {
        const auto taken = bookOf.constFind(key(job.result));
        if (taken != bookOf.constEnd() && *taken != job.book) {
            for (int n = 2;; ++n) {
                const QString numbered = NumberedResult(job.result, n).text();
                if (!natural.contains(key(numbered)) && !bookOf.contains(key(numbered))) {
                    job.result = numbered;
                    break;
                }
            }
        }
        bookOf.insert(key(job.result), job.book);
    }
}

Path PlaceOfThisBook(const Path& result, const QString& book, bool chapterFolder)
{
    const QByteArray mark = bookMark(book);
    const auto free = [&](const Path& place) {
        return freeForBook(place, mark) &&
               (!chapterFolder || freeForBook(place.parent() / stemOf(place), mark));
    };
    if (free(result))
        return result;
    for (int n = 2;; ++n)
        if (const Path numbered = NumberedResult(result, n); free(numbered))
            return numbered;
}

void MarkResultOfBook(const Path& result, const QString& book)
{
    const QByteArray mark = bookMark(book);
    // A file system without extended attributes keeps no mark: nothing lost.
    (void)::lsetxattr(result.native().constData(), kBookAttribute, mark.constData(),
                      size_t(mark.size()), 0);
}

QString ResultNameNote(const QString& book, const Path& result)
{
    const QString own = Path(GetFileName(book)).withSuffix(result.suffix()).fileName();
    const QString natural = Path(own).readable();
    const QString fitting = FittingResultName(own);
    const QString name = result.fileName();
    if (name == own)
        return {};
    const QString why = Path(own).hasForeignBytes() && name == fitting
                            ? u"the book's file name is not UTF-8"_s
                        : fitting != natural ? u"the book's name is too long for a file name"_s
                                             : u"\""_s + fitting + u"\" is another book's"_s;
    return u"its result is named \""_s + name + u"\": "_s + why;
}

} // namespace vt
