// Throughput of the fast engine (Google Benchmark): MB/s with all options on
// and all off, in memory (the whole page at once, and streamed in chunks)
// and end to end (file in the page cache to file out, through the same
// conversion the program runs), next to the time to copy the same file; on
// the corpus, on 4 and 8 copies of it (about 50 and 100 MB), on adversarial
// inputs of about 100 MB and on dense references (5, 10 and 20 MB); also
// with DecodeAllReferences (the page then converts whole).
// bench/run.sh builds and runs it.
// The readable-text engine (ReadableText.h) in memory: on the eight copies
// of the corpus (Readable/corpus-x8, also with the links listed and the
// text wrapped) and on inputs made to find a cost that grows faster than the
// page (deep nesting, a million unclosed paragraphs, items or cells, a
// million cells in one table, a huge attribute value, one long pre, a page
// of references only), each with its speed as a share of the real pages'
// (the counter vs_pages; the aim is at least 0.25).
// On the corpus rows the UTF-8 byte path is measured in memory as well, on
// the same bytes (Utf8InMemory), to set beside the Windows-1252 one; and on
// the 65 pages one by one, the cost of detecting each page's encoding
// (Detect/corpus-pages) and of converting each under "auto"
// (AutoInMemory/corpus-pages), beside the Windows-1252 conversion of the same
// pages (InMemory/corpus-pages).
//
// The inputs are generated into the folder named by TESSARK_BENCH_DATA
// (default: ./bench-data) on the first run.
#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "ConversionJob.h"
#include "EncodedConversion.h"
#include "FileSystem.h"
#include "TextEncoding.h"
#include "ClassicEngine.h"
#include "StreamExtractor.h"
#include "readable/ReadableText.h"

