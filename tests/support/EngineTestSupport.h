// Helpers shared by the engine tests: option sets as bit masks, conversion of
// UTF-8 test texts, and a recorder that counts yields, can make the k-th
// yield fail, and keeps every error report.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "EngineHooks.h"
#include "cTessark.h"
#include "cTessarkLiteral.h"

namespace tessark::test {

enum Flag : unsigned {
    kComments = 1u << 0,
    kScripts = 1u << 1,
    kStyles = 1u << 2,
    kFunctions = 1u << 3,
    kPipe = 1u << 4,
    kTabs = 1u << 5,
    kSpecial = 1u << 6,
    kTags = 1u << 7,
    kAllCRLF = 1u << 8,
    kSpaces = 1u << 9,
    kBlankLines = 1u << 10,
    kAllFlags = (1u << 11) - 1,
    // the readable-text options
    kBlocks = 1u << 11,
    kLinks = 1u << 12,
    kAlt = 1u << 13,
    kDecode = 1u << 14,
    kReadableFlags = kBlocks | kLinks | kAlt | kDecode,
};

template <class Engine>
void SetFlags(Engine& e, unsigned mask) {
    auto b = [mask](unsigned bit) -> Boolean { return (mask & bit) ? True : False; };
    e.RemoveComments = b(kComments);
    e.RemoveScripts = b(kScripts);
    e.RemoveStyles = b(kStyles);
    e.RemoveFunctions = b(kFunctions);
    e.RemovePipe = b(kPipe);
    e.RemoveTabs = b(kTabs);
    e.GenerateSpecialChars = b(kSpecial);
    e.RemoveAllTags = b(kTags);
    e.RemoveAllCRLF = b(kAllCRLF);
    e.RemoveSpaces = b(kSpaces);
    e.RemoveBlankLines = b(kBlankLines);
    e.BreakAtBlocks = b(kBlocks);
    e.KeepLinks = b(kLinks);
    e.KeepAltText = b(kAlt);
    e.DecodeAllReferences = b(kDecode);
}

// UTF-8 -> UTF-16 for test literals.
inline std::u16string U(const std::string& utf8) {
    std::u16string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        unsigned cp = c;
        std::size_t len = 1;
        if (c >= 0xF0) {
            cp = ((c & 0x07u) << 18) | ((utf8[i + 1] & 0x3Fu) << 12) | ((utf8[i + 2] & 0x3Fu) << 6) |
                 (utf8[i + 3] & 0x3Fu);
            out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
            i += 4;
            continue;
        }
        if (c >= 0xE0) {
            cp = ((c & 0x0Fu) << 12) | ((utf8[i + 1] & 0x3Fu) << 6) | (utf8[i + 2] & 0x3Fu);
            len = 3;
        } else if (c >= 0xC0) {
            cp = ((c & 0x1Fu) << 6) | (utf8[i + 1] & 0x3Fu);
            len = 2;
        }
        out.push_back(static_cast<char16_t>(cp));
        i += len;
    }
    return out;
}

// Readable form of a text for failure messages: non-ASCII and controls as \uXXXX.
inline std::string Show(const std::u16string& s) {
    std::string out;
    for (char16_t c : s) {
        if (c == u'\r') out += "\\r";
        else if (c == u'\n') out += "\\n";
        else if (c == u'\t') out += "\\t";
        else if (c >= 0x20 && c < 0x7F) out += static_cast<char>(c);
        else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(c));
            out += buf;
        }
    }
    return out;
}

struct Report {
    std::string source;
    int number;
    bool operator==(const Report&) const = default;
};

// Installs itself as the engine's yield and error hooks for its lifetime.
class HookRecorder {
public:
    explicit HookRecorder(long failAtYield = 0, bool failWithBadAlloc = false)
        : failAt_(failAtYield), badAlloc_(failWithBadAlloc) {
        SetYieldHook([this] {
            ++yields;
            if (yields == failAt_) {
                if (badAlloc_) throw std::bad_alloc();
                throw RuntimeError(5, "Invalid procedure call or argument");
            }
        });
        SetErrorHook([this](std::string_view source, const ErrorInfo& error) {
            reports.push_back({std::string(source), error.number});
        });
    }
    ~HookRecorder() {
        SetYieldHook({});
        SetErrorHook({});
    }
    HookRecorder(const HookRecorder&) = delete;
    HookRecorder& operator=(const HookRecorder&) = delete;

    long yields = 0;
    std::vector<Report> reports;

private:
    long failAt_;
    bool badAlloc_;
};

}  // namespace tessark::test

namespace tessark {
// Reaches the engine's private passes.
struct cTessarkTestAccess {
    template <class E>
    static std::u16string CutHTML(E& e, const std::u16string& text) { return e.CutHTML(text); }
    template <class E>
    static std::u16string ConsolidateChar(E& e, const std::u16string& text, const std::u16string& ch) {
        return e.ConsolidateChar(text, ch);
    }
    template <class E>
    static std::u16string StripTags(E& e, const std::u16string& text) { return e.StripTags(text); }
};
}  // namespace tessark

namespace tessark::test {

// One engine class behind plain function pointers, so that every behaviour
// table runs against each engine the library has.
struct EngineUnderTest {
    const char* name;
    std::u16string (*extract)(unsigned flags, const std::u16string& text);
    std::u16string (*cut)(unsigned flags, const std::u16string& text);
    std::u16string (*consolidate)(const std::u16string& text, const std::u16string& ch);
    std::u16string (*stripTags)(const std::u16string& text);
};

inline void PrintTo(const EngineUnderTest& e, std::ostream* os) { *os << e.name; }

template <class E>
EngineUnderTest MakeEngineUnderTest(const char* name) {
    return {name,
            [](unsigned flags, const std::u16string& text) {
                E e;
                SetFlags(e, flags);
                return e.ExtractText(text);
            },
            [](unsigned flags, const std::u16string& text) {
                E e;
                SetFlags(e, flags);
                return cTessarkTestAccess::CutHTML(e, text);
            },
            [](const std::u16string& text, const std::u16string& ch) {
                E e;
                return cTessarkTestAccess::ConsolidateChar(e, text, ch);
            },
            [](const std::u16string& text) {
                E e;
                return cTessarkTestAccess::StripTags(e, text);
            }};
}

inline std::vector<EngineUnderTest> AllEngines() {
    return {MakeEngineUnderTest<cTessark>("cTessark"), MakeEngineUnderTest<cTessarkLiteral>("cTessarkLiteral")};
}

}  // namespace tessark::test
