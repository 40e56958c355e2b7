#include "FileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <cstring>
#include <cerrno>
#include <cstdint>
#include <functional>
#include <new>
#include <utility>

#include <cstdio>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif
#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

#include "RuntimeError.h"

namespace tessark {
namespace {

[[noreturn]] void Fail(int number) {
    switch (number) {
    case 52: case 53: case 57: case 61: case 70: case 76: throw RuntimeError(static_cast<ErrorNumber>(number));
    default: throw RuntimeError(ErrorNumber::PathFileAccessError);
    }
}

// Asks the kernel to back a large, not yet touched buffer with huge pages.
// Filling a page-cached file into fresh memory costs mostly page faults, one
// per 4 KB page; with 2 MB pages reading a large page costs about what
// copying it does. Only the 2 MB-aligned interior can be advised; a refusal
// changes nothing but speed.
void AdviseHugePages([[maybe_unused]] char* data, [[maybe_unused]] qint64 size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
    if (size < static_cast<qint64>(4 * kHuge)) return;
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (start + kHuge - 1) & ~(kHuge - 1);
    const std::uintptr_t last = (start + static_cast<std::uintptr_t>(size)) & ~(kHuge - 1);
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#endif
}

bool HasWildcard(QStringView s) { return s.contains(u'*') || s.contains(u'?'); }

bool IsHiddenName(QStringView name) { return name.startsWith(u'.'); }

// The mode bits only: WriteUser tells what this process may do, which for
// root is everything.
constexpr QFileDevice::Permissions kAnyWrite =
    QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;

}  // namespace

void ThrowDiskError(int error, int fallbackNumber) {
    switch (error) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        Fail(61);
    case EACCES:
    case EPERM:
    case EROFS: Fail(70);
    case ENOENT: Fail(76);
    case EIO: Fail(57);
    case ENAMETOOLONG:
    case EINVAL: Fail(52);
    default: Fail(fallbackNumber);
    }
}

bool WildcardMatch(QStringView pattern, QStringView name) noexcept {
    // Iterative glob with one backtrack point: linear in practice, no recursion.
    qsizetype p = 0, n = 0, starP = -1, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') ++p;
    return p == pattern.size();
}

bool DiskFileSystem::FindOrdinaryFile(const QString& path) const {
    if (path.isEmpty()) return false;
    const QFileInfo info(path);
    const QString name = info.fileName();
    if (name.isEmpty()) return false;
    if (!HasWildcard(name)) return info.isFile() && !IsHiddenName(name);
    // Without QDir::Hidden the listing leaves out names that begin with ".".
    const QDir dir(info.path());
    const QStringList files = dir.entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QString& candidate : files)
        if (WildcardMatch(name, candidate) && !IsHiddenName(candidate)) return true;
    return false;
}

qint64 DiskFileSystem::FileLen(const QString& path) const {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) Fail(53);
    if (info.isDir()) Fail(75);
    return info.size();
}

QByteArray DiskFileSystem::ReadAll(const QString& path, qint64 room) const {
    const QFileInfo info(path);
    if (!info.exists()) Fail(53);
    if (info.isDir()) Fail(75);
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly)) ThrowDiskError(errno, 75);
    const qint64 expected = info.size();
    QByteArray data;
    try {
        data.reserve(static_cast<qsizetype>(expected + std::max<qint64>(room, 0)));
    } catch (const std::bad_alloc&) {
        // Address space for the room is not to be had (a file of more than
        // half the memory, under strict overcommit): read without it; growing
        // then copies.
        data.reserve(static_cast<qsizetype>(expected));
    }
    AdviseHugePages(data.data(), data.capacity());
    data.resize(static_cast<qsizetype>(expected));
    qint64 got = 0;
    while (got < expected) {
        errno = 0;
        const qint64 n = file.read(data.data() + got, expected - got);
        if (n < 0) ThrowDiskError(errno, 57);
        if (n == 0) break;  // the file shrank meanwhile: keep what is there
        got += n;
    }
    data.truncate(static_cast<qsizetype>(got));
    if (got == expected && (!info.isFile() || !file.atEnd())) {
        // The file grew meanwhile, or it is a pipe or a device, which reports
        // no size: read on to its end.
        char block[65536];
        for (;;) {
            errno = 0;
            const qint64 n = file.read(block, sizeof block);
            if (n < 0) ThrowDiskError(errno, 57);
            if (n == 0) break;
            data.append(block, static_cast<qsizetype>(n));
        }
    }
    return data;
}

