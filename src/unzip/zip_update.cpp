#include "unzip/zip_update.h"

#include "common/error.h"
#include "common/path.h"

#include <QFile>
#include <QList>
#include <zip.h>

using namespace Qt::StringLiterals;

namespace vt
{

Expected<void> ReplaceZipEntries(const QString& path, const QHash<QString, QByteArray>& entries)
{
    int code = 0;
    zip_t* archive = zip_open(Path(path).native().constData(), 0, &code);
    if (archive == nullptr) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        const QString reason = QString::fromUtf8(zip_error_strerror(&error));
        zip_error_fini(&error);
        return Problem{u"Cannot open "_s + path + u": "_s + reason};
    }
    const auto fail = [&](const QString& what) {
        const QString reason = QString::fromUtf8(zip_strerror(archive));
        zip_discard(archive);
        return Problem{what + path + u": "_s + reason};
    };
    QList<QByteArray> kept; // the data must live until the archive is written
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        kept.append(it.value());
        zip_source_t* source = zip_source_buffer(archive, kept.last().constData(),
                                                 zip_uint64_t(kept.last().size()), 0);
        if (source == nullptr)
            return fail(u"Cannot change "_s);
        const QByteArray name = it.key().toUtf8();
        const zip_int64_t index = zip_name_locate(archive, name.constData(), 0);
        const bool done =
            index >= 0 ? zip_file_replace(archive, zip_uint64_t(index), source, 0) == 0
                       : zip_file_add(archive, name.constData(), source, ZIP_FL_ENC_UTF_8) >= 0;
        if (!done) {
            zip_source_free(source);
            return fail(u"Cannot change "_s);
        }
    }
    if (zip_close(archive) != 0)
        return fail(u"Cannot write "_s);
    return {};
}

} // namespace vt
