#include "Encoding.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ucnv_err.h>
#include <uchardet.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>
#include <vector>
#include <type_traits>

#include "RuntimeError.h"
#include "Utf8.h"
#include "Windows1252.h"

namespace tessark::encoding {
namespace {

// The encodings of the Encoding standard and the ICU converter that decodes
// each; an empty converter name means that this module decodes it itself
// (windows-1252 as the job's code page, replacement, x-user-defined) or not
// at all (ISO-8859-16, which ICU does not build by default).
struct EncodingInfo {
    std::string_view name;
    const char* converter;
};
constexpr EncodingInfo kEncodings[] = {
    {"UTF-8", "UTF-8"},
    {"IBM866", "ibm-866_P100-1995"},
    {"ISO-8859-2", "ISO-8859-2"},
    {"ISO-8859-3", "ISO-8859-3"},
    {"ISO-8859-4", "ISO-8859-4"},
    {"ISO-8859-5", "ISO-8859-5"},
    {"ISO-8859-6", "ISO-8859-6"},
    {"ISO-8859-7", "ISO-8859-7"},
    {"ISO-8859-8", "ISO-8859-8"},
    {"ISO-8859-8-I", "ISO-8859-8"},
    {"ISO-8859-10", "ISO-8859-10"},
    {"ISO-8859-13", "ISO-8859-13"},
    {"ISO-8859-14", "ISO-8859-14"},
    {"ISO-8859-15", "ISO-8859-15"},
    {"ISO-8859-16", ""},
    {"KOI8-R", "KOI8-R"},
    {"KOI8-U", "KOI8-U"},
    {"macintosh", "macintosh"},
    {"windows-874", "windows-874"},
    {"windows-1250", "windows-1250"},
    {"windows-1251", "windows-1251"},
    {"windows-1252", ""},
    {"windows-1253", "windows-1253"},
    {"windows-1254", "windows-1254"},
    {"windows-1255", "windows-1255"},
    {"windows-1256", "windows-1256"},
    {"windows-1257", "windows-1257"},
    {"windows-1258", "windows-1258"},
    {"x-mac-cyrillic", "x-mac-cyrillic"},
    {"GBK", "windows-936"},
    {"gb18030", "gb18030"},
    {"Big5", "ibm-1375_P100-2008"},
    {"EUC-JP", "EUC-JP"},
    {"ISO-2022-JP", "ISO-2022-JP"},
    {"Shift_JIS", "windows-31j"},
    {"EUC-KR", "windows-949"},
    {"replacement", ""},
    {"UTF-16BE", "UTF-16BE"},
    {"UTF-16LE", "UTF-16LE"},
    {"x-user-defined", ""},
};

// Every label of the Encoding standard and the encoding it names, sorted by
// label for a binary search.
struct LabelRow {
    std::string_view label;
    std::string_view encoding;
};
constexpr LabelRow kLabels[] = {
    {"866", "IBM866"},
    {"ansi_x3.4-1968", "windows-1252"},
    {"arabic", "ISO-8859-6"},
    {"ascii", "windows-1252"},
    {"asmo-708", "ISO-8859-6"},
    {"big5", "Big5"},
    {"big5-hkscs", "Big5"},
    {"chinese", "GBK"},
    {"cn-big5", "Big5"},
    {"cp1250", "windows-1250"},
    {"cp1251", "windows-1251"},
    {"cp1252", "windows-1252"},
    {"cp1253", "windows-1253"},
    {"cp1254", "windows-1254"},
    {"cp1255", "windows-1255"},
    {"cp1256", "windows-1256"},
    {"cp1257", "windows-1257"},
    {"cp1258", "windows-1258"},
    {"cp819", "windows-1252"},
    {"cp866", "IBM866"},
    {"csbig5", "Big5"},
    {"cseuckr", "EUC-KR"},
    {"cseucpkdfmtjapanese", "EUC-JP"},
    {"csgb2312", "GBK"},
    {"csibm866", "IBM866"},
    {"csiso2022jp", "ISO-2022-JP"},
    {"csiso2022kr", "replacement"},
    {"csiso58gb231280", "GBK"},
    {"csiso88596e", "ISO-8859-6"},
    {"csiso88596i", "ISO-8859-6"},
    {"csiso88598e", "ISO-8859-8"},
    {"csiso88598i", "ISO-8859-8-I"},
    {"csisolatin1", "windows-1252"},
    {"csisolatin2", "ISO-8859-2"},
    {"csisolatin3", "ISO-8859-3"},
    {"csisolatin4", "ISO-8859-4"},
    {"csisolatin5", "windows-1254"},
    {"csisolatin6", "ISO-8859-10"},
    {"csisolatin9", "ISO-8859-15"},
    {"csisolatinarabic", "ISO-8859-6"},
    {"csisolatincyrillic", "ISO-8859-5"},
    {"csisolatingreek", "ISO-8859-7"},
    {"csisolatinhebrew", "ISO-8859-8"},
    {"cskoi8r", "KOI8-R"},
    {"csksc56011987", "EUC-KR"},
    {"csmacintosh", "macintosh"},
    {"csshiftjis", "Shift_JIS"},
    {"csunicode", "UTF-16LE"},
    {"cyrillic", "ISO-8859-5"},
    {"dos-874", "windows-874"},
    {"ecma-114", "ISO-8859-6"},
    {"ecma-118", "ISO-8859-7"},
    {"elot_928", "ISO-8859-7"},
    {"euc-jp", "EUC-JP"},
    {"euc-kr", "EUC-KR"},
    {"gb18030", "gb18030"},
    {"gb2312", "GBK"},
    {"gb_2312", "GBK"},
    {"gb_2312-80", "GBK"},
    {"gbk", "GBK"},
    {"greek", "ISO-8859-7"},
    {"greek8", "ISO-8859-7"},
    {"hebrew", "ISO-8859-8"},
    {"hz-gb-2312", "replacement"},
    {"ibm819", "windows-1252"},
    {"ibm866", "IBM866"},
    {"iso-10646-ucs-2", "UTF-16LE"},
    {"iso-2022-cn", "replacement"},
    {"iso-2022-cn-ext", "replacement"},
    {"iso-2022-jp", "ISO-2022-JP"},
    {"iso-2022-kr", "replacement"},
    {"iso-8859-1", "windows-1252"},
    {"iso-8859-10", "ISO-8859-10"},
    {"iso-8859-11", "windows-874"},
    {"iso-8859-13", "ISO-8859-13"},
    {"iso-8859-14", "ISO-8859-14"},
    {"iso-8859-15", "ISO-8859-15"},
    {"iso-8859-16", "ISO-8859-16"},
    {"iso-8859-2", "ISO-8859-2"},
    {"iso-8859-3", "ISO-8859-3"},
    {"iso-8859-4", "ISO-8859-4"},
    {"iso-8859-5", "ISO-8859-5"},
    {"iso-8859-6", "ISO-8859-6"},
    {"iso-8859-6-e", "ISO-8859-6"},
    {"iso-8859-6-i", "ISO-8859-6"},
    {"iso-8859-7", "ISO-8859-7"},
    {"iso-8859-8", "ISO-8859-8"},
    {"iso-8859-8-e", "ISO-8859-8"},
    {"iso-8859-8-i", "ISO-8859-8-I"},
    {"iso-8859-9", "windows-1254"},
    {"iso-ir-100", "windows-1252"},
    {"iso-ir-101", "ISO-8859-2"},
    {"iso-ir-109", "ISO-8859-3"},
    {"iso-ir-110", "ISO-8859-4"},
    {"iso-ir-126", "ISO-8859-7"},
    {"iso-ir-127", "ISO-8859-6"},
    {"iso-ir-138", "ISO-8859-8"},
    {"iso-ir-144", "ISO-8859-5"},
    {"iso-ir-148", "windows-1254"},
    {"iso-ir-149", "EUC-KR"},
    {"iso-ir-157", "ISO-8859-10"},
    {"iso-ir-58", "GBK"},
    {"iso8859-1", "windows-1252"},
    {"iso8859-10", "ISO-8859-10"},
    {"iso8859-11", "windows-874"},
    {"iso8859-13", "ISO-8859-13"},
    {"iso8859-14", "ISO-8859-14"},
    {"iso8859-15", "ISO-8859-15"},
    {"iso8859-2", "ISO-8859-2"},
    {"iso8859-3", "ISO-8859-3"},
    {"iso8859-4", "ISO-8859-4"},
    {"iso8859-5", "ISO-8859-5"},
    {"iso8859-6", "ISO-8859-6"},
    {"iso8859-7", "ISO-8859-7"},
    {"iso8859-8", "ISO-8859-8"},
    {"iso8859-9", "windows-1254"},
    {"iso88591", "windows-1252"},
    {"iso885910", "ISO-8859-10"},
    {"iso885911", "windows-874"},
    {"iso885913", "ISO-8859-13"},
    {"iso885914", "ISO-8859-14"},
    {"iso885915", "ISO-8859-15"},
    {"iso88592", "ISO-8859-2"},
    {"iso88593", "ISO-8859-3"},
    {"iso88594", "ISO-8859-4"},
    {"iso88595", "ISO-8859-5"},
    {"iso88596", "ISO-8859-6"},
    {"iso88597", "ISO-8859-7"},
    {"iso88598", "ISO-8859-8"},
    {"iso88599", "windows-1254"},
    {"iso_8859-1", "windows-1252"},
    {"iso_8859-15", "ISO-8859-15"},
    {"iso_8859-1:1987", "windows-1252"},
    {"iso_8859-2", "ISO-8859-2"},
    {"iso_8859-2:1987", "ISO-8859-2"},
    {"iso_8859-3", "ISO-8859-3"},
    {"iso_8859-3:1988", "ISO-8859-3"},
    {"iso_8859-4", "ISO-8859-4"},
    {"iso_8859-4:1988", "ISO-8859-4"},
    {"iso_8859-5", "ISO-8859-5"},
    {"iso_8859-5:1988", "ISO-8859-5"},
    {"iso_8859-6", "ISO-8859-6"},
    {"iso_8859-6:1987", "ISO-8859-6"},
    {"iso_8859-7", "ISO-8859-7"},
    {"iso_8859-7:1987", "ISO-8859-7"},
    {"iso_8859-8", "ISO-8859-8"},
    {"iso_8859-8:1988", "ISO-8859-8"},
    {"iso_8859-9", "windows-1254"},
    {"iso_8859-9:1989", "windows-1254"},
    {"koi", "KOI8-R"},
    {"koi8", "KOI8-R"},
    {"koi8-r", "KOI8-R"},
    {"koi8-ru", "KOI8-U"},
    {"koi8-u", "KOI8-U"},
    {"koi8_r", "KOI8-R"},
    {"korean", "EUC-KR"},
    {"ks_c_5601-1987", "EUC-KR"},
    {"ks_c_5601-1989", "EUC-KR"},
    {"ksc5601", "EUC-KR"},
    {"ksc_5601", "EUC-KR"},
    {"l1", "windows-1252"},
    {"l2", "ISO-8859-2"},
    {"l3", "ISO-8859-3"},
    {"l4", "ISO-8859-4"},
    {"l5", "windows-1254"},
    {"l6", "ISO-8859-10"},
    {"l9", "ISO-8859-15"},
    {"latin1", "windows-1252"},
    {"latin2", "ISO-8859-2"},
    {"latin3", "ISO-8859-3"},
    {"latin4", "ISO-8859-4"},
    {"latin5", "windows-1254"},
    {"latin6", "ISO-8859-10"},
    {"logical", "ISO-8859-8-I"},
    {"mac", "macintosh"},
    {"macintosh", "macintosh"},
    {"ms932", "Shift_JIS"},
    {"ms_kanji", "Shift_JIS"},
    {"replacement", "replacement"},
    {"shift-jis", "Shift_JIS"},
    {"shift_jis", "Shift_JIS"},
    {"sjis", "Shift_JIS"},
    {"sun_eu_greek", "ISO-8859-7"},
    {"tis-620", "windows-874"},
    {"ucs-2", "UTF-16LE"},
    {"unicode", "UTF-16LE"},
    {"unicode-1-1-utf-8", "UTF-8"},
    {"unicode11utf8", "UTF-8"},
    {"unicode20utf8", "UTF-8"},
    {"unicodefeff", "UTF-16LE"},
    {"unicodefffe", "UTF-16BE"},
    {"us-ascii", "windows-1252"},
    {"utf-16", "UTF-16LE"},
    {"utf-16be", "UTF-16BE"},
    {"utf-16le", "UTF-16LE"},
    {"utf-8", "UTF-8"},
    {"utf8", "UTF-8"},
    {"visual", "ISO-8859-8"},
    {"windows-1250", "windows-1250"},
    {"windows-1251", "windows-1251"},
    {"windows-1252", "windows-1252"},
    {"windows-1253", "windows-1253"},
    {"windows-1254", "windows-1254"},
    {"windows-1255", "windows-1255"},
    {"windows-1256", "windows-1256"},
    {"windows-1257", "windows-1257"},
    {"windows-1258", "windows-1258"},
    {"windows-31j", "Shift_JIS"},
    {"windows-874", "windows-874"},
    {"windows-949", "EUC-KR"},
    {"x-cp1250", "windows-1250"},
    {"x-cp1251", "windows-1251"},
    {"x-cp1252", "windows-1252"},
    {"x-cp1253", "windows-1253"},
    {"x-cp1254", "windows-1254"},
    {"x-cp1255", "windows-1255"},
    {"x-cp1256", "windows-1256"},
    {"x-cp1257", "windows-1257"},
    {"x-cp1258", "windows-1258"},
    {"x-euc-jp", "EUC-JP"},
    {"x-gbk", "GBK"},
    {"x-mac-cyrillic", "x-mac-cyrillic"},
    {"x-mac-roman", "macintosh"},
    {"x-mac-ukrainian", "x-mac-cyrillic"},
    {"x-sjis", "Shift_JIS"},
    {"x-unicode20utf8", "UTF-8"},
    {"x-user-defined", "x-user-defined"},
    {"x-x-big5", "Big5"},
};

// Names that uchardet gives and the table does not hold.
constexpr LabelRow kGuessAliases[] = {
    {"mac-cyrillic", "x-mac-cyrillic"},
    {"mac-centraleurope", ""},
    {"x-iso-10646-ucs-4-3412", ""},
    {"x-iso-10646-ucs-4-2143", ""},
};

constexpr const char* kAsciiWhitespace = "\t\n\f\r ";
constexpr bool IsAsciiWhitespace(char c) noexcept {
    return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}
constexpr char Lower(char c) noexcept { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

const EncodingInfo* FindEncoding(std::string_view name) {
    for (const EncodingInfo& e : kEncodings)
        if (name == e.name) return &e;
    return nullptr;
}

std::string_view LookUpLabel(std::string_view key) {
    const auto* end = std::end(kLabels);
    const auto* it = std::lower_bound(std::begin(kLabels), end, key,
                                      [](const LabelRow& row, std::string_view k) { return row.label < k; });
    return it != end && it->label == key ? it->encoding : std::string_view{};
}

// The label trimmed of ASCII whitespace and in lower case; empty when it
// holds anything but ASCII.
std::string Normalise(std::string_view label) {
    std::string key;
    key.reserve(static_cast<std::size_t>(label.size()));
    for (const char c : label) {
        if (static_cast<unsigned char>(c) >= 0x80) return {};
        key += Lower(c);
    }
    const auto first = key.find_first_not_of("\t\n\f\r ");
    if (first == std::string::npos) return {};
    const auto last = key.find_last_not_of("\t\n\f\r ");
    return key.substr(first, last - first + 1);
}

std::string FromName(std::string_view name) { return std::string(name); }

// The UTF-8 sequence that starts at d[0], a byte of 0x80 or more, with n
// bytes there (n >= 1): its length when it is well-formed; 0 when it is
// well-formed as far as it goes but cut off at d[n]; else minus the length of
// its maximal well-formed beginning (at least 1 byte), which decoders turn
// into one U+FFFD.
std::ptrdiff_t Utf8Sequence(const unsigned char* d, std::size_t n) noexcept {
    const unsigned c = d[0];
    std::size_t length = 0;
    unsigned lo = 0x80, hi = 0xBF;  // the range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        if (c == 0xE0) lo = 0xA0;
        if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        if (c == 0xF0) lo = 0x90;
        if (c == 0xF4) hi = 0x8F;
    } else {
        return -1;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if (k >= n) return 0;
        if (d[k] < lo || d[k] > hi) return -static_cast<std::ptrdiff_t>(k);
        lo = 0x80;
        hi = 0xBF;
    }
    return static_cast<std::ptrdiff_t>(length);
}

// ------------------------------------------------------------ meta prescan

// The prescan of the HTML standard over bytes[0, size), size at most 1,024.
class Prescan {
public:
    Prescan(const char* bytes, std::size_t size) : b_(bytes), n_(size) {}

