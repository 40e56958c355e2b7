// Elements: what the readable-text engine knows of each HTML element by
// name: an id, how it is laid out (block, paragraph, hidden, verbatim), what
// the tree builder implies for it (void, closes an open p, scope boundary)
// and the tokenizer state its content is read in.
//
// Pure functions over a constant table; safe on any thread.
#pragma once

#include <cstdint>
#include <string_view>

namespace tessark::readable {

// The elements the converter treats by name; every other known name is
// Known, and an unknown name has its own interned id at or above kFirstOther.
enum class Tag : std::uint16_t {
    Other, A, Address, Applet, Area, Article, Aside, Base, Blockquote, Body, Br, Button, Caption,
    Center, Col, Colgroup, Dd, Details, Dialog, Dir, Div, Dl, Dt, Embed, Fieldset, Figcaption,
    Figure, Footer, Form, H1, H2, H3, H4, H5, H6, Head, Header, Hgroup, Hr, Html, Iframe, Img,
    Input, Legend, Li, Link, Listing, Main, Marquee, Menu, Meta, Nav, Noembed, Noframes,
    Noscript, Object, Ol, Optgroup, Option, P, Plaintext, Pre, Script, Section, Select, Source,
    Style, Summary, Svg, Table, Tbody, Td, Template, Textarea, Tfoot, Th, Thead, Title, Tr,
    Track, Ul, Wbr, Xmp,
    Known,  // a name in the table without a role of its own
    Count
};
inline constexpr std::uint32_t kFirstOther = static_cast<std::uint32_t>(Tag::Count);

enum ElementFlags : std::uint16_t {
    kVoid = 1 << 0,      // no content, never on the stack
    kHidden = 1 << 1,    // neither it nor its content shown
    kBlock = 1 << 2,     // on lines of its own
    kPara = 1 << 3,      // a blank line before and after
    kClosesP = 1 << 4,   // its start tag ends an open p
    kBoundary = 1 << 5,  // an end tag inside it does not close what is outside
    kListScope = 1 << 6, // li, dt and dd inside it do not close those outside
    kVerbatim = 1 << 7,  // whitespace kept, lines as in the source
    kDropLf = 1 << 8,    // a line feed right after the start tag is dropped
};

// The tokenizer state for an element's content.
enum class ContentState : std::uint8_t { Data, RcData, RawText, ScriptData, PlainText };

struct ElementInfo {
    std::string_view name;
    Tag tag;
    std::uint16_t flags;
    ContentState content;
};

// The table entry of a lower-case tag name, or nullptr for a name not in it.
const ElementInfo* FindElement(std::string_view lowerName) noexcept;

}  // namespace tessark::readable
