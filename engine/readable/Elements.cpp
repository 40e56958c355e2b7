#include "Elements.h"

#include <array>

namespace tessark::readable {
namespace {

constexpr std::uint16_t kDiv = kBlock | kClosesP;
constexpr std::uint16_t kPar = kBlock | kPara | kClosesP;
using C = ContentState;

// Sorted by name (checked below).
constexpr std::array kElements = std::to_array<ElementInfo>({
    {"a", Tag::A, 0, C::Data},
    {"abbr", Tag::Known, 0, C::Data},
    {"address", Tag::Address, kPar, C::Data},
    {"applet", Tag::Applet, kBoundary, C::Data},
    {"area", Tag::Area, kVoid, C::Data},
    {"article", Tag::Article, kDiv, C::Data},
    {"aside", Tag::Aside, kDiv, C::Data},
    {"audio", Tag::Known, 0, C::Data},
    {"b", Tag::Known, 0, C::Data},
    {"base", Tag::Base, kVoid, C::Data},
    {"basefont", Tag::Known, kVoid, C::Data},
    {"bdi", Tag::Known, 0, C::Data},
    {"bdo", Tag::Known, 0, C::Data},
    {"bgsound", Tag::Known, kVoid, C::Data},
    {"big", Tag::Known, 0, C::Data},
    {"blockquote", Tag::Blockquote, kPar, C::Data},
    {"body", Tag::Body, kBlock, C::Data},
    {"br", Tag::Br, kVoid, C::Data},
    {"button", Tag::Button, 0, C::Data},
    {"canvas", Tag::Known, 0, C::Data},
    {"caption", Tag::Caption, kBlock | kBoundary, C::Data},
    {"center", Tag::Center, kDiv, C::Data},
    {"cite", Tag::Known, 0, C::Data},
    {"code", Tag::Known, 0, C::Data},
    {"col", Tag::Col, kVoid, C::Data},
    {"colgroup", Tag::Colgroup, kHidden, C::Data},
    {"data", Tag::Known, 0, C::Data},
    {"datalist", Tag::Known, kHidden, C::Data},
    {"dd", Tag::Dd, kBlock | kClosesP, C::Data},
    {"del", Tag::Known, 0, C::Data},
    {"details", Tag::Details, kDiv, C::Data},
    {"dfn", Tag::Known, 0, C::Data},
    {"dialog", Tag::Dialog, kDiv, C::Data},
    {"dir", Tag::Dir, kPar | kListScope, C::Data},
    {"div", Tag::Div, kDiv, C::Data},
    {"dl", Tag::Dl, kPar | kListScope, C::Data},
    {"dt", Tag::Dt, kBlock | kClosesP, C::Data},
    {"em", Tag::Known, 0, C::Data},
    {"embed", Tag::Embed, kVoid, C::Data},
    {"fieldset", Tag::Fieldset, kDiv, C::Data},
    {"figcaption", Tag::Figcaption, kDiv, C::Data},
    {"figure", Tag::Figure, kPar, C::Data},
    {"font", Tag::Known, 0, C::Data},
    {"footer", Tag::Footer, kDiv, C::Data},
    {"form", Tag::Form, kDiv, C::Data},
    {"frame", Tag::Known, kVoid, C::Data},
    {"h1", Tag::H1, kPar, C::Data},
    {"h2", Tag::H2, kPar, C::Data},
    {"h3", Tag::H3, kPar, C::Data},
    {"h4", Tag::H4, kPar, C::Data},
    {"h5", Tag::H5, kPar, C::Data},
    {"h6", Tag::H6, kPar, C::Data},
    {"head", Tag::Head, kHidden, C::Data},
    {"header", Tag::Header, kDiv, C::Data},
    {"hgroup", Tag::Hgroup, kDiv, C::Data},
    {"hr", Tag::Hr, kVoid | kClosesP, C::Data},
    {"html", Tag::Html, kBoundary, C::Data},
    {"i", Tag::Known, 0, C::Data},
    {"iframe", Tag::Iframe, kHidden, C::RawText},
    {"img", Tag::Img, kVoid, C::Data},
    {"input", Tag::Input, kVoid, C::Data},
    {"ins", Tag::Known, 0, C::Data},
    {"kbd", Tag::Known, 0, C::Data},
    {"keygen", Tag::Known, kVoid, C::Data},
    {"label", Tag::Known, 0, C::Data},
    {"legend", Tag::Legend, kBlock, C::Data},
    {"li", Tag::Li, kBlock | kClosesP, C::Data},
    {"link", Tag::Link, kVoid, C::Data},
    {"listing", Tag::Listing, kPar | kVerbatim | kDropLf, C::Data},
    {"main", Tag::Main, kDiv, C::Data},
    {"map", Tag::Known, 0, C::Data},
    {"mark", Tag::Known, 0, C::Data},
    {"marquee", Tag::Marquee, kBoundary, C::Data},
    {"menu", Tag::Menu, kPar | kListScope, C::Data},
    {"meta", Tag::Meta, kVoid, C::Data},
    {"meter", Tag::Known, 0, C::Data},
    {"nav", Tag::Nav, kDiv, C::Data},
    {"nobr", Tag::Known, 0, C::Data},
    {"noembed", Tag::Noembed, kHidden, C::RawText},
    {"noframes", Tag::Noframes, kHidden, C::RawText},
    {"noscript", Tag::Noscript, 0, C::Data},
    {"object", Tag::Object, kBoundary, C::Data},
    {"ol", Tag::Ol, kPar | kListScope, C::Data},
    {"optgroup", Tag::Optgroup, 0, C::Data},
    {"option", Tag::Option, 0, C::Data},
    {"output", Tag::Known, 0, C::Data},
    {"p", Tag::P, kPar | kClosesP, C::Data},
    {"param", Tag::Known, kVoid, C::Data},
    {"picture", Tag::Known, 0, C::Data},
    {"plaintext", Tag::Plaintext, kPar | kVerbatim, C::PlainText},
    {"pre", Tag::Pre, kPar | kVerbatim | kDropLf, C::Data},
    {"progress", Tag::Known, 0, C::Data},
    {"q", Tag::Known, 0, C::Data},
    {"rp", Tag::Known, kHidden, C::Data},
    {"rt", Tag::Known, 0, C::Data},
    {"ruby", Tag::Known, 0, C::Data},
    {"s", Tag::Known, 0, C::Data},
    {"samp", Tag::Known, 0, C::Data},
    {"script", Tag::Script, kHidden, C::ScriptData},
    {"section", Tag::Section, kDiv, C::Data},
    {"select", Tag::Select, 0, C::Data},
    {"small", Tag::Known, 0, C::Data},
    {"source", Tag::Source, kVoid, C::Data},
    {"span", Tag::Known, 0, C::Data},
    {"strike", Tag::Known, 0, C::Data},
    {"strong", Tag::Known, 0, C::Data},
    {"style", Tag::Style, kHidden, C::RawText},
    {"sub", Tag::Known, 0, C::Data},
    {"summary", Tag::Summary, kDiv, C::Data},
    {"sup", Tag::Known, 0, C::Data},
    {"svg", Tag::Svg, kHidden, C::Data},
    {"table", Tag::Table, kPar | kBoundary | kClosesP, C::Data},
    {"tbody", Tag::Tbody, 0, C::Data},
    {"td", Tag::Td, kBoundary, C::Data},
    {"template", Tag::Template, kHidden | kBoundary, C::Data},
    {"textarea", Tag::Textarea, kVerbatim | kDropLf, C::RcData},
    {"tfoot", Tag::Tfoot, 0, C::Data},
    {"th", Tag::Th, kBoundary, C::Data},
    {"thead", Tag::Thead, 0, C::Data},
    {"time", Tag::Known, 0, C::Data},
    {"title", Tag::Title, kHidden, C::RcData},
    {"tr", Tag::Tr, 0, C::Data},
    {"track", Tag::Track, kVoid, C::Data},
    {"tt", Tag::Known, 0, C::Data},
    {"u", Tag::Known, 0, C::Data},
    {"ul", Tag::Ul, kPar | kListScope, C::Data},
    {"var", Tag::Known, 0, C::Data},
    {"video", Tag::Known, 0, C::Data},
    {"wbr", Tag::Wbr, kVoid, C::Data},
    {"xmp", Tag::Xmp, kPar | kVerbatim | kClosesP, C::RawText},
});

constexpr bool Sorted() {
    for (std::size_t i = 1; i < kElements.size(); ++i)
        if (!(kElements[i - 1].name < kElements[i].name)) return false;
    return true;
}
static_assert(Sorted(), "the element table is kept sorted by name");

// An open-addressed hash of the names (first letter, last letter, length),
// built at compile time: a name is found in one or two probes, each ruling
// out most names by length and letters before the bytes are compared.
constexpr std::size_t kSlots = 512;
constexpr std::uint8_t kEmpty = 0xFF;
static_assert(kElements.size() < kEmpty && kElements.size() * 2 < kSlots);

constexpr std::size_t Hash(std::string_view n) noexcept {
    return (static_cast<std::size_t>(static_cast<unsigned char>(n.front())) * 31 +
            static_cast<std::size_t>(static_cast<unsigned char>(n.back())) * 7 + n.size() * 131) % kSlots;
}

constexpr std::array<std::uint8_t, kSlots> MakeSlots() {
    std::array<std::uint8_t, kSlots> slots{};
    for (std::uint8_t& s : slots) s = kEmpty;
    for (std::size_t e = 0; e < kElements.size(); ++e) {
        std::size_t h = Hash(kElements[e].name);
        while (slots[h] != kEmpty) h = (h + 1) % kSlots;
        slots[h] = static_cast<std::uint8_t>(e);
    }
    return slots;
}
constexpr std::array<std::uint8_t, kSlots> kSlotsOf = MakeSlots();

constexpr bool Same(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return false;
    return true;
}

}  // namespace

const ElementInfo* FindElement(std::string_view lowerName) noexcept {
    if (lowerName.empty()) return nullptr;
    for (std::size_t h = Hash(lowerName);; h = (h + 1) % kSlots) {
        const std::uint8_t e = kSlotsOf[h];
        if (e == kEmpty) return nullptr;
        if (Same(kElements[e].name, lowerName)) return &kElements[e];
    }
}

}  // namespace tessark::readable