    std::string Run() {
        for (p_ = 0; p_ < n_; ++p_) {
            if (Starts("<!--")) {
                // Past the first ">" preceded by two "-" (which may be those of "<!--").
                std::size_t k = p_ + 2;
                while (k < n_ && !(b_[k] == '>' && b_[k - 1] == '-' && b_[k - 2] == '-')) ++k;
                if (k >= n_) return {};
                p_ = k;
            } else if (StartsFolded("<meta") && p_ + 5 < n_ && (IsAsciiWhitespace(b_[p_ + 5]) || b_[p_ + 5] == '/')) {
                p_ += 6;
                const std::string found = Meta();
                if (!found.empty()) return found;
                if (p_ >= n_) return {};
            } else if (p_ + 1 < n_ && b_[p_] == '<' &&
                       (IsAsciiLetter(b_[p_ + 1]) || (b_[p_ + 1] == '/' && p_ + 2 < n_ && IsAsciiLetter(b_[p_ + 2])))) {
                while (p_ < n_ && !IsAsciiWhitespace(b_[p_]) && b_[p_] != '>') ++p_;
                std::string name, value;
                while (Attribute(name, value)) {
                }
                if (p_ >= n_) return {};
            } else if (Starts("<!") || Starts("</") || Starts("<?")) {
                while (p_ < n_ && b_[p_] != '>') ++p_;
                if (p_ >= n_) return {};
            }
        }
        return {};
    }

private:
    static bool IsAsciiLetter(char c) noexcept { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    bool Starts(const char* s) const {
        const auto len = std::strlen(s);
        return p_ + len <= n_ && std::memcmp(b_ + p_, s, static_cast<std::size_t>(len)) == 0;
    }
    bool StartsFolded(const char* s) const {
        const auto len = std::strlen(s);
        if (p_ + len > n_) return false;
        for (std::size_t k = 0; k < len; ++k)
            if (Lower(b_[p_ + k]) != s[k]) return false;
        return true;
    }

    // "Get an attribute": false when there is none (at ">" or the end).
    bool Attribute(std::string& name, std::string& value) {
        name.clear();
        value.clear();
        while (p_ < n_ && (IsAsciiWhitespace(b_[p_]) || b_[p_] == '/')) ++p_;
        if (p_ >= n_ || b_[p_] == '>') return false;
        for (;; ++p_) {  // the name
            if (p_ >= n_) return false;
            const char c = b_[p_];
            if (c == '=' && !name.empty()) {
                ++p_;
                return Value(value);
            }
            if (IsAsciiWhitespace(c)) break;
            if (c == '/' || c == '>') return true;
            name += Lower(c);
        }
        while (p_ < n_ && IsAsciiWhitespace(b_[p_])) ++p_;
        if (p_ >= n_) return false;
        if (b_[p_] != '=') return true;  // a name without a value
        ++p_;
        return Value(value);
    }

    // The value after "=": quoted, or up to whitespace or ">".
    bool Value(std::string& value) {
        while (p_ < n_ && IsAsciiWhitespace(b_[p_])) ++p_;
        if (p_ >= n_) return false;
        if (b_[p_] == '"' || b_[p_] == '\'') {
            const char quote = b_[p_];
            for (++p_; p_ < n_; ++p_) {
                if (b_[p_] == quote) {
                    ++p_;
                    return true;
                }
                value += Lower(b_[p_]);
            }
            return false;
        }
        if (b_[p_] == '>') return true;
        for (; p_ < n_; ++p_) {
            if (IsAsciiWhitespace(b_[p_]) || b_[p_] == '>') return true;
            value += Lower(b_[p_]);
        }
        return false;
    }

    // The attributes of a <meta> element; the encoding it declares, if any.
    std::string Meta() {
        std::vector<std::string> seen;
        bool gotPragma = false;
        int needPragma = -1;  // -1 null, 0 false, 1 true
        std::string charset;
        bool charsetSet = false;
        std::string name, value;
        while (Attribute(name, value)) {
            if (std::find(seen.begin(), seen.end(), name) != seen.end()) continue;
            seen.push_back(name);
            if (name == "http-equiv") {
                if (value == "content-type") gotPragma = true;
            } else if (name == "content") {
                const std::string found = FromContent(value);
                if (!found.empty() && !charsetSet) {
                    charset = found;
                    charsetSet = true;
                    needPragma = 1;
                }
            } else if (name == "charset" && !charsetSet) {
                charset = EncodingForLabel(std::string(value.data(), static_cast<std::size_t>(value.size())));
                charsetSet = true;
                needPragma = 0;
            }
        }
        if (needPragma == -1 || (needPragma == 1 && !gotPragma) || charset.empty()) return {};
        if (charset == "UTF-16BE" || charset == "UTF-16LE") return std::string("UTF-8");
        if (charset == "x-user-defined") return std::string("windows-1252");
        return charset;
    }

    // "Extract a character encoding from a meta element" (value in lower case).
    static std::string FromContent(const std::string& s) {
        std::size_t pos = 0;
        for (;;) {
            const std::size_t at = s.find("charset", pos);
            if (at == std::string::npos) return {};
            std::size_t k = at + 7;
            while (k < s.size() && IsAsciiWhitespace(s[k])) ++k;
            if (k >= s.size() || s[k] != '=') {
                pos = at + 7;
                continue;
            }
            ++k;
            while (k < s.size() && IsAsciiWhitespace(s[k])) ++k;
            if (k >= s.size()) return {};
            if (s[k] == '"' || s[k] == '\'') {
                const std::size_t close = s.find(s[k], k + 1);
                if (close == std::string::npos) return {};
                return EncodingForLabel(std::string(s.data() + k + 1, static_cast<std::size_t>(close - k - 1)));
            }
            std::size_t end = k;
            while (end < s.size() && !IsAsciiWhitespace(s[end]) && s[end] != ';') ++end;
            return EncodingForLabel(std::string(s.data() + k, static_cast<std::size_t>(end - k)));
        }
    }

    const char* b_;
    std::size_t n_;
    std::size_t p_ = 0;
};

// -------------------------------------------------------------- decoding

struct ConverterCloser {
    void operator()(UConverter* c) const noexcept { ucnv_close(c); }
};

// Every sequence the encoding does not define becomes one U+FFFD (ICU's
// own substitute for a single-byte code page would be U+001A).
void SubstituteReplacementCharacter(const void*, UConverterToUnicodeArgs* args, const char*, int32_t,
                                    UConverterCallbackReason reason, UErrorCode* err) {
    if (reason > UCNV_IRREGULAR) return;  // reset, close, clone: nothing to write
    *err = U_ZERO_ERROR;
    const UChar replacement = 0xFFFD;
    ucnv_cbToUWriteUChars(args, &replacement, 1, 0, err);
}

std::u16string DecodeWithIcu(std::string_view bytes, const char* converterName) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, ConverterCloser> converter(ucnv_open(converterName, &status));
    if (U_FAILURE(status) || !converter) throw RuntimeError(ErrorNumber::InvalidProcedureCall);
    ucnv_setToUCallBack(converter.get(), &SubstituteReplacementCharacter, nullptr, nullptr, nullptr, &status);
    // A byte gives at most two units (a surrogate pair takes four bytes in
    // every multi-byte encoding ICU decodes; a single byte gives one).
    std::u16string out(bytes.size() * 2 + 2, u'\0');
    const char* src = bytes.data();
    const char* srcEnd = src + bytes.size();
    UChar* target = reinterpret_cast<UChar*>(out.data());
    UChar* targetStart = target;
    UChar* const targetEnd = target + out.size();
    status = U_ZERO_ERROR;
    ucnv_toUnicode(converter.get(), &target, targetEnd, &src, srcEnd, nullptr, true, &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) throw std::bad_alloc();
    if (U_FAILURE(status)) throw RuntimeError(ErrorNumber::InvalidProcedureCall);
    out.resize(static_cast<std::size_t>(target - targetStart));
    return out;
}

}  // namespace

// ----------------------------------------------------------------- setting

std::string_view SettingName(Setting setting) {
    switch (setting) {
        case Setting::Utf8: return "utf-8";
        case Setting::Auto: return "auto";
        case Setting::Windows1252: break;
    }
    return "windows-1252";
}

std::optional<Setting> ParseSetting(std::string_view text) {
    const auto first = text.find_first_not_of(kAsciiWhitespace);
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(kAsciiWhitespace) - first + 1);
    for (const Setting s : {Setting::Windows1252, Setting::Utf8, Setting::Auto}) {
        const std::string_view name = SettingName(s);
        if (text.size() == name.size() &&
            std::equal(text.begin(), text.end(), name.begin(), [](char x, char y) { return Lower(x) == y; }))
            return s;
    }
    return std::nullopt;
}

