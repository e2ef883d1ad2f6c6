#pragma once

#include <QtGlobal>

#include <csignal>
#include <sys/resource.h>

namespace testsupport {

// While it lives, no file of this process may grow past `bytes` (RLIMIT_FSIZE): a write beyond it fails
// as on a full disk (SIGXFSZ is ignored meanwhile, so the write returns its error instead).
class FileSizeLimit
{
public:
    explicit FileSizeLimit(qint64 bytes)
    {
        if (getrlimit(RLIMIT_FSIZE, &old) != 0)
            return;
        handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit full = old;
        full.rlim_cur = rlim_t(bytes);
        active = setrlimit(RLIMIT_FSIZE, &full) == 0;
    }
    ~FileSizeLimit()
    {
        if (active)
            setrlimit(RLIMIT_FSIZE, &old);
        if (handler != SIG_ERR)
            std::signal(SIGXFSZ, handler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    bool isActive() const { return active; }

private:
    rlimit old{};
    void (*handler)(int) = SIG_ERR;
    bool active = false;
};

} // namespace testsupport