namespace {

namespace fs = std::filesystem;
using tessark::ClassicEngine;

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

std::vector<QByteArray> CorpusPages() {
    std::vector<fs::path> paths;
    for (const auto& e : fs::directory_iterator(TESSARK_CORPUS_DIR))
        if (e.path().extension() == ".html") paths.push_back(e.path());
    std::sort(paths.begin(), paths.end());
    std::vector<QByteArray> pages;
    for (const auto& p : paths) {
        const std::string bytes = ReadWhole(p);
        pages.emplace_back(bytes.data(), static_cast<qsizetype>(bytes.size()));
    }
    return pages;
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

constexpr std::size_t kMB = 1000 * 1000;

std::string DenseReferences(std::size_t size) {
    static const std::string kUnit = "&amp;&lt;&#65;&nbsp;x&eacute;&#&not;65;";
    std::string out;
    out.reserve(size + kUnit.size());
    while (out.size() < size) out += kUnit;
    return out;
}

std::string DenseRandomReferences(std::size_t size) {
    static const char* const kPieces[] = {
        "&amp;", "&AMP;", "&lt;", "&gt;", "&#65;", "&#38;", "&#35;", "&nbsp;", "&nbsp", "&eacute;", "&not;",
        "&para;", "&#", "&", "#", ";", "65;", "&quot;", "&#233;", "&copy;", "&shy;", "x", "lt;", "&am", "p;",
    };
    std::mt19937 rng(20261207);
    std::string out;
    out.reserve(size + 16);
    while (out.size() < size) out += kPieces[rng() % std::size(kPieces)];
    return out;
}

struct Input {
    const char* name;
    std::string (*make)();
};

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
    // References back to back, no space, no line break: one cluster of 5, 10
    // and 20 MB in which replacements meet and cascade.
    {"denseReferences5MB", [] { return DenseReferences(5 * kMB); }},
    {"denseReferences10MB", [] { return DenseReferences(10 * kMB); }},
    {"denseReferences20MB", [] { return DenseReferences(20 * kMB); }},
    // The same density with references drawn at random from the table and
    // its fragments, so that no window repeats.
    {"denseRandomReferences20MB", [] { return DenseRandomReferences(20 * kMB); }},
};

// The readable-text engine's own adversarial inputs, each tens of MB.
const Input kReadableInputs[] = {
    {"deepDivs1e6", [] { return Repeat("<div>", 1000000) + "deep" + Repeat("</div>", 1000000); }},
    {"unclosedP1e6", [] { return Repeat("<p>A paragraph that is never closed.", 1000000); }},
    {"unclosedLi1e6", [] { return "<ul>" + Repeat("<li>An item that is never closed", 1000000); }},
    {"unclosedTd1e6", [] { return "<table><tr>" + Repeat("<td>cell", 1000000); }},
    {"table1000x1000", [] { return "<table>" + Repeat("<tr>" + Repeat("<td>cell</td>", 1000), 1000) + "</table>"; }},
    {"attribute50MB", [] { return "<p><a href=\"" + std::string(50 * kMB, 'x') + "\">a link</a> after it</p>"; }},
    {"pre50MB", [] { return "<pre>" + Filler(50 * kMB) + "</pre>"; }},
    {"references20MB", [] { return DenseRandomReferences(20 * kMB); }},
};

const std::string& InputBytes(const Input& in, fs::path* path) {
    static std::vector<std::string> cache(std::size(kInputs) + std::size(kReadableInputs));
    const bool readable = &in >= kReadableInputs && &in < kReadableInputs + std::size(kReadableInputs);
    const std::size_t index =
        readable ? std::size(kInputs) + static_cast<std::size_t>(&in - kReadableInputs) : static_cast<std::size_t>(&in - kInputs);
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
// defaults) or all off, and DecodeAllReferences with comments, scripts,
// styles, tags, tabs, spaces and blank lines.
enum class Preset { AllOn, AllOff, Decode };

tessark::EngineOptions PresetOptions(Preset preset) {
    // The bits of EngineOptions::FromMask: the eleven classic options, then DecodeAllReferences.
    constexpr unsigned kClassic = (1u << 11) - 1, kDecodeSet = 0x6E7 /* all classic but functions, pipe, CRLF */;
    switch (preset) {
    case Preset::AllOn: return tessark::EngineOptions::FromMask(kClassic);
    case Preset::AllOff: return {};
    case Preset::Decode: return tessark::EngineOptions::FromMask(kDecodeSet | (1u << 11));
    }
    return {};
}

std::size_t Convert(ClassicEngine& e, QByteArray& bytes, bool utf8 = false) {
    auto* data = reinterpret_cast<unsigned char*>(bytes.data());
    const auto size = static_cast<std::size_t>(bytes.size());
    const auto grow = [&bytes](std::size_t newSize) {
        bytes.resize(static_cast<qsizetype>(newSize));
        return reinterpret_cast<unsigned char*>(bytes.data());
    };
    const std::size_t len = utf8 ? e.ExtractUtf8(data, size, grow) : e.ExtractBytes(data, size, grow);
    bytes.truncate(static_cast<qsizetype>(len));
    return len;
}

// The working buffer is made as the job makes it (the disk layer's read,
// with room to grow) and refilled before each run, outside the timing.
void InMemory(benchmark::State& state, const Input* in, Preset preset, bool utf8) {
    fs::path path;
    const std::string& data = InputBytes(*in, &path);
    const auto size = static_cast<qsizetype>(data.size());
    tessark::DiskFileSystem disk;
    QByteArray buffer = disk.ReadAll(QString::fromStdString(path.string()), size);
    ClassicEngine e(PresetOptions(preset));
    for (auto _ : state) {
        state.PauseTiming();
        buffer.resize(size);
        std::memcpy(buffer.data(), data.data(), data.size());
        state.ResumeTiming();
        benchmark::DoNotOptimize(Convert(e, buffer, utf8));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(data.size()));
}

// The streaming conversion in memory: the input fed in blocks of 1 MB (as a
// reader hands them over), the output counted; state.range(0) is the chunk
// size in KB (0: the default).
void StreamInMemory(benchmark::State& state, const Input* in, Preset preset) {
    const std::string& data = InputBytes(*in, nullptr);
    const std::size_t chunk = state.range(0) > 0 ? static_cast<std::size_t>(state.range(0)) << 10
                                                 : tessark::ByteStreamExtractor::kDefaultChunk;
    std::size_t peak = 0;
    for (auto _ : state) {
        std::size_t out = 0;
        tessark::ByteStreamExtractor stream(
            PresetOptions(preset), nullptr, [&out](const unsigned char*, std::size_t n) { out += n; }, chunk);
        const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
        constexpr std::size_t kBlock = std::size_t{1} << 20;
        for (std::size_t at = 0; at < data.size(); at += kBlock)
            stream.Feed(bytes + at, std::min(kBlock, data.size() - at));
        stream.Finish();
        benchmark::DoNotOptimize(out);
        peak = std::max(peak, stream.PeakHeld());
    }
    state.counters["held_MB"] = static_cast<double>(peak) / 1e6;
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(data.size()));
}

// File to file as the program converts it: ConvertOne, which streams the
// file through the engine into a temporary file that replaces the output
// (with DecodeAllReferences, the page converts whole).
void EndToEnd(benchmark::State& state, const Input* in, Preset preset) {
    fs::path path;
    const std::string& data = InputBytes(*in, &path);
    tessark::ConversionRequest request;
    request.inputPath = QString::fromStdString(path.string());
    request.outputPath = QString::fromStdString((DataDir() / "out.txt").string());
    const tessark::EngineOptions options = PresetOptions(preset);
    for (const tessark::OptionInfo& info : tessark::kOptions) request.options.Set(info.option, options.*info.flag);
    tessark::DiskFileSystem disk;
    for (auto _ : state) {
        const tessark::ConversionOutcome outcome = tessark::ConvertOne(request, disk);
        if (outcome.result != tessark::ConversionOutcome::Result::Written) state.SkipWithError("conversion failed");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(data.size()));
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
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(data.size()));
}