bool IsUsableEncoding(std::string_view encoding) {
    return ParseSetting(encoding) || CanDecode(EncodingForLabel(encoding));
}

Detection DecideEncoding(std::string_view start, std::string_view encoding, bool more, const Pace& pace) {
    if (ParseSetting(encoding) == Setting::Auto) return Detect(start, more, pace);
    Detection found;
    found.encoding = EncodingForLabel(encoding);
    if (!CanDecode(found.encoding)) throw RuntimeError(ErrorNumber::InvalidProcedureCall);
    found.reason = Reason::Chosen;
    // A byte-order mark of the named encoding is not part of the text.
    if (const auto bom = SniffBom(start); bom && bom->encoding == found.encoding) found.bomLength = bom->bomLength;
    return found;
}

// ------------------------------------------------------------------ labels

std::string EncodingForLabel(std::string_view label) {
    const std::string key = Normalise(label);
    if (key.empty()) return {};
    return FromName(LookUpLabel(key));
}

bool CanDecode(std::string_view encoding) {
    const EncodingInfo* e = FindEncoding(encoding);
    if (!e) return false;
    if (*e->converter) return true;
    return e->name != "ISO-8859-16";
}

// --------------------------------------------------------------- detection

std::string_view ReasonName(Reason reason) {
    switch (reason) {
        case Reason::Bom: return "bom";
        case Reason::Meta: return "meta";
        case Reason::ValidUtf8: return "valid utf-8";
        case Reason::Guess: return "guess";
        case Reason::Chosen: return "chosen";
        case Reason::Default: break;
    }
    return "default";
}

