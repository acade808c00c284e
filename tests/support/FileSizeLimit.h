#pragma once
// While it lives, no file of this process can grow past a size, as on a full disk: a
// write beyond it fails instead of ending the process.
#include <csignal>
#include <sys/resource.h>

struct FileSizeLimit {
    explicit FileSizeLimit(rlim_t bytes) : handler(std::signal(SIGXFSZ, SIG_IGN))
    {
        if (getrlimit(RLIMIT_FSIZE, &before) != 0)
            return;
        rlimit limit = before;
        limit.rlim_cur = bytes;
        isSet = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        if (isSet)
            setrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, handler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    rlimit before{};
    void (*handler)(int);
    bool isSet = false;
};