// The readable-text engine over data, fed in blocks of 1 MB as a reader
// hands them over; returns the bytes of text.
std::size_t ConvertReadable(const std::string& data, const tessark::ReadableOptions& options) {
    std::size_t out = 0;
    tessark::ReadableConverter converter(options, nullptr, [&out](const char*, std::size_t n) { out += n; });
    constexpr std::size_t kBlock = std::size_t{1} << 20;
    for (std::size_t at = 0; at < data.size(); at += kBlock) converter.Feed(data.data() + at, std::min(kBlock, data.size() - at));
    converter.Finish();
    return out;
}

// Processor seconds used so far: vs_pages compares processor time, which
// other work on a shared machine disturbs less than the wall clock does.
double ProcessorSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

// MB per processor second of the readable-text engine on the real pages
// (corpus-x8, default options), the best of three: the yardstick of vs_pages.
double ReadablePagesSpeed() {
    static const double speed = [] {
        const std::string& data = InputBytes(kInputs[2], nullptr);
        double best = 0;
        for (int i = 0; i < 3; ++i) {
            const double start = ProcessorSeconds();
            benchmark::DoNotOptimize(ConvertReadable(data, {}));
            best = std::max(best, static_cast<double>(data.size()) / 1e6 / (ProcessorSeconds() - start));
        }
        return best;
    }();
    return speed;
}

// state.range(0): 0 default options, 1 the links listed and the text
// wrapped at 72 columns.
void ReadableInMemory(benchmark::State& state, const Input* in) {
    const std::string& data = InputBytes(*in, nullptr);
    tessark::ReadableOptions options;
    if (state.range(0) == 1) {
        options.links = tessark::ReadableOptions::Links::List;
        options.width = 72;
    }
    const double pages = ReadablePagesSpeed();
    std::size_t out = 0;
    const double start = ProcessorSeconds();
    for (auto _ : state) benchmark::DoNotOptimize(out = ConvertReadable(data, options));
    const double took = ProcessorSeconds() - start;
    state.counters["vs_pages"] = static_cast<double>(data.size()) * static_cast<double>(state.iterations()) / 1e6 / took / pages;
    state.counters["out_MB"] = static_cast<double>(out) / 1e6;
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(data.size()));
}

