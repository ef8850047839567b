#include "pipeline/book_job.h"

#include "common/path.h"
#include "common/paths.h"
#include "pipeline/result_names.h"

using namespace Qt::StringLiterals;

namespace vt
{

QString SuffixOf(OutputFormat format)
{
    return format == OutputFormat::M4b ? u"m4b"_s : u"mp3"_s;
}

QString ResultPath(const QString& bookPath, bool option1, bool option2, const QString& folder,
                   OutputFormat format)
{
    const QString name =
        FittingResultName(Path(GetFileName(bookPath)).withSuffix(SuffixOf(format)).text());
    Path result = Path(GetShortPath(GetFolderPart(bookPath))) / name;
    if (option1)
        result = Path(folder) / name;
    else if (option2)
        result = Path(GetFolderPart(bookPath)) / name;
    return CollapseBackslashes(result.text());
}

QList<BookJob> MakeJobs(const QStringList& books, const JobSettings& settings)
{
    QList<BookJob> jobs;
    for (const QString& book : books) {
        jobs.append(
            {book,
             ResultPath(book, settings.option1, settings.option2, settings.folder, settings.format),
             settings.voice, settings.volume, settings.rate, settings.tags, settings.matchLanguage,
             settings.id3, settings.format, settings.splitChapters, settings.threads,
             settings.listening});
        if (const auto chosen = settings.chosenParts.constFind(book);
            chosen != settings.chosenParts.constEnd())
            jobs.last().listening.parts = {*chosen, false};
    }
    SeparateSameNamedResults(jobs);
    return jobs;
}

} // namespace vt
