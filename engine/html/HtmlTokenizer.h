// HtmlTokenizer: an HTML page's bytes into tokens, as the tokenization
// stage of the HTML standard does (13.2.5), for the readable-text engine.
//
// Input: bytes meant to be UTF-8, fed in any pieces. The input stream is
// preprocessed as the standard says: each invalid UTF-8 sequence becomes
// U+FFFD (the maximal-subpart rule, as the Encoding standard decodes), a
// UTF-8 byte-order mark at the very start is dropped, CR LF and lone CR
// become LF. Every token's text is therefore valid UTF-8.
//
// Output: tokens handed to a TokenSink as soon as they are complete; a run
// of text may be handed over in several Text tokens (whose concatenation is
// the run), so that text never waits for more input than a character
// reference or a possible end tag needs. Character references are decoded
// in text and in attribute values (the 2,231 names of the standard's list,
// the legacy names without ";" by its rules, numeric ones with its
// replacements).
//
// The tree construction stage switches the tokenizer into the raw-text
// states after the start tags that call for it (script, style, xmp, iframe,
// noembed, noframes, noscript when scripting is on, title, textarea,
// plaintext): the sink does so from inside OnToken with SetState, and the
// switch applies to the very next input byte.
//
// Memory: what is held between Feed calls is at most one token in progress
// (a tag with its attributes, a comment, a doctype) plus a few bytes of a
// reference or a possible end tag. A comment, doctype or attribute value
// larger than kMaxHeldBytes is cut to that size (its remainder is read and
// dropped), and a start tag keeps its first 1,024 attributes, so that memory
// stays bounded on any input.
//
// There is no foreign content (SVG, MathML) here: "<![CDATA[" is always the
// start of a bogus comment, as the standard says for HTML content.
//
// Thread safety: one object is used by one thread at a time; objects are
// independent.
#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace tessark::html {

struct Attribute {
    std::string name;   // lower case (ASCII letters only lowered)
    std::string value;  // references decoded
};

struct Token {
    enum class Kind { StartTag, EndTag, Text, Comment, Doctype };
    Kind kind = Kind::Text;
    // StartTag, EndTag: the tag name in lower case; Doctype: its name
    // (lower case; empty when missing).
    std::string_view name;
    // StartTag: the attributes in source order, a duplicate name dropped
    // (the first one counts). EndTag: empty (attributes are read and dropped).
    std::span<const Attribute> attributes;
    bool selfClosing = false;
    // Text: the characters; Comment: the comment's data.
    std::string_view data;
    // Doctype only.
    bool forceQuirks = false;
    bool hasPublicId = false, hasSystemId = false;
    std::string_view publicId, systemId;

    // The value of the attribute `lowerName`, or nullptr.
    const std::string* Attr(std::string_view lowerName) const {
        for (const Attribute& a : attributes)
            if (a.name == lowerName) return &a.value;
        return nullptr;
    }
};

// Receives the tokens in order. The token and everything it points to are
// valid only during the call.
class TokenSink {
public:
    virtual ~TokenSink() = default;
    virtual void OnToken(const Token& token) = 0;
};

class HtmlTokenizer {
public:
    // The states the tree construction stage may switch to.
    enum class State { Data, RcData, RawText, ScriptData, PlainText };

    static constexpr std::size_t kMaxHeldBytes = std::size_t{1} << 20;

    explicit HtmlTokenizer(TokenSink& sink);
    ~HtmlTokenizer();
    HtmlTokenizer(const HtmlTokenizer&) = delete;
    HtmlTokenizer& operator=(const HtmlTokenizer&) = delete;

    // Tokenizes data[0, size) after what was fed before.
    void Feed(const char* data, std::size_t size);
    // The end of the input: completes or drops what is open, as the
    // standard says for end-of-file in each state.
    void Finish();

    // From inside OnToken of a start tag: the state for the bytes after it.
    // The appropriate end tag is the one of the last start tag handed over.
    void SetState(State state);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tessark::html
