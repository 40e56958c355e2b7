// FastReadable: the tag removal of CutHTML when BreakAtBlocks, KeepLinks or
// KeepAltText is on, one forward scan that rewrites the text in place.
//
// Tags are found exactly as the plain tag removal finds them: from a "<" to
// the next ">" (a "<" inside a tag is part of it; a "<" that no ">" follows
// removes the rest of the text). Each tag is removed and, by what it is,
// replaced by:
//  - BreakAtBlocks: one LF for a tag (opening or closing) whose name is one
//    of kBlockTagNames; one TAB for an opening "td" or "th".
//  - KeepLinks: " [URL]" for the closing tag of an "a" element when the
//    latest opening "a" had an href attribute whose value URL (ASCII
//    whitespace trimmed) is not empty, does not begin with "#" or
//    "javascript:" (any case) and differs from the link's text (what the
//    pass wrote since that opening tag, whitespace trimmed). The URL is
//    used once: a second "</a>" writes nothing.
//  - KeepAltText: the value of the alt attribute of an opening "img" tag,
//    with a space on each side (so that it never joins the words around
//    it); nothing when the value is empty.
//  - everything else: nothing.
// The name of a tag is the run of ASCII letters and digits right after its
// "<" and an optional "/" (a "/" there makes it a closing tag), compared
// without regard to case: "<br/>" is a br, "<brx>" is no block. Attributes
// follow the name, separated by ASCII whitespace or "/": a name, then
// optionally "=" and a value, quoted with " or ' (up to the same quote or
// the end of the tag) or unquoted (up to whitespace). Names compare without
// regard to case; the first of two attributes of one name counts. Since a
// tag ends at its first ">", a quoted value holding ">" is cut there: the
// value is what came before, and the rest stays in the text.
//
// Over bytes (windows-1252 or UTF-8) the same scan gives the bytes of the
// 16-bit result: every delimiter and name is ASCII, values are copied as
// they are.
//
// Streaming: the pass can run chunk by chunk. ReadableTagState carries what
// it needs across a cut: whether a tag is open (and as much of it as is
// needed to decide it), the URL of the latest opening "a" and the link text
// so far. A fresh state starts a text; an open tag at the end of the last
// chunk is dropped, as the plain tag removal drops it. A state serves one
// text at a time; the functions keep nothing else.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace tessark::fast {

// The names of BreakAtBlocks (lower case).
inline constexpr std::array<std::string_view, 39> kBlockTagNames = {
    "p",       "div",     "br",      "hr",     "li",     "ul",         "ol",     "dl",       "dt",      "dd",
    "h1",      "h2",      "h3",      "h4",     "h5",     "h6",         "table",  "thead",    "tbody",   "tfoot",
    "tr",      "caption", "blockquote", "pre", "section", "article",   "header", "footer",   "nav",     "aside",
    "main",    "title",   "figure",  "figcaption", "form", "fieldset", "address", "details", "summary",
};

struct ReadableTagOptions {
    bool breakAtBlocks = false;
    bool keepLinks = false;
    bool keepAltText = false;
};

template <class C>
struct ReadableTagState {
    // A "<" was read and not yet its ">". tag holds what was read of it
    // after the "<": all of it for an "a" or "img" tag whose attributes
    // matter, otherwise only its first units (enough for the name).
    bool inside = false;
    std::basic_string<C> tag;
    // The URL of the latest opening "a" still to be written (empty: none).
    std::basic_string<C> url;
    // The link text so far, leading whitespace skipped; spaces counts the
    // whitespace units read after its last other unit. Kept only while it
    // can still equal url (longer is set once it cannot).
    std::basic_string<C> linkText;
    std::size_t spaces = 0;
    bool longer = false;
};

// Removes the tags of d[0, n) as above, in place; returns the new length.
// Within one text no tag writes more than it took (a URL is charged to its
// opening tag), so the text never grows. Across chunks a tag or a link begun
// in an earlier chunk can write more than this chunk holds: d must have room
// for n + state.tag.size() + state.url.size() + 8 units, as the state stood
// on entry (the returned length can exceed n). Throws std::bad_alloc.
template <class C>
std::size_t ReadableTags(C* d, std::size_t n, const ReadableTagOptions& options, ReadableTagState<C>& state);

// The same with a fresh state, for a whole text.
template <class C>
std::size_t ReadableTags(C* d, std::size_t n, const ReadableTagOptions& options);

}  // namespace tessark::fast
