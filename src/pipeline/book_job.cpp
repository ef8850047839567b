#include "pipeline/book_job.h"

#include "common/paths.h"

using namespace Qt::StringLiterals;

namespace vt
{

QString ResultPath(const QString& bookPath, bool option1, bool option2, const QString& folder)
{
    const QString name = StripExtension(GetFileName(bookPath)) + u".mp3"_s;
    QString result = GetShortPath(GetFolderPart(bookPath)) + u'/' + name;
    if (option1)
        result = folder + u'/' + name;
    else if (option2)
        result = GetFolderPart(bookPath) + u'/' + name;
    return CollapseBackslashes(result);
}

QList<BookJob> MakeJobs(const QStringList& books, const JobSettings& settings)
{
    QList<BookJob> jobs;
    for (const QString& book : books)
        jobs.append({book, ResultPath(book, settings.option1, settings.option2, settings.folder),
                     settings.voice, settings.volume, settings.rate, settings.tags,
                     settings.matchLanguage});
    return jobs;
}

} // namespace vt
