#include "unreadable.h"

#include <QFile>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace vt::test
{
namespace
{

constexpr unsigned kDacBits = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);

bool setEffective(bool on)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (::syscall(SYS_capget, &header, data) != 0)
        return false;
    if (on)
        data[0].effective |= data[0].permitted & kDacBits;
    else
        data[0].effective &= ~kDacBits;
    return ::syscall(SYS_capset, &header, data) == 0;
}

} // namespace

Unreadable::Unreadable(const QString& folder) : folder_(folder)
{
    ::chmod(QFile::encodeName(folder_).constData(), 0);
    if (::geteuid() == 0) {
        dropped_ = setEffective(false);
        ok_ = dropped_;
    }
}

Unreadable::~Unreadable()
{
    if (dropped_)
        setEffective(true);
    ::chmod(QFile::encodeName(folder_).constData(), 0755);
}

} // namespace vt::test
