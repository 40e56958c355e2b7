#include <QFileInfo>
#include <cstdio>

#include "ConversionJob.h"
#include "FileSystem.h"
#include "ModernCommandLine.h"
#include "RecordCommands.h"
#include "records/Gzip.h"

namespace tessark::cli {

QString ShownInput(const QString& input) {
    return input == QLatin1String("-") ? QStringLiteral("(standard input)") : input;
}

std::unique_ptr<InputStream> OpenRecordInput(const RecordRun& run, FileSystem& disk, const QString& input) {
    const bool standard = input == QLatin1String("-");
    if (standard && run.inputClosed) {
        RecordError(ShownInput(input), QStringLiteral("standard input is closed"));
        return nullptr;
    }
    try {
        return standard ? disk.OpenStandardInput() : disk.OpenRead(input);
    } catch (...) {
        RecordError(ShownInput(input), CurrentErrorText());
        return nullptr;
    }
}

RecordOutput::RecordOutput(FileSystem& disk, const QString& path) {
    const bool standard = path.isEmpty() || path == QLatin1String("-");
    shown_ = standard ? QStringLiteral("(standard output)") : path;
    compress_ = !standard && path.endsWith(QLatin1String(".gz"), Qt::CaseInsensitive);
    stream_ = standard ? disk.OpenStandardOutput() : disk.OpenWrite(path);
}

RecordOutput::~RecordOutput() {
    if (stream_) stream_->Discard();
}

void RecordOutput::Write(std::string_view bytes) {
    if (bytes.empty()) return;
    if (compress_) {
        packed_.clear();
        records::AppendGzipMember(packed_, bytes);
        bytes = packed_;
    }
    stream_->Write(bytes.data(), static_cast<qint64>(bytes.size()));
}

void RecordOutput::Commit() {
    stream_->Commit();
    stream_.reset();
}

bool RecordRunRefused(const RecordRun& run) {
    if (run.output.isEmpty() || run.output == QLatin1String("-")) {
        if (run.outputClosed) RecordError(QStringLiteral("tessark"), QStringLiteral("standard output is closed"));
        return run.outputClosed;
    }
    bool refused = false;
    for (const QString& input : run.inputs) {
        if (input != QLatin1String("-") && SameFile(input, run.output)) {
            RecordError(input, QStringLiteral("input file is output file"));
            refused = true;
        }
    }
    return refused;
}

void RecordError(const QString& shown, const QString& message) {
    const QByteArray line = (QStringLiteral("tessark: ") + shown + QStringLiteral(": ") + message + u'\n').toLocal8Bit();
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stderr);
    std::fflush(stderr);
}

QString CurrentErrorText() { return ConversionError::FromCurrentException(QString()).description; }

}  // namespace tessark::cli
