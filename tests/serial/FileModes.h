#pragma once

#include <initializer_list>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

// While it lives, the calling thread opens files as their modes say, also
// when the tests run as root (as they do on CI): the capabilities that let
// root pass over a file's mode are taken out of this thread's effective set
// and put back at the end. For any other account it changes nothing.
class FileModesApply
{
public:
    FileModesApply()
    {
        if (::syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
            reduced[CAP_TO_INDEX(cap)].effective &= ~CAP_TO_MASK(cap);
        m_ok = ::syscall(SYS_capset, &m_header, reduced) == 0;
    }
    ~FileModesApply()
    {
        if (m_ok)
            ::syscall(SYS_capset, &m_header, m_saved);
    }
    FileModesApply(const FileModesApply&) = delete;
    FileModesApply& operator=(const FileModesApply&) = delete;

    bool ok() const { return m_ok; }

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0}; // pid 0: this thread
    __user_cap_data_struct m_saved[2]{};
    bool m_ok = false;
};