namespace {

// The checks of a target before anything is written: a bad name, a missing
// folder, a folder, a read-only file. Returns whether the target is a device
// or pipe (written directly, not replaced).
bool CheckTarget(const QString& path) {
    if (path.isEmpty()) Fail(52);
    const QFileInfo info(path);
    if (info.fileName().isEmpty()) Fail(75);
    if (!QFileInfo(info.absolutePath()).isDir()) Fail(76);
    if (info.exists()) {
        if (info.isDir()) Fail(75);
        if ((info.permissions() & kAnyWrite) == 0) Fail(70);
    }
    return info.exists() && !info.isFile();
}

void OpenSource(QFile& file, const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) Fail(53);
    if (info.isDir()) Fail(75);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly)) ThrowDiskError(errno, 75);
}

class DiskInputStream final : public InputStream {
public:
    explicit DiskInputStream(const QString& path) : file_(path) { OpenSource(file_, path); }
    qint64 Read(char* data, qint64 max) override {
        errno = 0;
        const qint64 n = file_.read(data, max);
        if (n < 0) ThrowDiskError(errno, 57);
        return n;
    }

private:
    QFile file_;
};

class DiskOutputStream final : public OutputStream {
public:
    explicit DiskOutputStream(const QString& path) {
        if (CheckTarget(path)) {
            device_ = std::make_unique<QFile>(path);
            errno = 0;
            if (!device_->open(QIODevice::WriteOnly)) ThrowDiskError(errno, 75);
            return;
        }
        save_ = std::make_unique<QSaveFile>(path);
        errno = 0;
        if (!save_->open(QIODevice::WriteOnly)) ThrowDiskError(errno, 75);
    }
    ~DiskOutputStream() override { Discard(); }

    void Write(const char* data, qint64 size) override {
        QFileDevice* file = save_ ? static_cast<QFileDevice*>(save_.get()) : device_.get();
        if (!file) Fail(52);
        errno = 0;
        if (file->write(data, size) != size) {
            const int error = errno;
            Discard();
            ThrowDiskError(error, 57);
        }
        if (save_) Settle(size);
    }

    void Commit() override {
        if (device_) {
            errno = 0;
            const bool flushed = device_->flush();
            const int error = errno;
            device_.reset();
            if (!flushed) ThrowDiskError(error, 57);
            return;
        }
        if (!save_) Fail(52);
        errno = 0;
        const bool committed = save_->commit();
        const int error = errno;
        save_.reset();
        if (!committed) ThrowDiskError(error, 57);
    }

    void Discard() noexcept override {
        if (save_) save_->cancelWriting();  // the destructor then removes the temporary file
        save_.reset();
        device_.reset();
    }

private:
    // The temporary file is made durable as it grows, a few megabytes at a
    // time, so that the commit, which makes it durable before it replaces
    // the output, has only the last few to wait for: a conversion that
    // yields as it goes does not stall at its end. Best effort: the commit
    // still reports any failure.
    static constexpr qint64 kSettleBytes = qint64{8} << 20;
    void Settle(qint64 written) {
        unsettled_ += written;
        if (unsettled_ < kSettleBytes) return;
        unsettled_ = 0;
#if defined(__linux__)
        if (save_->flush()) ::fdatasync(save_->handle());
#endif
    }

    std::unique_ptr<QSaveFile> save_;
    std::unique_ptr<QFile> device_;
    qint64 unsettled_ = 0;
};

// The defaults over whole files.
class WholeInputStream final : public InputStream {
public:
    explicit WholeInputStream(QByteArray data) : data_(std::move(data)) {}
    qint64 Read(char* data, qint64 max) override {
        const qint64 n = std::min<qint64>(max, data_.size() - at_);
        if (n > 0) std::memcpy(data, data_.constData() + at_, static_cast<std::size_t>(n));
        at_ += n;
        return n;
    }

private:
    QByteArray data_;
    qint64 at_ = 0;
};

// The defaults for writing a file or standard output: the whole result
// handed to `deliver` (WriteAll or WriteStandardOutput) at Commit.
class WholeOutputStream final : public OutputStream {
public:
    explicit WholeOutputStream(std::function<void(QByteArrayView)> deliver) : deliver_(std::move(deliver)) {}
    void Write(const char* data, qint64 size) override { data_.append(data, static_cast<qsizetype>(size)); }
    void Commit() override {
        if (!deliver_) Fail(52);
        const std::function<void(QByteArrayView)> deliver = std::exchange(deliver_, nullptr);
        deliver(data_);
    }
    void Discard() noexcept override { deliver_ = nullptr; }

private:
    std::function<void(QByteArrayView)> deliver_;
    QByteArray data_;
};

