// Encoding: which character encoding a page's bytes are in, and the
// conversions between those bytes and text, in pure C++ (no Qt): the one
// home of these facts for the library, the program's job and its window.
//
//  - The Encoding setting: "windows-1252" (the classic byte path), "utf-8"
//    (the UTF-8 byte path) or "auto" (detected per page).
//  - Labels: any charset label is mapped to the name of its encoding as the
//    Encoding standard maps labels ("latin1", "iso-8859-1" and "us-ascii" all
//    mean windows-1252); EncodingForLabel knows every label of its table.
//  - Detection, for "auto": a byte-order mark; else a charset declared in the
//    first 1,024 bytes, found with the HTML standard's prescan of <meta>
//    elements; else UTF-8 when the input is well-formed UTF-8; else a
//    statistical guess (uchardet) when it is confident; else windows-1252.
//    The result names the encoding and why it was chosen. A page that is
//    converted as it is read is judged by its first kDetectBytes, as
//    browsers do.
//  - Decoding into 16-bit text (ICU's converters; windows-1252 as the
//    classic code page, every byte kept), with U+FFFD for every byte
//    sequence the encoding does not define, and encoding 16-bit text as
//    UTF-8; or, for a page read in pieces, straight into UTF-8 piece by piece
//    (Utf8Decoder).
//
// Byte strings are std::string_view / std::string of any bytes; encoding
// names and labels are ASCII.
//
// Thread safety: every function is reentrant and may be called from any
// thread: nothing is shared between calls (each conversion opens its own
// ICU converter). A Utf8Decoder is used by one thread at a time.
#pragma once

#include <functional>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tessark::encoding {

// ----------------------------------------------------------------- setting

enum class Setting { Windows1252, Utf8, Auto };

// "windows-1252", "utf-8" or "auto".
std::string_view SettingName(Setting setting);
// The setting for one of those three texts (surrounding ASCII whitespace and
// ASCII letter case ignored); nothing for any other text.
std::optional<Setting> ParseSetting(std::string_view text);

// ------------------------------------------------------------------ labels

// The name of the encoding that a label stands for ("windows-1252",
// "UTF-8", "Shift_JIS", ...), after trimming ASCII whitespace and ignoring
// ASCII letter case; empty for a label the table does not hold.
std::string EncodingForLabel(std::string_view label);
// True when Decode can decode the named encoding (a name that
// EncodingForLabel gives).
bool CanDecode(std::string_view encoding);
// True for the three settings and every label that names an encoding
// Decode can decode.
bool IsUsableEncoding(std::string_view encoding);

// --------------------------------------------------------------- detection

// Why an encoding was used: "bom", "meta", "valid utf-8", "guess",
// "default", or "chosen" (named for the run, not detected).
enum class Reason { Bom, Meta, ValidUtf8, Guess, Default, Chosen };
std::string_view ReasonName(Reason reason);

struct Detection {
    std::string encoding;  // a name that EncodingForLabel gives
    Reason reason = Reason::Default;
    std::size_t bomLength = 0;  // bytes of the byte-order mark at the start, to skip
};

// How much of the beginning of a page "auto" looks at when the page is
// converted as it is read.
inline constexpr std::size_t kDetectBytes = std::size_t{1} << 20;

// The whole chain for "auto". With `more`, the bytes are only the beginning
// of the input: a UTF-8 sequence cut off at their end still counts as
// well-formed.
// `pace`, when given, is called between the guess's pieces (about every
// kGuessPieceBytes), so that a caller can stay live: the guess over a
// megabyte takes about a fifth of a second. Whatever it throws propagates.
using Pace = std::function<void()>;
Detection Detect(std::string_view bytes, bool more = false, const Pace& pace = {});

// The encoding that "auto" or a charset label reads a page in, decided from
// `start`, the whole page or (with `more`) only its beginning: the chain of
// Detect for "auto", else the label's encoding, whose own byte-order mark
// at the start is skipped. Throws RuntimeError 5 for a label that cannot be
// decoded.
Detection DecideEncoding(std::string_view start, std::string_view encoding, bool more = false,
                         const Pace& pace = {});

// Detect's steps, each on its own:
// UTF-8 (EF BB BF), UTF-16BE (FE FF) or UTF-16LE (FF FE) at the start.
std::optional<Detection> SniffBom(std::string_view bytes);
// The encoding that a <meta> element in the first 1,024 bytes declares
// (the HTML standard's prescan; a declared UTF-16 means UTF-8, and
// x-user-defined windows-1252); empty when none is found.
std::string PrescanMeta(std::string_view bytes);
// True when every byte belongs to a well-formed UTF-8 sequence; with
// `more`, also when the last sequence is only cut off by the end.
bool IsValidUtf8(std::string_view bytes, bool more = false);
// `bytes` as well-formed UTF-8: each maximal ill-formed part becomes U+FFFD,
// as the decoders make it.
std::string ToValidUtf8(std::string_view bytes);
// uchardet's guess from the first kGuessSampleBytes bytes, when it names an
// encoding of the label table that Decode can decode and those bytes hold
// enough non-ASCII bytes to judge by (kGuessMinNonAscii); empty otherwise.
std::string Guess(std::string_view bytes, const Pace& pace = {});
inline constexpr std::size_t kGuessMinNonAscii = 16;
inline constexpr std::size_t kGuessSampleBytes = kDetectBytes;
inline constexpr std::size_t kGuessPieceBytes = std::size_t{64} << 10;

// -------------------------------------------------------------- conversion

// The bytes decoded from the named encoding (a byte-order mark at the start
// is not skipped here). Sequences the encoding does not define become
// U+FFFD. Throws RuntimeError 5 for an encoding it cannot decode;
// std::bad_alloc propagates.
std::u16string Decode(std::string_view bytes, std::string_view encoding);
// 16-bit text as UTF-8; a lone surrogate becomes U+FFFD.
std::string EncodeUtf8(std::u16string_view text);

// The bytes of one encoding turned into UTF-8 piece by piece, for a page
// converted as it is read: whatever the pieces, their results put together
// are EncodeUtf8(Decode(all the bytes, encoding)), always well-formed UTF-8.
// Well-formed UTF-8 passes through as it is; ICU's converters carry what a
// piece ends in the middle of to the next one.
class Utf8Decoder {
public:
    // Throws RuntimeError 5 for an encoding that Decode cannot decode.
    explicit Utf8Decoder(std::string_view encoding);
    ~Utf8Decoder();
    Utf8Decoder(const Utf8Decoder&) = delete;
    Utf8Decoder& operator=(const Utf8Decoder&) = delete;

    // Appends to `out` the UTF-8 of `bytes` as far as it is decided; with
    // `last` (the end of the input), all of the rest.
    void Decode(std::string_view bytes, bool last, std::string& out);

private:
    struct State;
    std::unique_ptr<State> s_;
};

}  // namespace tessark::encoding
