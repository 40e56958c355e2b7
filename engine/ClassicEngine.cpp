#include "ClassicEngine.h"

#include <stdexcept>
#include <type_traits>

#include "ConversionContext.h"
#include "kernels/Passes.h"
#include "FastReferences.h"
#include "HtmlReferences.h"

namespace tessark {

// The step numbers below are those of ReferenceEngine: CutHTML's in
// CutSteps, ExtractText's in Extract.
template <class U, class C>
std::size_t ClassicEngine::CutSteps(C* d, std::size_t n) {
    const fast::PassSet<C, U>& passes = fast::PassesFor<C, U>();
    if (options.RemoveComments) n = passes.CommentPass(d, n, nullptr);  // 2.
    Yield();                                           // 3.
    if (options.RemoveScripts) n = passes.BlockPass(d, n, "<script", 7, "/script>", 8, 9, nullptr);  // 4.
    Yield();                                                                        // 5.
    if (options.RemoveStyles) n = passes.BlockPass(d, n, "<style", 6, "/style>", 7, 7, nullptr);     // 6.
    Yield();                                                                        // 7.
    n = passes.FunctionPipeTabs(d, n, options.RemoveFunctions, options.RemovePipe, options.RemoveTabs, nullptr);  // 8. 9. 10.
    Yield();                                                                                   // 11.
    if (options.GenerateSpecialChars && !options.DecodeAllReferences) n = fast::ReplaceReferences<C, U>(d, n, [this] { Yield(); });  // 12.
    Yield();                                                                                          // 13.
    if (options.RemoveAllTags) n = passes.StripTags(d, n, nullptr);  // 14.
    return n;
}

// CutHTML's step 14a. Over UTF-8 a reference can decode to more bytes than
// it has: the text then moves into grow's buffer, and d follows it.
template <class U, class C, class Grow>
std::size_t ClassicEngine::DecodeAllStep(C*& d, std::size_t n, const Grow& grow) {
    if constexpr (std::is_same_v<U, fast::Utf8Units>) {
        return fast::DecodeAllReferencesUtf8(d, n, [&d, &grow](std::size_t size) {
            d = grow(size);
            return d;
        });
    } else {
        return fast::DecodeAllReferences(d, n);
    }
}

std::size_t ClassicEngine::ConsolidateYields(std::size_t length, std::size_t maxRun) {
    if (length == 0) return 0;  // an empty text returns at once
    try {
        for (std::size_t g = fast::SweepGroups(maxRun); g > 0; --g) Yield();
        return length;
    } catch (...) {
        Report("ConsolidateChar");
        return 0;
    }
}

template <class U, class C, class Grow>
std::size_t ClassicEngine::Extract(C* d, std::size_t n, const Grow& grow) {
    if (n == 0) return 0;  // 1.
    const fast::PassSet<C, U>& passes = fast::PassesFor<C, U>();
    std::size_t len = 0;
    std::size_t room = n;  // what the buffer holds
    const auto growing = [&room, &grow](std::size_t size) {
        room = size;
        return grow(size);
    };
    try {
        try {  // 2. CutHTML; its steps 15 and 16 run in the scan below
            len = CutSteps<U>(d, n);
            if (options.DecodeAllReferences) len = DecodeAllStep<U>(d, len, growing);  // 14a.
        } catch (...) {
            Report("CutHTML");
            len = 0;
        }
        // CutHTML 15. 16., then 3. 4. and the work of 5.
        const bool spaces = options.RemoveSpaces;
        std::size_t maxRun = 0;
        len = passes.TailPass(d, len, options.RemoveComments, true, options.RemoveAllCRLF, spaces, &maxRun, nullptr);
        if (spaces) len = ConsolidateYields(len, maxRun);  // 5.
        Yield();                                            // 6.
        if (options.RemoveBlankLines) {                             // 7.
            len = passes.BlankLinePass(d, len);
            len = passes.CollapseRuns(d, len, C('\n'), &maxRun);
            len = ConsolidateYields(len, maxRun);
        }
        if (options.RemoveSpaces) {  // 8.
            len = passes.CollapseRuns(d, len, C(' '), &maxRun);
            len = ConsolidateYields(len, maxRun);
        }
        Yield();  // 9.
        // 10. to 13.
        const fast::FinalShape shape = passes.ShapeFinal(d, len);
        const std::size_t finalLength = (shape.end - shape.begin) + shape.lineFeeds;
        if (finalLength > room) d = grow(finalLength);
        len = passes.ExpandLineEnds(d, shape);
    } catch (...) {
        Report("ExtractText");
    }
    return len;  // 14.
}

std::u16string ClassicEngine::ExtractText(const std::u16string& sIn) {
    if (sIn.empty()) return {};
    std::u16string work;
    try {
        work = sIn;
    } catch (...) {
        Report("ExtractText");
        return {};
    }
    const std::size_t len = Extract(work.data(), work.size(), [&work](std::size_t size) {
        work.resize(size);
        return work.data();
    });
    work.resize(len);
    return work;
}

std::size_t ClassicEngine::ExtractBytes(unsigned char* data, std::size_t size, const GrowBuffer& grow) {
    return Extract(data, size, grow);
}

std::string ClassicEngine::ExtractBytes(std::string bytes) {
    const std::size_t len =
        Extract(reinterpret_cast<unsigned char*>(bytes.data()), bytes.size(), [&bytes](std::size_t size) {
            bytes.resize(size);
            return reinterpret_cast<unsigned char*>(bytes.data());
        });
    bytes.resize(len);
    return bytes;
}

std::size_t ClassicEngine::ExtractUtf8(unsigned char* data, std::size_t size, const GrowBuffer& grow) {
    return Extract<fast::Utf8Units>(data, size, grow);
}

std::string ClassicEngine::ExtractUtf8(std::string bytes) {
    const std::size_t len = Extract<fast::Utf8Units>(reinterpret_cast<unsigned char*>(bytes.data()), bytes.size(),
                                                     [&bytes](std::size_t size) {
                                                         bytes.resize(size);
                                                         return reinterpret_cast<unsigned char*>(bytes.data());
                                                     });
    bytes.resize(len);
    return bytes;
}

std::u16string ClassicEngine::CutHTML(const std::u16string& text) {
    if (text.empty()) return {};  // 1.
    try {
        std::u16string work = text;
        std::size_t n = CutSteps(work.data(), work.size());
        char16_t* d = work.data();
        if (options.DecodeAllReferences) n = DecodeAllStep<fast::ElementUnits>(d, n, [](std::size_t) -> char16_t* {
            throw std::logic_error("16-bit text does not grow");
        });  // 14a.
        n = fast::PassesFor<char16_t>().TailPass(work.data(), n, options.RemoveComments, false, false, false, nullptr, nullptr);  // 15. 16.
        work.resize(n);
        return work;  // 17.
    } catch (...) {
        Report("CutHTML");
        return {};
    }
}

std::u16string ClassicEngine::ConsolidateChar(std::u16string text, const std::u16string& ch) {
    if (ch.size() != 1) return {};
    if (text.empty()) return {};
    std::size_t maxRun = 0;
    text.resize(fast::PassesFor<char16_t>().CollapseRuns(text.data(), text.size(), ch[0], &maxRun));
    if (ConsolidateYields(text.size(), maxRun) == 0) return {};
    return text;
}

std::u16string ClassicEngine::StripTags(const std::u16string& text) {
    if (text.empty()) return {};
    std::u16string work = text;
    work.resize(fast::PassesFor<char16_t>().StripTags(work.data(), work.size(), nullptr));
    return work;
}

}  // namespace tessark
