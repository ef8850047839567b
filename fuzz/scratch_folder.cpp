#include "fuzz_entries.h"

#include <QTemporaryDir>

namespace vt::fuzz
{

QString ScratchFolder()
{
    static QTemporaryDir scratch;
    return scratch.path();
}

} // namespace vt::fuzz
