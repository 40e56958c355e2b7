// libFuzzer target: the fast engine against the literal one. The fuzzer's
// bytes choose the option set (all twelve options), an optional failing
// yield, how the streaming conversion is fed (chunk size and piece sizes)
// and the page, either built from markers, references, whitespace and
// random bytes (with tags, quotes and HTML references for
// DecodeAllReferences) or taken as the raw bytes themselves. Any
// disagreement (result, yield count or reports of the literal engine, the
// fast one over 16-bit text, the fast byte pipeline and the streaming
// conversions, each with every implementation of the kernels the processor
// supports) aborts with the results printed.
// One input in three checks the UTF-8 byte path instead, against the 16-bit
// engine on the decoded page (built with characters of several bytes, or the
// raw bytes).
#include <cstdio>
#include <cstdlib>

#include "DifferentialInput.h"

namespace {

// Aborts with what each way gave when they disagree.
void Check(const std::string& verdict, const std::string& kernels, const tessark::test::Feeding* feeding = nullptr) {
    if (verdict.empty()) return;
    std::fprintf(stderr, "disagreement with kernels=%s", kernels.c_str());
    if (feeding != nullptr)
        std::fprintf(stderr, " chunk=%zu feeds=%zu,%zu", feeding->chunk, feeding->feeds[0], feeding->feeds[1]);
    std::fprintf(stderr, "\n%s\n", verdict.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tessark::test;
    if (size < 3) return 0;
    Choices choices(data, size);
    const unsigned options = choices.Next(1u << kOptionBits);
    const long failAt = choices.Next(6) == 0 ? static_cast<long>(1 + choices.Next(32)) : 0;
    Feeding feeding;
    feeding.chunk = 1 + choices.Next(choices.Next(2) ? 16 : 4096);
    feeding.feeds = {1 + choices.Next(64), 1 + choices.Next(4096)};
    static const std::vector<std::string> implementations = SupportedImplementations();
    std::string page;
    const bool utf8 = choices.Next(3) == 0;
    const unsigned form = choices.Next(8);
    if (form < 2)
        page.assign(reinterpret_cast<const char*>(data) + 3, size - 3);
    else if (utf8)
        page = BuildUtf8Page(choices, 300, choices.Next(2) == 0, (options & kDecode) != 0);
    else
        page = BuildPage(choices, 300, /*references=*/form >= 5 || (options & kDecode) != 0);
    for (const std::string& implementation : implementations) {
        tessark::fast::ChooseImplementation(implementation);
        Check(utf8 ? CompareUtf8(page, options, failAt) : Compare(page, options, failAt), implementation);
        Check(utf8 ? CompareUtf8Stream(page, options, feeding, failAt) : CompareStream(page, options, feeding, failAt),
              implementation, &feeding);
        tessark::fast::ChooseImplementation("");
    }
    return 0;
}