std::optional<Detection> SniffBom(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) return Detection{std::string("UTF-8"), Reason::Bom, 3};
    if (bytes.starts_with("\xFE\xFF")) return Detection{std::string("UTF-16BE"), Reason::Bom, 2};
    if (bytes.starts_with("\xFF\xFE")) return Detection{std::string("UTF-16LE"), Reason::Bom, 2};
    return std::nullopt;
}

std::string PrescanMeta(std::string_view bytes) {
    return Prescan(bytes.data(), std::min<std::size_t>(bytes.size(), 1024)).Run();
}

bool IsValidUtf8(std::string_view bytes, bool more) {
    const auto* d = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        if (n - i >= 16) {  // ASCII 16 bytes at a time
            std::uint64_t a, b;
            std::memcpy(&a, d + i, 8);
            std::memcpy(&b, d + i + 8, 8);
            if (((a | b) & 0x8080808080808080ull) == 0) {
                i += 16;
                continue;
            }
        }
        if (d[i] < 0x80) {
            ++i;
            continue;
        }
        const std::ptrdiff_t length = Utf8Sequence(d + i, n - i);
        if (length == 0) return more;
        if (length < 0) return false;
        i += static_cast<std::size_t>(length);
    }
    return true;
}

std::string ToValidUtf8(std::string_view bytes) {
    if (IsValidUtf8(bytes)) return std::string(bytes);
    const auto* d = reinterpret_cast<const unsigned char*>(bytes.data());
    std::string out;
    out.reserve(bytes.size() + 16);
    for (std::size_t i = 0; i < bytes.size();) {
        if (d[i] < 0x80) {
            out += bytes[i++];
            continue;
        }
        const std::ptrdiff_t length = Utf8Sequence(d + i, bytes.size() - i);
        if (length > 0) {
            out.append(bytes, i, static_cast<std::size_t>(length));
            i += static_cast<std::size_t>(length);
        } else {
            out += "\xEF\xBF\xBD";
            // A sequence cut off by the end is one ill-formed part.
            i += length == 0 ? bytes.size() - i : static_cast<std::size_t>(-length);
        }
    }
    return out;
}

