// libFuzzer target: the fast engine against the literal one. The fuzzer's
// bytes choose the option set (all fifteen options), an optional failing
// yield, how the streaming conversion is fed (chunk size and piece sizes)
// and the page, either built from markers, references, whitespace and
// random bytes (with tags, attributes, links and HTML references for the
// readable-text options) or taken as the raw bytes themselves. Any
// disagreement (result, yield count or reports of the literal engine, the
// fast one over 16-bit text, the fast byte pipeline and the streaming
// conversions, which carry the eleven classic options only, each with every
// implementation of the kernels the processor supports) aborts with the
// results printed.
// One input in three checks the UTF-8 byte path instead, against the 16-bit
// engine on the decoded page (built with characters of several bytes, or the
// raw bytes).
#include <cstdio>
#include <cstdlib>

#include "DifferentialInput.h"

namespace {

void Print(const char* label, const std::u16string& text) {
    std::fprintf(stderr, "%s (%zu units): ", label, text.size());
    for (const char16_t c : text) {
        if (c >= 0x20 && c < 0x7F)
            std::fputc(static_cast<int>(c), stderr);
        else
            std::fprintf(stderr, "\\u%04X", static_cast<unsigned>(c));
    }
    std::fputc('\n', stderr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tessark::differential;
    if (size < 3) return 0;
    BytesChoices choices(data, size);
    const unsigned options = choices.Next(1u << kOptionBits);
    const long failAt = choices.Next(6) == 0 ? static_cast<long>(1 + choices.Next(32)) : 0;
    Feeding feeding;
    feeding.chunk = 1 + choices.Next(choices.Next(2) ? 16 : 4096);
    feeding.feeds = {1 + choices.Next(64), 1 + choices.Next(4096)};
    feeding.twoThreads = failAt == 0 && choices.Next(4) == 0;
    static const std::vector<std::string> implementations = SupportedImplementations();
    if (choices.Next(3) == 0) {
        std::string page;
        if (choices.Next(4) == 0)
            page.assign(reinterpret_cast<const char*>(data) + 3, size - 3);
        else
            page = BuildUtf8Page(choices, 300, choices.Next(2) == 0, (options & kReadableBits) != 0);
        for (const std::string& implementation : implementations) {
            tessark::fast::ChooseImplementation(implementation);
            const Utf8Comparison c = CompareUtf8(page, options, failAt);
            tessark::fast::ChooseImplementation("");
            if (!c.Agree()) {
                std::fprintf(stderr, "UTF-8 path disagrees: kernels=%s options=%u failAt=%ld\n",
                             implementation.c_str(), options, failAt);
                Print("page", AsUnits(page));
                Print("oracle", c.oracle.text);
                Print("bytes", c.bytes.text);
                std::abort();
            }
        }
        const unsigned classic = options & ~kReadableBits;  // the stream carries the classic options only
        for (const std::string& implementation : implementations) {
            tessark::fast::ChooseImplementation(implementation);
            const Utf8StreamComparison s = CompareUtf8Stream(page, classic, feeding, failAt);
            tessark::fast::ChooseImplementation("");
            if (!s.Agree()) {
                std::fprintf(stderr,
                             "UTF-8 stream disagrees: kernels=%s options=%u failAt=%ld chunk=%zu feeds=%zu,%zu "
                             "two threads=%d\n",
                             implementation.c_str(), classic, failAt, feeding.chunk, feeding.feeds[0],
                             feeding.feeds[1], int(feeding.twoThreads));
                Print("page", AsUnits(page));
                Print("whole", s.whole.text);
                Print("stream", s.stream.text);
                std::abort();
            }
        }
        return 0;
    }
    std::string page;
    const unsigned form = choices.Next(8);
    if (form < 2)
        page.assign(reinterpret_cast<const char*>(data) + 3, size - 3);
    else
        page = BuildPage(choices, 300, /*readable=*/form >= 5 || (options & kReadableBits) != 0);
    const Outcome literal = Literal(page, options, failAt);
    for (const std::string& implementation : implementations) {
        tessark::fast::ChooseImplementation(implementation);
        const Comparison c = Compare(page, options, failAt, &literal);
        tessark::fast::ChooseImplementation("");
        if (!c.Agree()) {
            std::fprintf(stderr, "engines disagree: kernels=%s options=%u failAt=%ld\n", implementation.c_str(),
                         options, failAt);
            Print("page", Decode(page));
            Print("literal", c.literal.text);
            Print("fast", c.fast.text);
            Print("bytes", c.bytes.text);
            std::fprintf(stderr, "yields literal=%ld fast=%ld bytes=%ld\n", c.literal.yields, c.fast.yields,
                         c.bytes.yields);
            std::abort();
        }
    }
    const unsigned classic = options & ~kReadableBits;  // the stream carries the classic options only
    for (const std::string& implementation : implementations) {
        tessark::fast::ChooseImplementation(implementation);
        const StreamComparison s = CompareStream(page, classic, feeding, failAt);
        tessark::fast::ChooseImplementation("");
        if (!s.Agree()) {
            std::fprintf(stderr,
                         "stream disagrees: kernels=%s options=%u failAt=%ld chunk=%zu feeds=%zu,%zu two threads=%d\n",
                         implementation.c_str(), classic, failAt, feeding.chunk, feeding.feeds[0], feeding.feeds[1],
                         int(feeding.twoThreads));
            Print("page", Decode(page));
            Print("literal", s.literal.text);
            Print("stream text", s.text.text);
            Print("stream bytes", s.bytes.text);
            std::fprintf(stderr, "yields literal=%ld text=%ld bytes=%ld; reports text=%zu bytes=%zu\n",
                         s.literal.yields, s.text.yields, s.bytes.yields, s.text.reports.size(),
                         s.bytes.reports.size());
            std::abort();
        }
    }
    return 0;
}
