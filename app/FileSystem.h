// FileSystem: the disk as the conversion job sees it, behind a small
// interface so that tests can put a fake in its place.
//
// Every operation that can fail throws tessark::RuntimeError with a classic
// run-time error number: 53 "File not found", 76 "Path not found",
// 70 "Permission denied", 75 "Path/File access error", 61 "Disk full",
// 57 "Device I/O error", 52 "Bad file name or number". std::bad_alloc
// propagates when a file does not fit in memory.
//
// Thread safety: DiskFileSystem keeps no state, so one object may serve
// conversions on several threads at once (each on its own files). The
// standard streams are the process's own: read or write each from one thread
// at a time.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <memory>

namespace tessark {

// A file being read from the start in blocks. Not thread-safe.
class InputStream {
public:
    virtual ~InputStream() = default;
    // Reads up to `max` bytes into data; returns how many, 0 at the end of
    // the file. Throws RuntimeError (57, ...) on a read error.
    virtual qint64 Read(char* data, qint64 max) = 0;
};

// A file being written in blocks, all or nothing: the bytes go to a
// temporary file beside the target, which replaces the target only at
// Commit. Destroying it (or Discard) before Commit leaves the old target
// as it was and removes the temporary file. Devices and pipes are written
// directly. Not thread-safe.
class OutputStream {
public:
    virtual ~OutputStream() = default;
    // Throws RuntimeError (61 "Disk full", 57, ...) on a write error.
    virtual void Write(const char* data, qint64 size) = 0;
    // Makes the written bytes the target's content; throws on failure, and
    // then the old target is as it was.
    virtual void Commit() = 0;
    // Gives up: the old target stays, the temporary file goes. Never throws.
    virtual void Discard() noexcept = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // A directory search for ordinary files: true when `path` names at least
    // one file that is neither a folder nor hidden (on Linux: its name begins
    // with "."). "*" and "?" in the last component of the path match as in a
    // directory search. Never throws.
    virtual bool FindOrdinaryFile(const QString& path) const = 0;

    // Size in bytes of the one file named by `path` (taken literally; a
    // pattern that is not itself a file name fails with 53).
    virtual qint64 FileLen(const QString& path) const = 0;

    // The whole content of the file. The array has room for `room` more
    // bytes, so that growing it that far neither moves nor copies it (the
    // room is reserved address space; memory is used only where written).
    virtual QByteArray ReadAll(const QString& path, qint64 room = 0) const = 0;

    // Replaces the file's content with `data`, all or nothing: the new
    // content goes to a temporary file beside the target, which replaces the
    // target only when complete. On failure the old file is as it was. A
    // target whose mode grants no write permission is refused with 70, also
    // when the process could override the mode (root).
    virtual void WriteAll(const QString& path, QByteArrayView data) = 0;

    // The same two in blocks, with the same errors: OpenRead fails as
    // ReadAll would, OpenWrite refuses what WriteAll would refuse (before
    // anything is written). The defaults go through ReadAll and WriteAll
    // (whole files in memory); the real disk streams.
    virtual std::unique_ptr<InputStream> OpenRead(const QString& path) const;
    virtual std::unique_ptr<OutputStream> OpenWrite(const QString& path);

    // Standard input read to its end, as bytes. Fails with 57 on a read error.
    virtual QByteArray ReadStandardInput();
    // `data` written to standard output, as bytes, and flushed. Fails with
    // 57 (61 when the device is full) when not all of it could be written.
    virtual void WriteStandardOutput(QByteArrayView data);

    // The same two in blocks. The defaults go through ReadStandardInput and
    // WriteStandardOutput (all at once, at Commit); the real disk streams:
    // each block is written and flushed as it comes, and Discard cannot take
    // back what was written.
    virtual std::unique_ptr<InputStream> OpenStandardInput();
    virtual std::unique_ptr<OutputStream> OpenStandardOutput();
};

// The real disk, through Qt's file classes.
class DiskFileSystem final : public FileSystem {
public:
    bool FindOrdinaryFile(const QString& path) const override;
    qint64 FileLen(const QString& path) const override;
    QByteArray ReadAll(const QString& path, qint64 room = 0) const override;
    void WriteAll(const QString& path, QByteArrayView data) override;
    std::unique_ptr<InputStream> OpenRead(const QString& path) const override;
    std::unique_ptr<OutputStream> OpenWrite(const QString& path) override;
    std::unique_ptr<InputStream> OpenStandardInput() override;
    std::unique_ptr<OutputStream> OpenStandardOutput() override;
};

// Throws the error that the disk layer gives for the errno value `error` met
// while opening, reading or writing (ENOSPC -> 61 "Disk full", EIO -> 57,
// EACCES -> 70, ...), or `fallbackNumber` for one it does not list. The one
// table of these numbers, also for fakes of the disk.
[[noreturn]] void ThrowDiskError(int error, int fallbackNumber);

// True when `name` matches `pattern`, in which "*" matches any run of
// characters and "?" any one character (exact comparison otherwise).
bool WildcardMatch(QStringView pattern, QStringView name) noexcept;

}  // namespace tessark