void BinaryStandardStreams() {
#if defined(_WIN32)
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
}

class StreamingStandardInput final : public InputStream {
public:
    StreamingStandardInput() { BinaryStandardStreams(); }
    qint64 Read(char* data, qint64 max) override {
        // One end of file ends the input: a terminal would give more after it.
        if (std::feof(stdin)) return 0;
        const std::size_t n = std::fread(data, 1, static_cast<std::size_t>(max), stdin);
        if (n == 0 && std::ferror(stdin)) {
            std::clearerr(stdin);
            Fail(57);
        }
        return static_cast<qint64>(n);
    }
};

class StreamingStandardOutput final : public OutputStream {
public:
    StreamingStandardOutput() { BinaryStandardStreams(); }
    void Write(const char* data, qint64 size) override {
        errno = 0;
        const auto n = static_cast<std::size_t>(size);
        if (n > 0 && (std::fwrite(data, 1, n, stdout) != n || std::fflush(stdout) != 0)) {
            const int error = errno;
            std::clearerr(stdout);
            ThrowDiskError(error, 57);
        }
    }
    void Commit() override {
        errno = 0;
        if (std::fflush(stdout) != 0) {
            const int error = errno;
            std::clearerr(stdout);
            ThrowDiskError(error, 57);
        }
    }
    void Discard() noexcept override {}
};

}  // namespace

std::unique_ptr<InputStream> FileSystem::OpenStandardInput() {
    return std::make_unique<WholeInputStream>(ReadStandardInput());
}

std::unique_ptr<OutputStream> FileSystem::OpenStandardOutput() {
    return std::make_unique<WholeOutputStream>([this](QByteArrayView data) { WriteStandardOutput(data); });
}

std::unique_ptr<InputStream> DiskFileSystem::OpenStandardInput() {
    return std::make_unique<StreamingStandardInput>();
}

std::unique_ptr<OutputStream> DiskFileSystem::OpenStandardOutput() {
    return std::make_unique<StreamingStandardOutput>();
}

std::unique_ptr<InputStream> FileSystem::OpenRead(const QString& path) const {
    return std::make_unique<WholeInputStream>(ReadAll(path));
}

std::unique_ptr<OutputStream> FileSystem::OpenWrite(const QString& path) {
    return std::make_unique<WholeOutputStream>([this, path](QByteArrayView data) { WriteAll(path, data); });
}

std::unique_ptr<InputStream> DiskFileSystem::OpenRead(const QString& path) const {
    return std::make_unique<DiskInputStream>(path);
}

std::unique_ptr<OutputStream> DiskFileSystem::OpenWrite(const QString& path) {
    return std::make_unique<DiskOutputStream>(path);
}

void DiskFileSystem::WriteAll(const QString& path, QByteArrayView data) {
    if (CheckTarget(path)) {
        // A device or pipe (/dev/null, /dev/stdout, a FIFO) cannot be replaced
        // by a renamed temporary file: write to it directly.
        // Unbuffered, so that a device that refuses the bytes (/dev/full, a
        // closed pipe) fails here rather than silently when the file closes.
        QFile device(path);
        errno = 0;
        if (!device.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) ThrowDiskError(errno, 75);
        errno = 0;
        if (device.write(data.data(), data.size()) != data.size()) ThrowDiskError(errno, 57);
        return;
    }

    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly)) ThrowDiskError(errno, 75);
    errno = 0;
    if (file.write(data.data(), data.size()) != data.size()) {
        const int error = errno;
        file.cancelWriting();
        ThrowDiskError(error, 57);
    }
    errno = 0;
    if (!file.commit()) ThrowDiskError(errno, 57);
}

QByteArray FileSystem::ReadStandardInput() {
#if defined(_WIN32)
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    QByteArray data;
    char chunk[65536];
    while (!std::feof(stdin)) {
        const std::size_t n = std::fread(chunk, 1, sizeof chunk, stdin);
        data.append(chunk, static_cast<qsizetype>(n));
        if (n < sizeof chunk) break;
    }
    if (std::ferror(stdin)) {
        std::clearerr(stdin);
        Fail(57);
    }
    return data;
}

void FileSystem::WriteStandardOutput(QByteArrayView data) {
#if defined(_WIN32)
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    errno = 0;
    const std::size_t size = static_cast<std::size_t>(data.size());
    if ((size > 0 && std::fwrite(data.data(), 1, size, stdout) != size) || std::fflush(stdout) != 0) {
        const int error = errno;
        std::clearerr(stdout);
        ThrowDiskError(error, 57);
    }
}

}  // namespace tessark
