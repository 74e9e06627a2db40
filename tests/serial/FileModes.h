#pragma once

#include <memory>

// While it lives, the calling thread opens files as their modes say, also
// when the tests run as root (as they do on CI). ok() is false where that
// cannot be had: a test that needs it skips.
class FileModesApply
{
public:
    FileModesApply();
    ~FileModesApply();
    FileModesApply(const FileModesApply&) = delete;
    FileModesApply& operator=(const FileModesApply&) = delete;

    bool ok() const { return m_ok; }

private:
    struct Saved;
    std::unique_ptr<Saved> m_saved;
    bool m_ok = false;
};
