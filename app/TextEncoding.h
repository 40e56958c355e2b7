// TextEncoding: which character encoding a page's bytes are in, and the
// conversions between those bytes and the 16-bit text the engine works on.
//
//  - The Encoding setting: "windows-1252" (the classic byte path, the
//    default), "utf-8" (the UTF-8 byte path) or "auto" (detected per file).
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
//  - Decoding into 16-bit text (ICU's converters; windows-1252 as the job's
//    own code page, every byte kept), with U+FFFD for every byte sequence the
//    encoding does not define, and encoding 16-bit text as UTF-8; or, for a
//    page read in pieces, straight into UTF-8 piece by piece (Utf8Decoder).
//
// Every function is reentrant and may be called from any thread: nothing is
// shared between calls (each conversion opens its own converter).
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <QVariant>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tessark::TextEncoding {

// ----------------------------------------------------------------- setting

enum class Setting { Windows1252, Utf8, Auto };

// "windows-1252", "utf-8" or "auto": the value stored under the settings key.
QString SettingText(Setting setting);
// The setting for one of those three texts (surrounding spaces and letter
// case ignored); nothing for any other text.
std::optional<Setting> ParseSetting(QStringView text);
// The setting for a stored value; a missing or unreadable one is
// Windows1252.
Setting SettingFromStore(const QVariant& stored);

// ------------------------------------------------------------------ labels

// The name of the encoding that a label stands for ("windows-1252",
// "UTF-8", "Shift_JIS", ...), after trimming ASCII whitespace and ignoring
// ASCII letter case; empty for a label the table does not hold.
QString EncodingForLabel(QStringView label);
// True when Decode can decode the named encoding (a name that
// EncodingForLabel gives).
bool CanDecode(const QString& encoding);

// --------------------------------------------------------------- detection

// Why an encoding was used: "bom", "meta", "valid utf-8", "guess",
// "default", or "chosen" (named for the run, not detected).
enum class Reason { Bom, Meta, ValidUtf8, Guess, Default, Chosen };
QString ReasonText(Reason reason);

struct Detection {
    QString encoding;     // a name that EncodingForLabel gives
    Reason reason = Reason::Default;
    qsizetype bomLength = 0;  // bytes of the byte-order mark at the start, to skip
};

// How much of the beginning of a page "auto" looks at when the page is
// converted as it is read.
inline constexpr qsizetype kDetectBytes = qsizetype{1} << 20;

// The whole chain for "auto". With `more`, the bytes are only the beginning
// of the input: a UTF-8 sequence cut off at their end still counts as
// well-formed.
Detection Detect(QByteArrayView bytes, bool more = false);

// Its steps, each on its own:
// UTF-8 (EF BB BF), UTF-16BE (FE FF) or UTF-16LE (FF FE) at the start.
std::optional<Detection> SniffBom(QByteArrayView bytes);
// The encoding that a <meta> element in the first 1,024 bytes declares
// (the HTML standard's prescan; a declared UTF-16 means UTF-8, and
// x-user-defined windows-1252); empty when none is found.
QString PrescanMeta(QByteArrayView bytes);
// True when every byte belongs to a well-formed UTF-8 sequence; with
// `more`, also when the last sequence is only cut off by the end.
bool IsValidUtf8(QByteArrayView bytes, bool more = false);
// uchardet's guess from the first kGuessSampleBytes bytes, when it names an
// encoding of the label table that Decode can decode and those bytes hold
// enough non-ASCII bytes to judge by (kGuessMinNonAscii); empty otherwise.
QString Guess(QByteArrayView bytes);
inline constexpr qsizetype kGuessMinNonAscii = 16;
inline constexpr qsizetype kGuessSampleBytes = kDetectBytes;

// -------------------------------------------------------------- conversion

// The bytes decoded from the named encoding (a byte-order mark at the start
// is not skipped here). Sequences the encoding does not define become
// U+FFFD. Throws RuntimeError 5 for an encoding it cannot decode;
// std::bad_alloc propagates.
std::u16string Decode(QByteArrayView bytes, const QString& encoding);
// 16-bit text as UTF-8; a lone surrogate becomes U+FFFD.
QByteArray EncodeUtf8(std::u16string_view text);

// The bytes of one encoding turned into UTF-8 piece by piece, for a page
// converted as it is read: whatever the pieces, their results put together
// are EncodeUtf8(Decode(all the bytes, encoding)), always well-formed UTF-8.
// Well-formed UTF-8 passes through as it is; ICU's converters carry what a
// piece ends in the middle of to the next one.
class Utf8Decoder {
public:
    // Throws RuntimeError 5 for an encoding that Decode cannot decode.
    explicit Utf8Decoder(const QString& encoding);
    ~Utf8Decoder();
    Utf8Decoder(const Utf8Decoder&) = delete;
    Utf8Decoder& operator=(const Utf8Decoder&) = delete;

    // Appends to `out` the UTF-8 of `bytes` as far as it is decided; with
    // `last` (the end of the input), all of the rest.
    void Decode(QByteArrayView bytes, bool last, QByteArray& out);

private:
    struct State;
    std::unique_ptr<State> s_;
};

}  // namespace tessark::TextEncoding