std::string Guess(std::string_view bytes, const Pace& pace) {
    bytes = bytes.substr(0, kGuessSampleBytes);
    const auto nonAscii = std::count_if(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) != 0; });
    if (static_cast<std::size_t>(nonAscii) < kGuessMinNonAscii) return {};
    const std::unique_ptr<std::remove_pointer_t<uchardet_t>, void (*)(uchardet_t)> detector(uchardet_new(),
                                                                                         &uchardet_delete);
    if (!detector) throw std::bad_alloc();
    int fed = 0;
    for (std::size_t at = 0; at < bytes.size() && fed == 0; at += kGuessPieceBytes) {
        if (pace && at > 0) pace();
        const std::string_view piece = bytes.substr(at, kGuessPieceBytes);
        fed = uchardet_handle_data(detector.get(), piece.data(), piece.size());
    }
    uchardet_data_end(detector.get());
    const std::string name = fed == 0 ? std::string(uchardet_get_charset(detector.get())) : std::string();
    if (name.empty()) return {};
    const std::string label = std::string(name.data(), static_cast<std::size_t>(name.size()));
    std::string encoding = EncodingForLabel(label);
    if (encoding.empty()) {
        const std::string key = Normalise(label);
        for (const LabelRow& alias : kGuessAliases)
            if (alias.label == key) encoding = FromName(alias.encoding);
    }
    return CanDecode(encoding) ? encoding : std::string();
}

