// Throughput of the fast engine (Google Benchmark): MB/s with all options on
// and all off, in memory and end to end (file in the page cache to file
// out, through the same disk layer the job uses), next to the time to copy
// the same file; on the corpus, on 4 and 8 copies of it (about 50 and 100 MB), and
// on adversarial inputs of about 100 MB. bench/run.sh builds and runs it.
//
// The inputs are generated into the folder named by TESSARK_BENCH_DATA
// (default: ./bench-data) on the first run.
#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "FileSystem.h"
#include "cTessark.h"

namespace {

namespace fs = std::filesystem;
using tessark::cTessark;

fs::path DataDir() {
    const char* dir = std::getenv("TESSARK_BENCH_DATA");
    return dir ? fs::path(dir) : fs::path("bench-data");
}

std::string ReadWhole(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteWhole(const fs::path& p, const std::string& data) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
}

// Ordinary prose with line breaks, none of the engine's markers.
std::string Filler(std::size_t size) {
    static const std::string kText =
        "The quick brown fox jumps over the lazy dog while the committee debates the budget.\r\n"
        "Prices rose by three percent in the last quarter, analysts said on Tuesday.\r\n";
    std::string out;
    out.reserve(size);
    while (out.size() < size) out += kText;
    out.resize(size);
    return out;
}

std::string Corpus() {
    std::vector<fs::path> pages;
    for (const auto& e : fs::directory_iterator(TESSARK_CORPUS_DIR))
        if (e.path().extension() == ".html") pages.push_back(e.path());
    std::sort(pages.begin(), pages.end());
    std::string all;
    for (const auto& p : pages) all += ReadWhole(p);
    return all;
}

std::string Repeat(const std::string& unit, int times) {
    std::string out;
    out.reserve(unit.size() * static_cast<std::size_t>(times));
    for (int i = 0; i < times; ++i) out += unit;
    return out;
}

// Each element with ~100 bytes (or the given filler) of prose around it.
std::string Spaced(const std::string& element, std::size_t count, std::size_t filler) {
    const std::string f = Filler(filler);
    std::string out;
    out.reserve(count * (element.size() + filler));
    for (std::size_t i = 0; i < count; ++i) {
        out += element;
        out += f;
    }
    return out;
}

struct Input {
    const char* name;
    std::string (*make)();
};

constexpr std::size_t kMB = 1000 * 1000;

const Input kInputs[] = {
    {"corpus", [] { return Corpus(); }},
    // Four and eight copies of the corpus (about 50 and 100 MB): exactly
    // twice the input, for the doubling check.
    {"corpus-x4", [] { return Repeat(Corpus(), 4); }},
    {"corpus-x8", [] { return Repeat(Corpus(), 8); }},
    {"scripts1e5", [] { return Spaced("<script type=\"text/javascript\">var a = b < c;</script>", 100000, 950); }},
    {"references1e6",
     [] {
         const char* refs[] = {"&amp;", "&lt;", "&nbsp;", "&eacute;", "&#233;", "&#38;#39;", "&amp;lt;", "&quot;",
                               "&#&not;65;", "&nbsp"};
         std::string out;
         const std::string f = Filler(90);
         for (int i = 0; i < 1000000; ++i) {
             out += refs[i % 10];
             out += f;
         }
         return out;
     }},
    {"tags1e6", [] { return Spaced("<a href=\"x\">", 1000000, 90); }},
    {"unclosedScriptThen1e5Blocks",
     [] { return "<script " + Spaced("<script>var x = 1;</script>", 100000, 970); }},
    {"spaces10MB", [] { return "a" + std::string(10 * kMB, ' ') + "b\r\n"; }},
    {"openBraces1e6", [] { return Spaced("{", 1000000, 99); }},
    {"openComments1e6", [] { return Spaced("<!--", 1000000, 96); }},
};

const std::string& InputBytes(const Input& in, fs::path* path) {
    static std::vector<std::string> cache(std::size(kInputs));
    const std::size_t index = static_cast<std::size_t>(&in - kInputs);
    const fs::path p = DataDir() / (std::string(in.name) + ".html");
    if (path) *path = p;
    if (cache[index].empty()) {
        fs::create_directories(DataDir());
        if (!fs::exists(p)) WriteWhole(p, in.make());
        cache[index] = ReadWhole(p);
    }
    return cache[index];
}

// The option sets measured: the eleven classic options all on (a new user's
// defaults) or all off, and what the modern command line's --readable
// chooses (the four readable-text options on, with comments, scripts,
// styles, tags, tabs, references, spaces and blank lines).
enum class Preset { AllOn, AllOff, Readable };

void SetPreset(cTessark& e, Preset preset) {
    const tessark::Boolean v = preset == Preset::AllOn ? tessark::True : tessark::False;
    e.RemoveComments = e.RemoveScripts = e.RemoveStyles = e.RemoveFunctions = e.RemovePipe = v;
    e.RemoveTabs = e.GenerateSpecialChars = e.RemoveAllTags = e.RemoveAllCRLF = v;
    e.RemoveSpaces = e.RemoveBlankLines = v;
    if (preset == Preset::Readable) {
        e.RemoveComments = e.RemoveScripts = e.RemoveStyles = e.RemoveTabs = tessark::True;
        e.GenerateSpecialChars = e.RemoveAllTags = e.RemoveSpaces = e.RemoveBlankLines = tessark::True;
        e.BreakAtBlocks = e.KeepLinks = e.KeepAltText = e.DecodeAllReferences = tessark::True;
    }
}

std::size_t Convert(cTessark& e, QByteArray& bytes) {
    const std::size_t len = e.ExtractBytes(reinterpret_cast<unsigned char*>(bytes.data()),
                                           static_cast<std::size_t>(bytes.size()), [&bytes](std::size_t size) {
                                               bytes.resize(static_cast<qsizetype>(size));
                                               return reinterpret_cast<unsigned char*>(bytes.data());
                                           });
    bytes.truncate(static_cast<qsizetype>(len));
    return len;
}

// The working buffer is made as the job makes it (the disk layer's read,
// with room to grow) and refilled before each run, outside the timing.
void InMemory(benchmark::State& state, const Input* in, Preset preset) {
    fs::path path;
    const std::string& data = InputBytes(*in, &path);
    const auto size = static_cast<qsizetype>(data.size());
    tessark::DiskFileSystem disk;
    QByteArray buffer = disk.ReadAll(QString::fromStdString(path.string()), size);
    cTessark e;
    SetPreset(e, preset);
    for (auto _ : state) {
        state.PauseTiming();
        buffer.resize(size);
        std::memcpy(buffer.data(), data.data(), data.size());
        state.ResumeTiming();
        benchmark::DoNotOptimize(Convert(e, buffer));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}

void EndToEnd(benchmark::State& state, const Input* in, Preset preset) {
    fs::path path;
    const std::string& data = InputBytes(*in, &path);
    const QString input = QString::fromStdString(path.string());
    const QString output = QString::fromStdString((DataDir() / "out.txt").string());
    tessark::DiskFileSystem disk;
    cTessark e;
    SetPreset(e, preset);
    for (auto _ : state) {
        QByteArray bytes = disk.ReadAll(input, static_cast<qint64>(data.size()));
        Convert(e, bytes);
        disk.WriteAll(output, bytes);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}

void CopyFile(benchmark::State& state, const Input* in) {
    fs::path path;
    const std::string& data = InputBytes(*in, &path);
    const QString input = QString::fromStdString(path.string());
    const QString output = QString::fromStdString((DataDir() / "out.txt").string());
    tessark::DiskFileSystem disk;
    for (auto _ : state) {
        const QByteArray bytes = disk.ReadAll(input, static_cast<qint64>(data.size()));
        disk.WriteAll(output, bytes);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}

const int kRegistered = [] {
    for (const Input& in : kInputs) {
        const std::string n = in.name;
        for (const auto& [preset, label] : {std::pair{Preset::AllOn, "/AllOn"}, std::pair{Preset::AllOff, "/AllOff"},
                                            std::pair{Preset::Readable, "/Readable"}}) {
            benchmark::RegisterBenchmark(("InMemory/" + n + label).c_str(), InMemory, &in, preset)
                ->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
            benchmark::RegisterBenchmark(("EndToEnd/" + n + label).c_str(), EndToEnd, &in, preset)
                ->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
        }
        benchmark::RegisterBenchmark(("CopyFile/" + n).c_str(), CopyFile, &in)
            ->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
    }
    return 0;
}();

}  // namespace

BENCHMARK_MAIN();
