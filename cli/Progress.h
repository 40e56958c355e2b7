// Progress: the self-updating progress line of the modern command line on
// standard error: files done of total, bytes read, MB/s and time left, e.g.
//
//   37/120 files, 12.3 MB read, 45.6 MB/s, 0:07 left
//
// It appears only when standard error is a terminal and the text does not go
// to that same terminal through standard output (it would run into the text), and the work has taken
// longer than half a second; it is cut to the terminal's width, so that it
// never wraps, is redrawn a few times a second and erased at
// the end. Other lines for standard error go through Print, which erases the
// progress line first, so that the two never mix.
//
// Thread safety: Done and Print may be called from any thread; the line is
// drawn by a thread of its own that the object starts and joins.
#pragma once

#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace tessark::cli {

// The text of the line. `totalBytes` 0 means unknown (standard input): the
// time left is then estimated from the files done.
QString FormatProgress(int done, int total, qint64 bytesRead, qint64 totalBytes, double elapsedSeconds);

// True when standard error is a terminal, and, when the text goes to standard
// output, that is not the same terminal: where the progress line may be drawn.
bool ProgressLineWanted(bool textToStandardOutput);

class ProgressLine {
public:
    // Shows nothing at all unless `enabled`.
    ProgressLine(int total, qint64 totalBytes, bool enabled);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // One input finished, `bytesRead` of it read.
    void Done(qint64 bytesRead);
    // Writes `line` and a line break to standard error.
    void Print(const QString& line);

private:
    void Draw();  // with mutex_ held
    void Erase(); // with mutex_ held
    void Loop();

    const int total_;
    const qint64 totalBytes_;
    const bool enabled_;
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::atomic<int> done_{0};
    std::atomic<qint64> bytesRead_{0};
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    bool shown_ = false;
    std::thread thread_;
};

}  // namespace tessark::cli
