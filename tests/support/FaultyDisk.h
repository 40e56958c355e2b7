// FaultyDisk: the real disk with failures on command, for tests.
//
// A decorator: every operation goes to the FileSystem it wraps (normally
// DiskFileSystem) unless a fault is armed for it. A fault names the point
// where it strikes and the errno value it strikes with, and which call of
// that kind it hits (the n-th read, the n-th write; counted from 1 since the
// fault was armed), or only calls on one path. The failure is the one the
// real disk gives for that errno (ThrowDiskError), so callers see the same
// error numbers and messages as on a failing device:
//
//   OpenRead   the input cannot be opened (EACCES -> 70)   nothing is read
//   Read       reading fails midway (EIO -> 57)              the data is dropped
//   ShortRead  reading ends early: only the first half comes back, as when a
//              file shrinks while it is read (no error)
//   OpenWrite  the output cannot be created (EACCES -> 70)  nothing is written
//   Write      writing fails midway (ENOSPC -> 61, EIO -> 57)
//   Rename     the complete new file cannot replace the old one (EIO -> 57,
//              EACCES -> 70, EBUSY -> 75)
//
// Whole files (ReadAll, WriteAll) and files in blocks (OpenRead, OpenWrite)
// count alike: a fault picks the n-th file opened for reading or writing.
// In blocks it strikes where it would on a device: Read after the first
// block has been read, ShortRead ends the file at half its length, Write
// after half of the first block has reached the real temporary file, Rename
// at Commit (the real stream is then discarded). The real disk writes all or
// nothing, so a write that fails leaves the old file as it was and no
// temporary file behind. Tests of the callers then check what they do with
// it.
//
// Thread safety: the counters and the plan are guarded, so one FaultyDisk may
// serve conversions on several threads (the modern command line's -j).
#pragma once

#include <QAtomicInt>
#include <QMutex>
#include <QMutexLocker>
#include <QString>
#include <algorithm>
#include <cerrno>
#include <memory>

#include "FileSystem.h"

namespace tessark::test {

class FaultyDisk final : public FileSystem {
public:
    enum class Fault { None, OpenRead, Read, ShortRead, OpenWrite, Write, Rename };
    struct Plan {
        Fault fault = Fault::None;
        int error = 0;       // errno value
        int nth = 1;         // which call of its kind: 1 the first, 0 every one
        QString pathEndsWith;  // when set, only calls on a path ending so count
    };

    explicit FaultyDisk(FileSystem& real) : real_(real) {}

    void Arm(const Plan& plan) {
        QMutexLocker lock(&mutex_);
        plan_ = plan;
        reads_ = writes_ = struck_ = 0;
    }
    // How often the armed fault struck.
    int Struck() const {
        QMutexLocker lock(&mutex_);
        return struck_;
    }
    // How many outputs opened in blocks were discarded (given up, not
    // committed) so far, fault or none.
    int Discards() const { return discards_.loadRelaxed(); }

    bool FindOrdinaryFile(const QString& path) const override { return real_.FindOrdinaryFile(path); }
    qint64 FileLen(const QString& path) const override { return real_.FileLen(path); }

    QByteArray ReadAll(const QString& path, qint64 room = 0) const override {
        const Strike s = Strikes(path, /*reading=*/true);
        if (s.fault == Fault::OpenRead) ThrowDiskError(s.error, 75);
        QByteArray data = real_.ReadAll(path, room);
        if (s.fault == Fault::Read) ThrowDiskError(s.error, 57);
        if (s.fault == Fault::ShortRead) data.truncate(data.size() / 2);
        return data;
    }
    void WriteAll(const QString& path, QByteArrayView data) override {
        const Strike s = Strikes(path, /*reading=*/false);
        if (s.fault != Fault::None) ThrowDiskError(s.error, s.fault == Fault::Write ? 57 : 75);
        real_.WriteAll(path, data);
    }
    std::unique_ptr<InputStream> OpenRead(const QString& path) const override {
        const Strike s = Strikes(path, /*reading=*/true);
        if (s.fault == Fault::OpenRead) ThrowDiskError(s.error, 75);
        std::unique_ptr<InputStream> real = real_.OpenRead(path);
        if (s.fault == Fault::None) return real;
        const qint64 limit = s.fault == Fault::ShortRead ? real_.FileLen(path) / 2 : -1;
        return std::make_unique<FaultyInput>(std::move(real), s, limit);
    }
    std::unique_ptr<OutputStream> OpenWrite(const QString& path) override {
        const Strike s = Strikes(path, /*reading=*/false);
        if (s.fault == Fault::OpenWrite) ThrowDiskError(s.error, 75);
        return std::make_unique<FaultyOutput>(real_.OpenWrite(path), s, discards_);
    }

