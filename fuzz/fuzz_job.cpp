// libFuzzer target: the conversion job (ConvertOne) on random files over a
// failing disk. The fuzzer's bytes choose the options, a fault (kind, errno,
// which call) and the page. Each run writes the page to a file, puts an old
// output beside it and converts through FaultyDisk; then:
//  - written: the output is exactly what the same conversion gives in memory;
//  - stopped or failed: the old output is there byte for byte, and a failure
//    carries a known error number with its message;
//  - either way no other file is left in the folder.
// Any breach aborts with what was chosen.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "ConversionJob.h"
#include "FaultyDisk.h"
#include "FileSystem.h"
#include "Options.h"

namespace {

using tessark::test::FaultyDisk;

[[noreturn]] void Fail(const char* what, int fault, int error, int nth) {
    std::fprintf(stderr, "fuzz_job: %s (fault %d, errno %d, call %d)\n", what, fault, error, nth);
    std::abort();
}

bool KnownError(int number) {
    for (int known : {7, 52, 53, 57, 61, 70, 75, 76})
        if (number == known) return true;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tessark;
    if (size < 4) return 0;
    static const int kErrors[] = {EACCES, EIO, ENOSPC, EROFS, EBUSY, ENOENT, EDQUOT, EINVAL};
    const unsigned optionBits = data[0] | (data[1] << 8);
    const int fault = data[2] % 7;  // FaultyDisk::Fault, None first
    const int error = kErrors[(data[2] / 7) % 8];
    const int nth = data[3] % 3;  // 0: every call
    const QByteArray page(reinterpret_cast<const char*>(data + 4), static_cast<qsizetype>(size - 4));

    static QTemporaryDir dir;  // one folder for the whole run, emptied each time
    const QString in = dir.filePath(QStringLiteral("page.html"));
    const QString out = dir.filePath(QStringLiteral("out.txt"));
    const QByteArray old = "old output\r\n";
    for (const auto& [path, bytes] : {std::pair{in, page}, std::pair{out, old}}) {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) Fail("cannot prepare the files", 0, 0, 0);
    }

    ConversionRequest request;
    request.inputPath = in;
    request.outputPath = out;
    for (const OptionInfo& info : kOptions)
        request.options.Set(info.option, (optionBits >> static_cast<unsigned>(info.option)) & 1u);

    DiskFileSystem real;
    ConversionRequest inMemory = request;
    inMemory.target = ConversionRequest::Target::Memory;
    const ConversionOutcome expected = ConvertOne(inMemory, real);

    FaultyDisk disk(real);
    disk.Arm(static_cast<FaultyDisk::Fault>(fault), error);
    const ConversionOutcome got = ConvertOne(request, disk);

    QFile result(out);
    if (!result.open(QIODevice::ReadOnly)) Fail("the output is gone", fault, error, nth);
    const QByteArray now = result.readAll();
    result.close();
    switch (got.result) {
    case ConversionOutcome::Result::Written:
        if (fault == int(FaultyDisk::Fault::ShortRead) && disk.Struck() > 0) break;  // half the page, converted
        if (expected.result != ConversionOutcome::Result::Written || now != expected.text)
            Fail("written output differs from the conversion in memory", fault, error, nth);
        break;
    case ConversionOutcome::Result::Stopped:
        if (now != old) Fail("a stopped job changed the output", fault, error, nth);
        break;
    case ConversionOutcome::Result::Failed:
        if (now != old) Fail("a failed job changed the output", fault, error, nth);
        if (got.errors.empty() || !KnownError(got.errors.front().number) || got.errors.front().description.isEmpty())
            Fail("a failure without a known error number and message", fault, error, nth);
        break;
    }
    const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    if (left != QStringList{QStringLiteral("out.txt"), QStringLiteral("page.html")}) Fail("a stray file", fault, error, nth);
    return 0;
}
