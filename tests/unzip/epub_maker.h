#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace vt::test
{

// A small EPUB of a test's own: the mimetype entry, a container pointing at
// OEBPS/content.opf, the given package document and files (paths inside
// OEBPS/). Real enough for calibre's ebook-convert.
void makeEpub(const QString& path, const QByteArray& opf,
              const QList<QPair<QString, QByteArray>>& files);

// A package document: the given metadata, manifest and spine elements.
QByteArray opfDocument(const QByteArray& metadata, const QByteArray& manifest,
                       const QByteArray& spine, const QByteArray& version = "3.0");

// An XHTML page with the given body; a language, when given, on <html>.
QByteArray xhtmlPage(const QByteArray& body, const QByteArray& language = {});

} // namespace vt::test