Detection Detect(std::string_view bytes, bool more, const Pace& pace) {
    if (auto bom = SniffBom(bytes)) return *bom;
    const std::string declared = PrescanMeta(bytes);
    if (!declared.empty() && CanDecode(declared)) return {declared, Reason::Meta, 0};
    if (IsValidUtf8(bytes, more)) return {std::string("UTF-8"), Reason::ValidUtf8, 0};
    const std::string guessed = Guess(bytes, pace);
    if (!guessed.empty()) return {guessed, Reason::Guess, 0};
    return {std::string("windows-1252"), Reason::Default, 0};
}

// -------------------------------------------------------------- conversion

std::u16string Decode(std::string_view bytes, std::string_view encoding) {
    const EncodingInfo* e = FindEncoding(encoding);
    if (!e || !CanDecode(encoding)) throw RuntimeError(ErrorNumber::InvalidProcedureCall);
    if (e->name == "windows-1252") {
        std::u16string out(bytes.size(), u'\0');
        for (std::size_t i = 0; i < bytes.size(); ++i) out[i] = Windows1252Char(static_cast<unsigned char>(bytes[i]));
        return out;
    }
    if (e->name == "replacement") return bytes.empty() ? std::u16string() : std::u16string(1, u'\xFFFD');
    if (e->name == "x-user-defined") {
        std::u16string out(bytes.size(), u'\0');
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const auto b = static_cast<unsigned char>(bytes[i]);
            out[i] = b < 0x80 ? char16_t(b) : char16_t(0xF780 + b - 0x80);
        }
        return out;
    }
    if (bytes.empty()) return {};
    return DecodeWithIcu(bytes, e->converter);
}

