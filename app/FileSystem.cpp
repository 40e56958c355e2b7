#include "FileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <new>

#include <cstdio>

#if defined(__linux__)
#include <sys/mman.h>
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
    case 52: throw RuntimeError(52, "Bad file name or number");
    case 53: throw RuntimeError(53, "File not found");
    case 57: throw RuntimeError(57, "Device I/O error");
    case 61: throw RuntimeError(61, "Disk full");
    case 70: throw RuntimeError(70, "Permission denied");
    case 76: throw RuntimeError(76, "Path not found");
    default: throw RuntimeError(75, "Path/File access error");
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

[[noreturn]] void ThrowForErrno(int error, int fallbackNumber) {
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

}  // namespace

void ThrowDiskError(int error, int fallbackNumber) { ThrowForErrno(error, fallbackNumber); }

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
    if (!file.open(QIODevice::ReadOnly)) ThrowForErrno(errno, 75);
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
        if (n < 0) ThrowForErrno(errno, 57);
        if (n == 0) break;  // the file shrank meanwhile: keep what is there
        got += n;
    }
    data.truncate(static_cast<qsizetype>(got));
    if (got == expected && !file.atEnd()) {
        // The file grew meanwhile (or reports no size, as some special files do).
        errno = 0;
        const QByteArray rest = file.readAll();
        if (file.error() != QFileDevice::NoError) ThrowForErrno(errno, 57);
        data.append(rest);
    }
    return data;
}

void DiskFileSystem::WriteAll(const QString& path, QByteArrayView data) {
    if (path.isEmpty()) Fail(52);
    const QFileInfo info(path);
    if (info.fileName().isEmpty()) Fail(75);
    if (!QFileInfo(info.absolutePath()).isDir()) Fail(76);
    if (info.exists()) {
        if (info.isDir()) Fail(75);
        if ((info.permissions() & kAnyWrite) == 0) Fail(70);
    }

    if (info.exists() && !info.isFile()) {
        // A device or pipe (/dev/null, /dev/stdout, a FIFO) cannot be replaced
        // by a renamed temporary file: write to it directly.
        // Unbuffered, so that a device that refuses the bytes (/dev/full, a
        // closed pipe) fails here rather than silently when the file closes.
        QFile device(path);
        errno = 0;
        if (!device.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) ThrowForErrno(errno, 75);
        errno = 0;
        if (device.write(data.data(), data.size()) != data.size()) ThrowForErrno(errno, 57);
        return;
    }

    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly)) ThrowForErrno(errno, 75);
    errno = 0;
    if (file.write(data.data(), data.size()) != data.size()) {
        const int error = errno;
        file.cancelWriting();
        ThrowForErrno(error, 57);
    }
    errno = 0;
    if (!file.commit()) ThrowForErrno(errno, 57);
}

QByteArray FileSystem::ReadStandardInput() {
#if defined(_WIN32)
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    QByteArray data;
    char chunk[65536];
    for (;;) {
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
        ThrowForErrno(error, 57);
    }
}

}  // namespace tessark
