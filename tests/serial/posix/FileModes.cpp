#include "serial/FileModes.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

// The capabilities that let root pass over a file's mode are taken out of
// this thread's effective set and put back at the end. For any other
// account it changes nothing.
struct FileModesApply::Saved
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0}; // pid 0: this thread
    __user_cap_data_struct data[2]{};
};

FileModesApply::FileModesApply() : m_saved(std::make_unique<Saved>())
{
    if (::syscall(SYS_capget, &m_saved->header, m_saved->data) != 0)
        return;
    __user_cap_data_struct reduced[2] = {m_saved->data[0], m_saved->data[1]};
    for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
        reduced[CAP_TO_INDEX(cap)].effective &= ~CAP_TO_MASK(cap);
    m_ok = ::syscall(SYS_capset, &m_saved->header, reduced) == 0;
}

FileModesApply::~FileModesApply()
{
    if (m_ok)
        ::syscall(SYS_capset, &m_saved->header, m_saved->data);
}