std::string EncodeUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    auto put = [&out](char32_t c) { AppendUtf8(out, c); };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            put(0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00));
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            put(0xFFFD);
        } else {
            put(c);
        }
    }
    return out;
}

// ------------------------------------------------------ decoding in pieces

struct Utf8Decoder::State {
    enum class Kind { Utf8, Icu, Bytes, Replacement } kind = Kind::Utf8;
    std::string encoding;
    // Kind::Utf8: the beginning of a sequence that the last piece cut off.
    unsigned char carried[4] = {};
    std::size_t carriedLength = 0;
    // Kind::Replacement: whether the one U+FFFD has been written.
    bool replaced = false;
    // Kind::Icu: the page's converter, UTF-8's, and the 16-bit text between
    // them, which ucnv_convertEx keeps from one piece to the next.
    std::unique_ptr<UConverter, ConverterCloser> from, to;
    UChar pivot[1024];
    UChar* pivotSource = pivot;
    UChar* pivotTarget = pivot;
    bool started = false;

    // Kind::Bytes: the UTF-8 of each byte value above 0x7F (two or three
    // bytes, then NULs), from Decode's table, so that a page is decoded in
    // one pass without a 16-bit copy.
    std::array<std::array<char, 4>, 128> high{};

    void Utf8(std::string_view bytes, bool last, std::string& out);
    void Icu(std::string_view bytes, bool last, std::string& out);
    void SingleBytes(std::string_view bytes, std::string& out) const;
};

void Utf8Decoder::State::SingleBytes(std::string_view bytes, std::string& out) const {
    std::size_t i = 0;
    const std::size_t n = bytes.size();
    while (i < n) {
        std::size_t run = i;
        while (run < n && static_cast<unsigned char>(bytes[run]) < 0x80) ++run;
        out.append(bytes.data() + i, run - i);
        for (i = run; i < n && static_cast<unsigned char>(bytes[i]) >= 0x80; ++i) {
            const std::array<char, 4>& u = high[static_cast<unsigned char>(bytes[i]) - 0x80u];
            out.append(u.data(), u[2] != '\0' ? 3 : 2);
        }
    }
}

