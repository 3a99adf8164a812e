#pragma once

#include <csignal>
#include <sys/resource.h>

#include <algorithm>

namespace kestrion::test {

// While it lives, no file of this process can grow past the given size: a write beyond it
// fails with EFBIG, as one onto a full disk fails with ENOSPC. It binds root too. SIGXFSZ is
// ignored meanwhile, so the write fails instead of ending the process; both are put back
// afterwards, the limit only lowered below its hard limit so that it can be raised again.
// Keep its scope to the writes under test: the test's own output is a file too.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        struct sigaction ignore { };
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        m_hasAction = ::sigaction(SIGXFSZ, &ignore, &m_savedAction) == 0;
        if (::getrlimit(RLIMIT_FSIZE, &m_saved) != 0)
            return;
        rlimit lowered = m_saved;
        lowered.rlim_cur = m_saved.rlim_max == RLIM_INFINITY ? bytes : std::min(bytes, m_saved.rlim_max);
        m_isSet = ::setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit()
    {
        if (m_isSet)
            ::setrlimit(RLIMIT_FSIZE, &m_saved);
        if (m_hasAction)
            ::sigaction(SIGXFSZ, &m_savedAction, nullptr);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool isSet() const { return m_isSet; }

private:
    rlimit m_saved {};
    struct sigaction m_savedAction { };
    bool m_hasAction = false;
    bool m_isSet = false;
};

} // namespace kestrion::test