    // The standard streams are not files: they go to the wrapped disk as
    // they are.
    QByteArray ReadStandardInput() override { return real_.ReadStandardInput(); }
    void WriteStandardOutput(QByteArrayView data) override { real_.WriteStandardOutput(data); }
    std::unique_ptr<InputStream> OpenStandardInput() override { return real_.OpenStandardInput(); }
    std::unique_ptr<OutputStream> OpenStandardOutput() override { return real_.OpenStandardOutput(); }

private:
    struct Strike {
        Fault fault = Fault::None;
        int error = 0;
    };

    // A file read in blocks that fails after its first block (Read) or ends
    // at `limit` bytes (ShortRead).
    class FaultyInput final : public InputStream {
    public:
        FaultyInput(std::unique_ptr<InputStream> real, Strike strike, qint64 limit)
            : real_(std::move(real)), strike_(strike), limit_(limit) {}
        qint64 Read(char* data, qint64 max) override {
            if (strike_.fault == Fault::Read && blocks_++ > 0) ThrowDiskError(strike_.error, 57);
            if (limit_ >= 0) max = std::min(max, limit_ - read_);
            const qint64 n = max > 0 ? real_->Read(data, max) : 0;
            read_ += n;
            return n;
        }

    private:
        std::unique_ptr<InputStream> real_;
        Strike strike_;
        qint64 limit_, read_ = 0;
        int blocks_ = 0;
    };

    // A file written in blocks whose first write fails halfway (Write) or
    // whose Commit fails (Rename); it counts its Discard.
    class FaultyOutput final : public OutputStream {
    public:
        FaultyOutput(std::unique_ptr<OutputStream> real, Strike strike, QAtomicInt& discards)
            : real_(std::move(real)), strike_(strike), discards_(discards) {}
        void Write(const char* data, qint64 size) override {
            real_->Write(data, strike_.fault == Fault::Write ? size / 2 : size);
            if (strike_.fault == Fault::Write) ThrowDiskError(strike_.error, 57);
        }
        void Commit() override {
            // Write: nothing was written, the first write fails.
            if (strike_.fault == Fault::Write || strike_.fault == Fault::Rename) {
                real_->Discard();
                ThrowDiskError(strike_.error, strike_.fault == Fault::Write ? 57 : 75);
            }
            real_->Commit();
        }
        void Discard() noexcept override {
            discards_.ref();
            real_->Discard();
        }

    private:
        std::unique_ptr<OutputStream> real_;
        Strike strike_;
        QAtomicInt& discards_;
    };

    // The fault that strikes this call, or None; counts the call.
    Strike Strikes(const QString& path, bool reading) const {
        QMutexLocker lock(&mutex_);
        const Fault f = plan_.fault;
        if (f == Fault::None || (f <= Fault::ShortRead) != reading) return {};  // faults of the other kind
        if (!plan_.pathEndsWith.isEmpty() && !path.endsWith(plan_.pathEndsWith)) return {};
        const int n = ++(reading ? reads_ : writes_);
        if (plan_.nth != 0 && n != plan_.nth) return {};
        ++struck_;
        return {f, plan_.error};
    }

    FileSystem& real_;
    mutable QMutex mutex_;
    Plan plan_;
    mutable int reads_ = 0, writes_ = 0, struck_ = 0;
    QAtomicInt discards_;
};

}  // namespace tessark::test
