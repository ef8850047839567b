#include "epub/book_parts.h"
#include "epub/package.h"
#include "epub/spoken_copy.h"
#include "fuzz_entries.h"
#include "made_book.h"
#include "text/chapter_places.h"
#include "text/cutting.h"

#include <QFile>

using namespace Qt::StringLiterals;

namespace vt::fuzz
{
QString ChooseParts(const uint8_t* data, size_t size)
{
    if (size == 0)
        return {};
    const MadeBook made = MakeBook(data + 1, size - 1);
    const QString path = ScratchFolder() + u"/made.epub"_s;
    if (!WriteBook(made, path))
        return u"the book could not be written"_s;
    const EpubBook book(path);
    const QList<BookPart> parts = ReadBookParts(book);
    if (parts.size() != made.parts.size())
        return u"%1 parts found, %2 made"_s.arg(parts.size()).arg(made.parts.size());
    QList<int> chosen;
    for (int i = 0; i < parts.size(); ++i) {
        if (parts[i].listed != made.listed[i])
            return u"part %1 is listed: %2"_s.arg(i + 1).arg(parts[i].listed);
        if (((data[0] >> (i % 8)) ^ (i / 8)) & 1)
            chosen << i + 1;
    }
    const PartChoice choices[] = {{std::nullopt, true}, {}, {chosen, false}};
    for (const PartChoice& choice : choices) {
        const QString name = choice.readAll  ? u"read all: "_s
                             : choice.chosen ? u"parts "_s + WritePartNumbers(chosen) + u": "_s
                                             : u"by default: "_s;
        const QList<bool> read = PartsRead(parts, choice);
        const SkippedText skipped = SkippedParts(book, parts, read);
        QString text;
        for (const QString& line : ConvertedText(book, skipped).split(u'\n'))
            text += CleanTextLine(line) + u'\n';
        if (const QString wrong = CheckChosenText(made, read, text); !wrong.isEmpty())
            return name + wrong;
        const QString piece = ScratchFolder() + u"/output001.txt"_s;
        QFile file(piece);
        if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0)
            return u"the piece could not be written"_s;
        file.close();
        QList<ContentsEntry> contents;
        for (qsizetype i = 0; i < parts.size(); ++i)
            if (parts[i].listed && read[i])
                contents.append({parts[i].title, parts[i].path, parts[i].fragment, parts[i].level});
        const QList<ChapterPlace> places = LocateChapters(book, contents, {piece}, {}, {}, skipped);
        if (const QString wrong = CheckMarks(made, read, places, {text}); !wrong.isEmpty())
            return name + wrong;
    }
    return {};
}

} // namespace vt::fuzz
