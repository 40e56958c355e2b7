// FaultyDisk: the real disk with failures on command, for tests.
//
// A decorator: every operation goes to the FileSystem it wraps (normally
// DiskFileSystem) unless a fault is armed for it. A fault names the point
// where it strikes and the errno value it strikes with; it hits the first
// file opened for reading (or writing) since it was armed. The failure is
// the one the real disk gives for that errno (ThrowDiskError), so callers
// see the same error numbers and messages as on a failing device:
//
//   OpenRead   the input cannot be opened (EACCES -> 70)   nothing is read
//   Read       reading fails after the first block (EIO -> 57)
//   ShortRead  reading ends at half the file, as when a file shrinks while
//              it is read (no error)
//   OpenWrite  the output cannot be created (EACCES -> 70)  nothing is written
//   Write      the first write fails after half of it has reached the real
//              temporary file (ENOSPC -> 61, EIO -> 57)
//   Rename     the complete new file cannot replace the old one at Commit
//              (EIO -> 57, EACCES -> 70, EBUSY -> 75)
//
// Faults strike files in blocks (OpenRead, OpenWrite), as the conversions
// the tests run read and write them; whole files pass to the real disk. The
// real disk writes all or nothing, so a write that fails leaves the old file
// as it was and no temporary file behind. Tests of the callers then check
// what they do with it. For one thread.
#pragma once

#include <QString>
#include <algorithm>
#include <cerrno>
#include <memory>

#include "FileSystem.h"

namespace tessark::test {

class FaultyDisk final : public FileSystem {
public:
    enum class Fault { None, OpenRead, Read, ShortRead, OpenWrite, Write, Rename };

    explicit FaultyDisk(FileSystem& real) : real_(real) {}

    // Arms `fault`, striking with the errno value `error`.
    void Arm(Fault fault, int error) {
        fault_ = fault;
        error_ = error;
        struck_ = 0;
    }
    // How often the armed fault struck.
    int Struck() const { return struck_; }
    // How many bytes the inputs opened in blocks have given so far.
    qint64 BytesRead() const { return bytesRead_; }

    bool FindOrdinaryFile(const QString& path) const override { return real_.FindOrdinaryFile(path); }
    qint64 FileLen(const QString& path) const override { return real_.FileLen(path); }
    QByteArray ReadAll(const QString& path, qint64 room = 0) const override { return real_.ReadAll(path, room); }
    void WriteAll(const QString& path, QByteArrayView data) override { real_.WriteAll(path, data); }

    std::unique_ptr<InputStream> OpenRead(const QString& path) const override {
        const Fault f = Strikes(/*reading=*/true);
        if (f == Fault::OpenRead) ThrowDiskError(error_, 75);
        std::unique_ptr<InputStream> real = real_.OpenRead(path);
        const qint64 limit = f == Fault::ShortRead ? real_.FileLen(path) / 2 : -1;
        return std::make_unique<FaultyInput>(std::move(real), f == Fault::Read ? error_ : 0, limit, bytesRead_);
    }
    std::unique_ptr<OutputStream> OpenWrite(const QString& path) override {
        const Fault f = Strikes(/*reading=*/false);
        if (f == Fault::OpenWrite) ThrowDiskError(error_, 75);
        return std::make_unique<FaultyOutput>(real_.OpenWrite(path), f, error_);
    }

private:
    // A file read in blocks that fails with `error` after its first block
    // (unless 0) or ends at `limit` bytes (unless negative).
    class FaultyInput final : public InputStream {
    public:
        FaultyInput(std::unique_ptr<InputStream> real, int error, qint64 limit, qint64& counted)
            : real_(std::move(real)), error_(error), limit_(limit), counted_(counted) {}
        qint64 Read(char* data, qint64 max) override {
            if (error_ != 0 && blocks_++ > 0) ThrowDiskError(error_, 57);
            if (limit_ >= 0) max = std::min(max, limit_ - read_);
            const qint64 n = max > 0 ? real_->Read(data, max) : 0;
            read_ += n;
            counted_ += n;
            return n;
        }

    private:
        std::unique_ptr<InputStream> real_;
        int error_;
        qint64 limit_, read_ = 0;
        qint64& counted_;
        int blocks_ = 0;
    };

    // A file written in blocks whose first write fails halfway (Write) or
    // whose Commit fails (Rename).
    class FaultyOutput final : public OutputStream {
    public:
        FaultyOutput(std::unique_ptr<OutputStream> real, Fault fault, int error)
            : real_(std::move(real)), fault_(fault), error_(error) {}
        void Write(const char* data, qint64 size) override {
            real_->Write(data, fault_ == Fault::Write ? size / 2 : size);
            if (fault_ == Fault::Write) ThrowDiskError(error_, 57);
        }
        void Commit() override {
            // Write: nothing was written, the first write fails.
            if (fault_ == Fault::Write || fault_ == Fault::Rename) {
                real_->Discard();
                ThrowDiskError(error_, fault_ == Fault::Write ? 57 : 75);
            }
            real_->Commit();
        }
        void Discard() noexcept override { real_->Discard(); }

    private:
        std::unique_ptr<OutputStream> real_;
        Fault fault_;
        int error_;
    };

    // The fault that strikes this call, or None: the armed one, on the first
    // file of its kind (read or written).
    Fault Strikes(bool reading) const {
        if (fault_ == Fault::None || (fault_ <= Fault::ShortRead) != reading || struck_ > 0) return Fault::None;
        ++struck_;
        return fault_;
    }

    FileSystem& real_;
    Fault fault_ = Fault::None;
    int error_ = 0;
    mutable int struck_ = 0;
    mutable qint64 bytesRead_ = 0;
};

}  // namespace tessark::test
