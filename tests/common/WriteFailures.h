#pragma once

#include <QString>

#include <sys/resource.h>

// Makes every write of this process that would take a file past `bytes` fail (as a full
// disk makes it fail) while alive; the signal such a write raises is ignored meanwhile.
class FileSizeLimit {
public:
    explicit FileSizeLimit(qint64 bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*savedHandler_)(int) = nullptr;
};

// A tmpfs of a few kilobytes mounted on a folder while alive, for tests that fill a disk.
// Mounting needs root and a machine that allows it; mounted() says whether it worked.
class SmallFileSystem {
public:
    SmallFileSystem(const QString& folder, int kilobytes);
    ~SmallFileSystem();
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool mounted() const { return mounted_; }
    QString whyNot() const { return whyNot_; }
    // Takes up every free byte with a filler file.
    void fill();

private:
    QString folder_;
    bool mounted_ = false;
    QString whyNot_;
};
