#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <filesystem>

#include "ConversionJob.h"
#include "FileSystem.h"
#include "RecordCommands.h"
#include "records/Gzip.h"

namespace tessark::cli {

std::unique_ptr<InputStream> OpenRecordInput(FileSystem& disk, const QString& input) {
    return input == QLatin1String("-") ? disk.OpenStandardInput() : disk.OpenRead(input);
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

bool OutputIsAnInput(const RecordRun& run) {
    if (run.output.isEmpty() || run.output == QLatin1String("-")) return false;
    const auto native = [](const QString& path) { return std::filesystem::path(QFile::encodeName(path).toStdString()); };
    bool found = false;
    for (const QString& input : run.inputs) {
        std::error_code error;
        if (input != QLatin1String("-") && std::filesystem::equivalent(native(input), native(run.output), error) && !error) {
            RecordError(input, QStringLiteral("input file is output file"));
            found = true;
        }
    }
    return found;
}

void RecordError(const QString& shown, const QString& message) {
    const QByteArray line = (QStringLiteral("tessark: ") + shown + QStringLiteral(": ") + message + u'\n').toLocal8Bit();
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stderr);
    std::fflush(stderr);
}

QString CurrentErrorText() { return ConversionError::FromCurrentException(QString()).description; }

}  // namespace tessark::cli
