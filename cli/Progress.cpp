#include "Progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#if defined(_WIN32)
#include <io.h>
#else
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tessark::cli {
namespace {

constexpr auto kFirstDraw = std::chrono::milliseconds(500);
constexpr auto kRedraw = std::chrono::milliseconds(200);

void Write(const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stderr);
    std::fflush(stderr);
}

// The columns of the terminal on standard error; 0 when unknown.
int TerminalColumns() {
#if defined(_WIN32)
    return 0;
#else
    struct winsize size {};
    return ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
#endif
}

QString Duration(double seconds) {
    const qint64 s = static_cast<qint64>(std::ceil(seconds));
    if (s >= 3600) return QStringLiteral("%1:%2:%3").arg(s / 3600).arg(s / 60 % 60, 2, 10, QChar(u'0')).arg(s % 60, 2, 10, QChar(u'0'));
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QChar(u'0'));
}

}  // namespace

QString FormatProgress(int done, int total, qint64 bytesRead, qint64 totalBytes, double elapsedSeconds) {
    const double megabytes = static_cast<double>(bytesRead) / 1e6;
    const double rate = elapsedSeconds > 0 ? megabytes / elapsedSeconds : 0.0;
    QString line = QStringLiteral("%1/%2 files, %3 MB read, %4 MB/s")
                       .arg(done)
                       .arg(total)
                       .arg(megabytes, 0, 'f', 1)
                       .arg(rate, 0, 'f', 1);
    double left = -1;
    if (totalBytes > 0 && bytesRead > 0)
        left = elapsedSeconds * static_cast<double>(std::max<qint64>(totalBytes - bytesRead, 0)) / static_cast<double>(bytesRead);
    else if (done > 0)
        left = elapsedSeconds * (total - done) / done;
    if (left >= 0) line += QStringLiteral(", %1 left").arg(Duration(left));
    return line;
}

bool ProgressLineWanted(bool textToStandardOutput) {
#if defined(_WIN32)
    return _isatty(_fileno(stderr)) != 0 && !(textToStandardOutput && _isatty(_fileno(stdout)) != 0);
#else
    if (isatty(STDERR_FILENO) == 0) return false;
    if (!textToStandardOutput) return true;
    struct stat out {}, err {};
    if (fstat(STDOUT_FILENO, &out) != 0 || fstat(STDERR_FILENO, &err) != 0) return true;
    return !(out.st_dev == err.st_dev && out.st_ino == err.st_ino);
#endif
}

ProgressLine::ProgressLine(int total, qint64 totalBytes, bool enabled)
    : total_(total), totalBytes_(totalBytes), enabled_(enabled) {
    if (enabled_) thread_ = std::thread([this] { Loop(); });
}

ProgressLine::~ProgressLine() {
    if (!enabled_) return;
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        Erase();
    }
    wake_.notify_all();
    thread_.join();
}

void ProgressLine::Done(qint64 bytesRead) {
    bytesRead_ += bytesRead;
    ++done_;
}

void ProgressLine::Print(const QString& line) {
    const std::lock_guard lock(mutex_);
    Erase();
    Write(line.toLocal8Bit() + '\n');
    // The next tick draws the line again.
}

void ProgressLine::Draw() {
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    // Carriage return, the line, then erase what a longer line left behind.
    // The line is cut short of the last column, where it would wrap and
    // leave a stale copy behind at every redraw.
    QString line = FormatProgress(done_.load(), total_, bytesRead_.load(), totalBytes_, elapsed);
    if (const int columns = TerminalColumns(); columns > 1 && line.size() >= columns) line.truncate(columns - 1);
    Write("\r" + line.toLocal8Bit() + "\x1b[K");
    shown_ = true;
}

void ProgressLine::Erase() {
    if (!shown_) return;
    Write("\r\x1b[K");
    shown_ = false;
}

void ProgressLine::Loop() {
    std::unique_lock lock(mutex_);
    if (wake_.wait_until(lock, start_ + kFirstDraw, [this] { return stopping_; })) return;
    while (!stopping_) {
        Draw();
        wake_.wait_for(lock, kRedraw, [this] { return stopping_; });
    }
}

}  // namespace tessark::cli