// The corpus page by page: "detect" only detects each page's encoding;
// otherwise each page is converted with all options on, as "auto" or as
// "windows-1252" (a fresh copy of the page each time, outside the timing).
void CorpusPagesBench(benchmark::State& state, const char* mode) {
    static const std::vector<QByteArray> pages = CorpusPages();
    std::int64_t total = 0;
    for (const QByteArray& p : pages) total += p.size();
    const bool detectOnly = std::strcmp(mode, "detect") == 0;
    ClassicEngine e(PresetOptions(Preset::AllOn));
    std::vector<QByteArray> work(pages.size());
    for (auto _ : state) {
        if (detectOnly) {
            for (const QByteArray& p : pages) benchmark::DoNotOptimize(tessark::TextEncoding::Detect(p).reason);
            continue;
        }
        state.PauseTiming();
        for (std::size_t i = 0; i < pages.size(); ++i) work[i] = QByteArray(pages[i].constData(), pages[i].size());
        state.ResumeTiming();
        for (QByteArray& w : work) benchmark::DoNotOptimize(tessark::ConvertEncoded(e, w, QString::fromLatin1(mode)));
    }
    state.SetBytesProcessed(state.iterations() * total);
}

const int kRegistered = [] {
    benchmark::RegisterBenchmark("Detect/corpus-pages", CorpusPagesBench, "detect")
        ->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
    benchmark::RegisterBenchmark("AutoInMemory/corpus-pages/AllOn", CorpusPagesBench, "auto")
        ->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
    benchmark::RegisterBenchmark("InMemory/corpus-pages/AllOn", CorpusPagesBench, "windows-1252")
        ->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
    for (const Input& in : kInputs) {
        const std::string n = in.name;
        for (const auto& [preset, label] : {std::pair{Preset::AllOn, "/AllOn"}, std::pair{Preset::AllOff, "/AllOff"},
                                            std::pair{Preset::Decode, "/Decode"}}) {
            benchmark::RegisterBenchmark(("InMemory/" + n + label).c_str(), InMemory, &in, preset, false)
                ->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
            if ((n.rfind("corpus", 0) == 0 || n.rfind("dense", 0) == 0) && preset != Preset::Decode)
                benchmark::RegisterBenchmark(("Utf8InMemory/" + n + label).c_str(), InMemory, &in, preset, true)
                    ->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
            if (preset == Preset::AllOn)
                benchmark::RegisterBenchmark(("StreamInMemory/" + n + label).c_str(), StreamInMemory, &in, preset)
                    ->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
            benchmark::RegisterBenchmark(("EndToEnd/" + n + label).c_str(), EndToEnd, &in, preset)
                ->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
        }
        benchmark::RegisterBenchmark(("CopyFile/" + n).c_str(), CopyFile, &in)
            ->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
    }
    benchmark::RegisterBenchmark("Readable/corpus-x8", ReadableInMemory, &kInputs[2])
        ->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
    for (const Input& in : kReadableInputs)
        benchmark::RegisterBenchmark(("Readable/" + std::string(in.name)).c_str(), ReadableInMemory, &in)
            ->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
    // The chunk size of the streaming conversion, on the real pages.
    benchmark::RegisterBenchmark("StreamChunk/corpus-x8/AllOn", StreamInMemory, &kInputs[2], Preset::AllOn)
        ->ArgsProduct({{32, 64, 128, 256, 512, 1024, 4096}})
        ->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
    return 0;
}();

}  // namespace

BENCHMARK_MAIN();
