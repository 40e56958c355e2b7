// libFuzzer target: the fast engine against the literal one. The fuzzer's
// bytes choose the option set (all fifteen options), an optional failing
// yield and the page, either built from markers, references, whitespace and
// random bytes (with tags, attributes, links and HTML references for the
// readable-text options) or taken as the raw bytes themselves. Any
// disagreement (result, yield count or reports of the literal engine, the
// fast one over 16-bit text and the fast byte pipeline) aborts with both
// results printed.
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
    std::string page;
    const unsigned form = choices.Next(8);
    if (form < 2)
        page.assign(reinterpret_cast<const char*>(data) + 3, size - 3);
    else
        page = BuildPage(choices, 300, /*readable=*/form >= 5 || (options & kReadableBits) != 0);
    const Comparison c = Compare(page, options, failAt);
    if (!c.Agree()) {
        std::fprintf(stderr, "engines disagree: options=%u failAt=%ld\n", options, failAt);
        Print("page", Decode(page));
        Print("literal", c.literal.text);
        Print("fast", c.fast.text);
        Print("bytes", c.bytes.text);
        Print("baseline bytes", c.baselineBytes.text);
        std::fprintf(stderr, "yields literal=%ld fast=%ld bytes=%ld baseline bytes=%ld\n", c.literal.yields,
                     c.fast.yields, c.bytes.yields, c.baselineBytes.yields);
        std::abort();
    }
    return 0;
}