Utf8Decoder::Utf8Decoder(std::string_view encoding) : s_(std::make_unique<State>()) {
    const EncodingInfo* e = FindEncoding(encoding);
    if (!e || !CanDecode(encoding)) throw RuntimeError(ErrorNumber::InvalidProcedureCall);
    s_->encoding = encoding;
    if (e->name == "UTF-8") {
        s_->kind = State::Kind::Utf8;
    } else if (e->name == "replacement") {
        s_->kind = State::Kind::Replacement;
    } else if (!*e->converter) {
        s_->kind = State::Kind::Bytes;  // one character per byte
        for (unsigned b = 0x80; b < 0x100; ++b) {
            const char byte = static_cast<char>(b);
            const std::string u = EncodeUtf8(encoding::Decode(std::string_view(&byte, 1), encoding));
            std::copy(u.begin(), u.end(), s_->high[b - 0x80u].begin());
        }
    } else {
        s_->kind = State::Kind::Icu;
        UErrorCode status = U_ZERO_ERROR;
        s_->from.reset(ucnv_open(e->converter, &status));
        if (U_SUCCESS(status)) s_->to.reset(ucnv_open("UTF-8", &status));
        if (U_SUCCESS(status))
            ucnv_setToUCallBack(s_->from.get(), &SubstituteReplacementCharacter, nullptr, nullptr, nullptr, &status);
        if (U_FAILURE(status) || !s_->from || !s_->to) throw RuntimeError(ErrorNumber::InvalidProcedureCall);
    }
}

Utf8Decoder::~Utf8Decoder() = default;

void Utf8Decoder::Decode(std::string_view bytes, bool last, std::string& out) {
    switch (s_->kind) {
    case State::Kind::Utf8: s_->Utf8(bytes, last, out); break;
    case State::Kind::Icu: s_->Icu(bytes, last, out); break;
    case State::Kind::Bytes: s_->SingleBytes(bytes, out); break;
    case State::Kind::Replacement:
        if (!bytes.empty() && !s_->replaced) out += "\xEF\xBF\xBD";
        s_->replaced = s_->replaced || !bytes.empty();
        break;
    }
}

// Well-formed sequences pass; each maximal beginning of an ill-formed one
// becomes one U+FFFD, as ICU's UTF-8 converter decodes them.
void Utf8Decoder::State::Utf8(std::string_view bytes, bool last, std::string& out) {
    static constexpr char kReplacement[] = "\xEF\xBF\xBD";
    // An empty piece may have no address, which memcpy does not take.
    const auto* d = reinterpret_cast<const unsigned char*>(bytes.empty() ? "" : bytes.data());
    const auto n = bytes.size();
    std::size_t i = 0;
    if (carriedLength > 0) {
        // The cut-off sequence with what follows it.
        unsigned char joined[8];
        std::memcpy(joined, carried, carriedLength);
        const std::size_t added = std::min<std::size_t>(n, 4);
        std::memcpy(joined + carriedLength, d, added);
        const std::ptrdiff_t length = Utf8Sequence(joined, carriedLength + added);
        if (length == 0) {  // still cut off: the piece was shorter than the rest of it
            std::memcpy(carried + carriedLength, d, n);
            carriedLength += n;
            if (last) {
                out += kReplacement;
                carriedLength = 0;
            }
            return;
        }
        const auto taken = static_cast<std::size_t>(length > 0 ? length : -length);
        if (length > 0)
            out.append(reinterpret_cast<const char*>(joined), static_cast<std::size_t>(taken));
        else
            out += kReplacement;
        i = taken - carriedLength;
        carriedLength = 0;
    }
    std::size_t run = i;  // the start of the well-formed bytes not yet written
    while (i < n) {
        if (d[i] < 0x80) {
            ++i;
            continue;
        }
        const std::ptrdiff_t length = Utf8Sequence(d + i, n - i);
        if (length > 0) {
            i += static_cast<std::size_t>(length);
            continue;
        }
        out.append(reinterpret_cast<const char*>(d + run), static_cast<std::size_t>(i - run));
        if (length == 0) {
            if (last) {
                out += kReplacement;
            } else {
                carriedLength = n - i;
                std::memcpy(carried, d + i, carriedLength);
            }
            return;
        }
        out += kReplacement;
        i += static_cast<std::size_t>(-length);
        run = i;
    }
    out.append(reinterpret_cast<const char*>(d + run), static_cast<std::size_t>(n - run));
}

void Utf8Decoder::State::Icu(std::string_view bytes, bool last, std::string& out) {
    // ICU takes no null source, which an empty view may have.
    const char* source = bytes.empty() ? "" : bytes.data();
    const char* const sourceEnd = source + bytes.size();
    for (;;) {
        // A byte gives at most two 16-bit units, each at most three bytes of
        // UTF-8; the loop goes on when the guess was short.
        const std::size_t at = out.size();
        out.resize(at + 6 * static_cast<std::size_t>(sourceEnd - source) + 64);
        char* target = out.data() + at;
        char* const targetStart = target;
        UErrorCode status = U_ZERO_ERROR;
        ucnv_convertEx(to.get(), from.get(), &target, out.data() + out.size(), &source, sourceEnd, pivot, &pivotSource,
                       &pivotTarget, pivot + std::size(pivot), !started, last, &status);
        started = true;
        out.resize(at + static_cast<std::size_t>(target - targetStart));
        if (status == U_BUFFER_OVERFLOW_ERROR) continue;
        if (U_FAILURE(status)) throw RuntimeError(ErrorNumber::InvalidProcedureCall);
        return;
    }
}

}  // namespace tessark::encoding
