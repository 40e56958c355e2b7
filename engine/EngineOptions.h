// EngineOptions: the options of a conversion, one struct shared by the fast
// engine (ClassicEngine), the literal one (ReferenceEngine) and the stream
// (StreamExtractor). The application maps its option table onto these fields
// (app/Options.h); tests and the fuzzer build them from a bit mask.
//
// Thread safety: a plain value.
#pragma once

namespace tessark {

struct EngineOptions {
    // The eleven classic options, all off on a new value.
    bool RemoveComments = false;        // "<!--" ... "-->" blocks; stray "!--", "-->"
    bool RemoveScripts = false;         // "<script" ... "/script>" blocks
    bool RemoveStyles = false;          // "<style" ... "/style>" blocks
    bool RemoveFunctions = false;       // "{" ... "}" spans
    bool RemovePipe = false;            // "|" becomes a space
    bool RemoveTabs = false;            // TAB becomes a space
    bool GenerateSpecialChars = false;  // character references become characters
    bool RemoveAllTags = false;         // "<" ... ">" removed
    bool RemoveAllCRLF = false;         // every LF becomes a space
    bool RemoveSpaces = false;          // runs of spaces become one space
    bool RemoveBlankLines = false;      // blank lines are removed
    // Off on a new value; acts in CutHTML (ClassicEngine.h):
    bool DecodeAllReferences = false;  // every HTML character reference, once, after the tags

    // Bit i of mask sets the i-th field above, in the order declared (bits
    // 0 to 10 the classic options, bit 11 DecodeAllReferences).
    static constexpr EngineOptions FromMask(unsigned mask) {
        const auto bit = [mask](unsigned i) { return ((mask >> i) & 1u) != 0; };
        return {bit(0), bit(1), bit(2), bit(3), bit(4), bit(5), bit(6), bit(7), bit(8), bit(9), bit(10), bit(11)};
    }
    constexpr bool operator==(const EngineOptions&) const = default;
};

}  // namespace tessark
