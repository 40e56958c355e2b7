// The readable-text converter: the tree builder (an open-element stack with
// the ends HTML implies) and the layout it drives (flows, lists, links,
// tables). See ReadableText.h.
//
// The stack never is searched: each entry links to the previous open entry
// of its name, and to the previous scope boundary and list, so that every
// question the builder asks ("is a p open in scope?") is answered in
// constant time and every token costs constant time besides the entries it
// closes, each closed once.
#include "ReadableText.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "ConversionContext.h"
#include "Elements.h"
#include "TableLayout.h"
#include "TextFlow.h"
#include "Url.h"
#include "html/HtmlTokenizer.h"

namespace tessark {

using html::HtmlTokenizer;
using html::Token;
using readable::ContentState;
using readable::ElementInfo;
using readable::Tag;
using readable::TableLayout;
using readable::TextFlow;

namespace {

constexpr std::size_t kMaxInterned = 4096;  // unknown names with an id of their own
constexpr std::size_t kMaxOptionText = 1024;
constexpr std::size_t kFlushBytes = std::size_t{1} << 16;
constexpr std::size_t kBlockquoteIndent = 4;
constexpr std::size_t kDdIndent = 4;
constexpr std::size_t kListIndent = 2;
constexpr std::size_t kRuleWidth = 40;
// Tables nested deeper than this are read as blocks (each row and cell on
// lines of its own, inside the cell that holds them), so that the memory of
// held tables stays bounded however deep the nesting.
constexpr std::size_t kMaxTableDepth = 32;

// What closing an entry undoes.
enum Effect : std::uint16_t {
    kHide = 1 << 0,
    kBlockEffect = 1 << 1,
    kParaEffect = 1 << 2,
    kIndentEffect = 1 << 3,
    kListEffect = 1 << 4,
    kLinkEffect = 1 << 5,
    kTableEffect = 1 << 6,
    kCellEffect = 1 << 7,
    kCaptionEffect = 1 << 8,
    kVerbatimEffect = 1 << 9,
    kSelectEffect = 1 << 10,
    kOptionEffect = 1 << 11,
    kSvgEffect = 1 << 12,
    kSpaceEffect = 1 << 13,
    kBracketEffect = 1 << 14,
    kDeepTableEffect = 1 << 15,  // a table nested past kMaxTableDepth: read as blocks
};

constexpr std::int32_t kNone = -1;

struct Entry {
    std::uint32_t id;
    std::uint16_t flags;
    std::uint16_t effects = 0;
    std::int32_t prevSame = kNone;
    std::int32_t prevBoundary = kNone;
    std::int32_t prevList = kNone;
    std::uint16_t savedIndent = 0;  // at most TextFlow::kMaxIndent
    std::uint16_t colspan = 1, rowspan = 1;  // a cell's, at most 1000
    bool closed = false;  // an inline element ended while blocks above it stay open
};

struct List {
    bool ordered = false;
    char type = '1';
    long long next = 1;
    long long step = 1;
    std::size_t indent = 0;
    std::size_t depth = 0;
    // Reversed without a start: laid out aside, its items numbered once
    // counted (markers \x01k\x02 for the k-th item until then).
    bool held = false;
    std::size_t items = 0;
};

struct Table {
    TableLayout layout;
    bool streaming = false;  // past kMaxHeldTable: rows written as they end
    bool written = false;    // lines of it written already
};

std::string Roman(long long n, bool upper) {
    static constexpr std::pair<int, const char*> kDigits[] = {{1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"},
                                                              {100, "c"},  {90, "xc"},  {50, "l"},  {40, "xl"},
                                                              {10, "x"},   {9, "ix"},   {5, "v"},   {4, "iv"}, {1, "i"}};
    std::string s;
    for (const auto& [v, d] : kDigits)
        for (; n >= v; n -= v) s += d;
    if (upper)
        for (char& c : s) c = static_cast<char>(c - 32);
    return s;
}

std::string Alphabetic(long long n, bool upper) {
    std::string s;
    for (; n > 0; n = (n - 1) / 26) s.insert(s.begin(), static_cast<char>((upper ? 'A' : 'a') + (n - 1) % 26));
    return s;
}

// An item's number as its list's type writes it, with the period.
std::string ItemNumber(long long n, char type) {
    std::string s;
    if ((type == 'i' || type == 'I') && n > 0 && n < 4000) s = Roman(n, type == 'I');
    else if ((type == 'a' || type == 'A') && n > 0) s = Alphabetic(n, type == 'A');
    else s = std::to_string(n);
    return s + '.';
}

bool ParseInt(const std::string* text, long long* out) {
    if (!text) return false;
    std::string_view s = *text;
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\n')) s.remove_prefix(1);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    long long v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec != std::errc()) return false;
    *out = v;
    return true;
}

std::string Lower(std::string_view s) {
    std::string o(s);
    for (char& c : o)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return o;
}

// An inline style that hides the element (display:none, visibility:hidden).
bool StyleHides(const std::string* style) {
    if (!style) return false;
    std::string s;
    for (char c : *style)
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != '\f') s += (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    for (std::string_view hit : {"display:none", "visibility:hidden"}) {
        for (std::size_t at = s.find(hit); at != std::string::npos; at = s.find(hit, at + 1)) {
            const std::size_t end = at + hit.size();
            const bool startOk = at == 0 || s[at - 1] == ';' || s[at - 1] == '{';
            const bool endOk = end == s.size() || s[end] == ';' || s[end] == '!' || s[end] == '}';
            if (startOk && endOk) return true;
        }
    }
    return false;
}

}  // namespace

struct ReadableConverter::Impl final : html::TokenSink {
    ReadableOptions options;
    ConversionContext* context;
    Sink sink;
    HtmlTokenizer tokenizer{*this};
    std::string_view eol;

    std::vector<Entry> stack;
    std::vector<std::int32_t> topOf;  // per id: the topmost open entry, kNone
    std::int32_t boundaryTop = kNone;
    std::int32_t listTop = kNone;
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
    };
    std::unordered_map<std::string, std::uint32_t, NameHash, std::equal_to<>> interned;

    std::vector<TextFlow> flows;  // the page, then one per open cell, caption or held list
    std::vector<List> lists;
    std::vector<std::string> links;  // resolved addresses of the open links that are shown
    std::vector<std::string> references;
    std::vector<Table> tables;
    std::size_t hidden = 0, verbatim = 0, svg = 0, heldTable = 0;
    bool dropLf = false;
    bool bodyStarted = false;  // a head start tag is ignored from then on
    bool headSeen = false;
    std::string base;
    bool baseSet = false;  // by the first <base href>, which alone counts

    struct Select {
        bool open = false, inOption = false, optionSelected = false, chosen = false;
        std::string option, shown;
    } select;

    bool failed = false;

    Impl(const ReadableOptions& o, ConversionContext* c, Sink s)
        : options(o), context(c), sink(std::move(s)), eol(o.crlf ? "\r\n" : "\n"), base(o.baseUrl) {
        topOf.assign(readable::kFirstOther + 1, kNone);
        flows.emplace_back(eol, options.width);
    }

    TextFlow& Flow() { return flows.back(); }
    bool Shown() const { return hidden == 0; }

    void Flush() {
        std::string& out = flows.front().Out();
        if (out.empty()) return;
        sink(out.data(), out.size());
        out.clear();
    }

    std::uint32_t IdOf(std::string_view name, const ElementInfo* info) {
        if (info) return static_cast<std::uint32_t>(info->tag);
        if (auto it = interned.find(name); it != interned.end()) return it->second;
        if (interned.size() >= kMaxInterned) return static_cast<std::uint32_t>(Tag::Other);
        const auto id = static_cast<std::uint32_t>(topOf.size());
        interned.emplace(name, id);
        topOf.push_back(kNone);
        return id;
    }
    static std::uint32_t Id(Tag t) { return static_cast<std::uint32_t>(t); }
    std::int32_t Top(Tag t) const { return topOf[Id(t)]; }
    Tag Current() const {
        if (stack.empty()) return Tag::Other;
        const std::uint32_t id = stack.back().id;
        return id < readable::kFirstOther ? static_cast<Tag>(id) : Tag::Other;
    }
    std::int32_t Size() const { return static_cast<std::int32_t>(stack.size()); }

    // ---- The stack ----------------------------------------------------------

    void Push(std::uint32_t id, std::uint16_t flags) {
        Entry e;
        e.id = id;
        e.flags = flags;
        e.prevSame = topOf[id];
        e.prevBoundary = boundaryTop;
        e.prevList = listTop;
        topOf[id] = Size();
        if (flags & readable::kBoundary) boundaryTop = Size();
        if (flags & readable::kListScope) listTop = Size();
        stack.push_back(e);
    }

    void Pop() {
        const Entry e = stack.back();
        stack.pop_back();
        if (!e.closed) topOf[e.id] = e.prevSame;
        boundaryTop = e.prevBoundary;
        listTop = e.prevList;
        Undo(e);
    }

    // Closes the entries down to and including the one at index.
    void PopTo(std::int32_t index) {
        while (Size() > index) Pop();
    }

    bool InScope(std::int32_t index) const { return index != kNone && index > boundaryTop; }

    // ---- Tokens ---------------------------------------------------------------

    void OnToken(const Token& t) override {
        const bool drop = dropLf;
        dropLf = false;
        switch (t.kind) {
        case Token::Kind::Text: Text(t.data, drop); break;
        case Token::Kind::StartTag: Start(t); break;
        case Token::Kind::EndTag: End(t.name); break;
        default: break;
        }
        if (flows.front().Out().size() >= kFlushBytes) Flush();
    }

    void Text(std::string_view data, bool drop) {
        if (drop && !data.empty() && data.front() == '\n') data.remove_prefix(1);
        if (data.empty()) return;
        if (!bodyStarted && data.find_first_not_of(" \t\n\f\r") != std::string_view::npos) {
            bodyStarted = true;
            if (Current() == Tag::Head) PopTo(Top(Tag::Head));
        }
        if (!Shown()) return;
        if (select.open) {
            if (select.inOption) select.option.append(data.substr(0, kMaxOptionText - std::min(kMaxOptionText, select.option.size())));
            return;
        }
        if (verbatim > 0) Flow().Verbatim(data); else Flow().Text(data);
    }

    // The innermost open table is read as blocks (see kMaxTableDepth).
    bool InDeepTable() const {
        const std::int32_t table = Top(Tag::Table);
        return table != kNone && (stack[static_cast<std::size_t>(table)].effects & kDeepTableEffect) != 0;
    }
    bool InTableContext() const { return Top(Tag::Table) != kNone && Top(Tag::Table) == boundaryTop; }
    bool InCell() const {
        return boundaryTop != kNone && (Top(Tag::Td) == boundaryTop || Top(Tag::Th) == boundaryTop ||
                                        Top(Tag::Caption) == boundaryTop);
    }
    bool IsTableSection(Tag t) const { return t == Tag::Tbody || t == Tag::Thead || t == Tag::Tfoot; }

    // The implied ends before a start tag; false: the tag is ignored.
    bool ImplyEnds(Tag tag, std::uint16_t flags) {
        if (tag == Tag::Head) return !bodyStarted && !headSeen;
        if (tag != Tag::Title && tag != Tag::Meta && tag != Tag::Link && tag != Tag::Base && tag != Tag::Script &&
            tag != Tag::Style && tag != Tag::Noscript && tag != Tag::Template) {
            bodyStarted = true;
            if (Top(Tag::Head) != kNone) PopTo(Top(Tag::Head));
        }
        switch (tag) {
        case Tag::Tr: case Tag::Td: case Tag::Th: case Tag::Tbody: case Tag::Thead: case Tag::Tfoot:
        case Tag::Caption: case Tag::Colgroup:
            if (Top(Tag::Table) == kNone) return false;
            if (InCell()) PopTo(boundaryTop);
            if (!InTableContext()) return false;
            if (tag == Tag::Tr || tag == Tag::Td || tag == Tag::Th) {
                while (Current() != Tag::Table && !IsTableSection(Current()) && Current() != Tag::Tr) Pop();
                if (tag == Tag::Tr && Current() == Tag::Tr) Pop();
                if (tag != Tag::Tr && Current() != Tag::Tr) Open(Id(Tag::Tr), 0, nullptr);
            } else {
                PopTo(Top(Tag::Table) + 1);
            }
            return true;
        case Tag::Table:
            if (InTableContext()) PopTo(Top(Tag::Table));
            break;
        case Tag::Li:
            if (const std::int32_t li = Top(Tag::Li); InScope(li) && li > listTop) PopTo(li);
            break;
        case Tag::Dt: case Tag::Dd:
            if (const std::int32_t d = std::max(Top(Tag::Dt), Top(Tag::Dd)); InScope(d) && d > listTop) PopTo(d);
            break;
        case Tag::Option:
            if (Current() == Tag::Option) Pop();
            break;
        case Tag::Optgroup:
            if (Current() == Tag::Option) Pop();
            if (Current() == Tag::Optgroup) Pop();
            break;
        case Tag::H1: case Tag::H2: case Tag::H3: case Tag::H4: case Tag::H5: case Tag::H6:
            if (Current() >= Tag::H1 && Current() <= Tag::H6) Pop();
            break;
        case Tag::Select:
            if (Top(Tag::Select) != kNone) {
                PopTo(Top(Tag::Select));
                return false;
            }
            break;
        default:
            break;
        }
        if ((flags & readable::kClosesP) && InScope(Top(Tag::P))) PopTo(Top(Tag::P));
        return true;
    }

    void Start(const Token& t) {
        const ElementInfo* info = readable::FindElement(t.name);
        const Tag tag = info ? info->tag : Tag::Other;
        const std::uint16_t flags = info ? info->flags : 0;
        if (tag == Tag::Html || tag == Tag::Body) return;
        if (!ImplyEnds(tag, flags)) return;
        if (info && info->content != ContentState::Data) {
            static constexpr HtmlTokenizer::State kStates[] = {HtmlTokenizer::State::Data, HtmlTokenizer::State::RcData,
                                                               HtmlTokenizer::State::RawText, HtmlTokenizer::State::ScriptData,
                                                               HtmlTokenizer::State::PlainText};
            tokenizer.SetState(kStates[static_cast<std::size_t>(info->content)]);
        }
        if (flags & readable::kVoid || (t.selfClosing && (svg > 0 || tag == Tag::Svg))) {
            if (Shown()) Void(tag, t);
            return;
        }
        Open(IdOf(t.name, info), flags, &t);
        if (flags & readable::kDropLf) dropLf = true;
    }

    void End(std::string_view name) {
        const ElementInfo* info = readable::FindElement(name);
        const Tag tag = info ? info->tag : Tag::Other;
        if (tag == Tag::Br) {
            if (Shown()) Flow().LineBreak();
            return;
        }
        if (tag == Tag::Html || tag == Tag::Body) return;
        if (!info && interned.find(name) == interned.end()) return;
        const std::int32_t at = topOf[IdOf(name, info)];
        if (at == kNone) {
            if (tag == Tag::P && Shown()) Flow().Break(true);
            return;
        }
        const bool structure = tag == Tag::Tr || IsTableSection(tag) || tag == Tag::Table || tag == Tag::Td ||
                               tag == Tag::Th || tag == Tag::Caption;
        if (structure ? at < Top(Tag::Table) : !(at >= boundaryTop || (info && (info->flags & readable::kBoundary)))) return;
        if ((tag == Tag::Li || tag == Tag::Dd || tag == Tag::Dt) && at < listTop) return;
        Entry& e = stack[static_cast<std::size_t>(at)];
        if (at + 1 < Size() && e.flags == 0 && e.effects == 0) {
            // </b> across an open block: the b ends, the block stays open
            // (as the HTML standard's adoption of formatting elements has it).
            e.closed = true;
            topOf[e.id] = e.prevSame;
            return;
        }
        PopTo(at);
    }

    // ---- Layout -----------------------------------------------------------

    void Void(Tag tag, const Token& t) {
        switch (tag) {
        case Tag::Br: Flow().LineBreak(); break;
        case Tag::Hr:
            Flow().Break(false);
            Flow().Lines(std::string(options.width > 0 ? std::min(options.width, kRuleWidth) : kRuleWidth, '-'));
            break;
        case Tag::Img:
            if (const std::string* alt = t.Attr("alt"); alt && options.altText) Word(*alt);
            break;
        case Tag::Input: Input(t); break;
        case Tag::Base:
            if (const std::string* href = t.Attr("href"); href && !baseSet) {
                base = readable::ResolveUrl(options.baseUrl, *href);
                baseSet = true;
            }
            break;
        default: break;
        }
    }

    void Input(const Token& t) {
        const std::string type = t.Attr("type") ? Lower(*t.Attr("type")) : std::string("text");
        const std::string* value = t.Attr("value");
        if (type == "submit" || type == "reset" || type == "button") {
            if (value && !value->empty()) Bracketed(*value);
        } else if (type == "checkbox" || type == "radio") {
            Word(t.Attr("checked") ? (type == "radio" ? "(*)" : "[x]") : (type == "radio" ? "( )" : "[ ]"));
        } else if (type == "image") {
            if (const std::string* alt = t.Attr("alt"); alt && options.altText) Word(*alt);
        } else if (type != "hidden" && type != "checkbox" && type != "radio" && type != "file" && type != "password" &&
                   value && !value->empty()) {
            Bracketed(*value);
        }
    }

    // Text apart from its neighbours (an image's alt text).
    void Word(std::string_view s) {
        Flow().Text(" ");
        Flow().Text(s);
        Flow().Text(" ");
    }

    void Bracketed(std::string_view s) {
        Flow().Text(" [");
        Flow().Attach(s);
        Flow().Attach("]");
        Flow().Text(" ");
    }

    // Stays apart from its neighbours as a word does: an inline-block, a button.
    static bool InlineBlock(Tag tag, const Token& t) {
        if (tag == Tag::Button || tag == Tag::Textarea || tag == Tag::Select) return true;
        const std::string* style = t.Attr("style");
        return style && style->find("inline-block") != std::string::npos;
    }

    bool Hides(Tag tag, std::uint16_t flags, const Token& t) const {
        return (flags & readable::kHidden) || t.Attr("hidden") || StyleHides(t.Attr("style")) ||
               (tag == Tag::Dialog && !t.Attr("open"));
    }

    void Open(std::uint32_t id, std::uint16_t flags, const Token* t) {
        Push(id, flags);
        const Tag tag = id < readable::kFirstOther ? static_cast<Tag>(id) : Tag::Other;
        Entry& e = stack.back();
        if (tag == Tag::Head) headSeen = true;
        if (tag == Tag::Svg) {
            ++svg;
            e.effects |= kSvgEffect;
        }
        if (!Shown()) return;
        if (t && Hides(tag, flags, *t)) {
            ++hidden;
            e.effects |= kHide;
            return;
        }
        e.savedIndent = static_cast<std::uint16_t>(Flow().Indent());
        const bool nestedList = !lists.empty() &&
                                (tag == Tag::Ul || tag == Tag::Ol || tag == Tag::Menu || tag == Tag::Dir || tag == Tag::Dl);
        if ((flags & readable::kPara) && tag != Tag::Table && flows.size() > 1 && !tables.empty())
            tables.back().layout.MarkBlocks();
        if (t && InlineBlock(tag, *t)) {
            Flow().Text(" ");
            e.effects |= kSpaceEffect;
        }
        if (flags & readable::kBlock) {
            const bool para = (flags & readable::kPara) && !nestedList;
            Flow().Break(para);
            e.effects |= para ? kParaEffect : kBlockEffect;
        }
        if (flags & readable::kVerbatim) {
            ++verbatim;
            e.effects |= kVerbatimEffect;
        }
        switch (tag) {
        case Tag::Blockquote: Indent(e, e.savedIndent + kBlockquoteIndent); break;
        case Tag::Ul: case Tag::Ol: case Tag::Menu: case Tag::Dir: case Tag::Dl: OpenList(e, tag, t); break;
        case Tag::Li: Item(e, t); break;
        case Tag::Dt: Indent(e, lists.empty() ? e.savedIndent : lists.back().indent); break;
        case Tag::Dd: Indent(e, (lists.empty() ? e.savedIndent : lists.back().indent) + kDdIndent); break;
        case Tag::A: Link(e, t); break;
        case Tag::Button:
            Flow().Text(" [");
            e.effects |= kBracketEffect;
            break;
        case Tag::Table:
            if (tables.size() >= kMaxTableDepth) {
                e.effects |= kDeepTableEffect;
                break;
            }
            tables.emplace_back();
            e.effects |= kTableEffect;
            break;
        case Tag::Tr:
            if (InDeepTable()) {
                Flow().Break(false);
                e.effects |= kBlockEffect;
            } else if (!tables.empty()) {
                RowStart();
            }
            break;
        case Tag::Td: case Tag::Th: case Tag::Caption:
            if (tables.empty()) break;
            if (InDeepTable()) {
                Flow().Break(false);
                e.effects |= kBlockEffect;
                break;
            }
            flows.emplace_back("\n", 0);
            e.effects |= tag == Tag::Caption ? kCaptionEffect : kCellEffect;
            e.colspan = Span(t, "colspan");
            e.rowspan = Span(t, "rowspan");
            break;
        case Tag::Select:
            select = {};
            select.open = true;
            e.effects |= kSelectEffect;
            break;
        case Tag::Option:
            if (!select.open) {
                Flow().Break(false);
                e.effects |= kBlockEffect;
                break;
            }
            select.inOption = true;
            select.optionSelected = t && t->Attr("selected");
            select.option.clear();
            e.effects |= kOptionEffect;
            break;
        default: break;
        }
    }

    static std::uint16_t Span(const Token* t, std::string_view name) {
        long long n = 1;
        if (!t || !ParseInt(t->Attr(name), &n)) return 1;
        return static_cast<std::uint16_t>(std::clamp<long long>(n, 1, 1000));
    }

    void Indent(Entry& e, std::size_t columns) {
        Flow().SetIndent(columns);
        e.effects |= kIndentEffect;
    }

    void OpenList(Entry& e, Tag tag, const Token* t) {
        List l;
        l.depth = lists.size();
        l.indent = lists.empty() ? e.savedIndent + kListIndent : e.savedIndent;
        if (tag == Tag::Dl) l.indent = e.savedIndent;
        l.ordered = tag == Tag::Ol;
        if (t && l.ordered) {
            if (const std::string* type = t->Attr("type"); type && type->size() == 1 && std::string_view("1aAiI").find((*type)[0]) != std::string_view::npos)
                l.type = (*type)[0];
            if (t->Attr("reversed")) l.step = -1;
            long long start = 0;
            if (ParseInt(t->Attr("start"), &start)) l.next = start;
            else if (l.step < 0) HoldList(l);
        }
        lists.push_back(l);
        Indent(e, l.indent);
        e.effects |= kListEffect;
    }

    void HoldList(List& l) {
        l.held = true;
        flows.emplace_back("\n", options.width);
        Flow().SetIndent(l.indent);
    }

    void WriteHeldList(const List& l) {
        TextFlow held = std::move(flows.back());
        flows.pop_back();
        held.Finish();
        const std::string& text = held.Out();
        std::string lines;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const std::size_t end = text[i] == '\x01' ? text.find('\x02', i) : std::string::npos;
            if (end == std::string::npos) {
                lines += text[i];
                continue;
            }
            long long k = 0;
            std::from_chars(text.data() + i + 1, text.data() + end, k);
            lines += ItemNumber(static_cast<long long>(l.items) + 1 - k, l.type);
            i = end;
        }
        const std::size_t indent = Flow().Indent();
        Flow().SetIndent(0);
        Flow().Lines(lines);
        Flow().SetIndent(indent);
    }

    void Item(Entry& e, const Token* t) {
        if (lists.empty()) {
            List l;
            l.indent = e.savedIndent + kListIndent;
            lists.push_back(l);
            e.effects |= kListEffect;
        }
        List& l = lists.back();
        std::string marker;
        if (l.held) {
            marker = '\x01' + std::to_string(++l.items) + '\x02';
        } else if (l.ordered) {
            long long value = 0;
            if (t && ParseInt(t->Attr("value"), &value)) l.next = value;
            marker = ItemNumber(l.next, l.type);
            l.next += l.step;
        } else {
            static constexpr const char* kBullets[] = {"*", "+", "-"};
            marker = kBullets[l.depth % 3];
        }
        const std::size_t width = marker.size();
        Flow().SetMarker(l.indent, marker);
        Indent(e, l.indent + width + 1);
    }

    void Link(Entry& e, const Token* t) {
        const std::string* href = t ? t->Attr("href") : nullptr;
        if (!href || options.links == ReadableOptions::Links::None) return;
        std::string_view h = *href;
        while (!h.empty() && (h.front() == ' ' || h.front() == '\t' || h.front() == '\n')) h.remove_prefix(1);
        const std::string lower = Lower(h.substr(0, 11));
        if (h.empty() || h.front() == '#' || lower.starts_with("javascript:")) return;
        links.push_back(readable::ResolveUrl(base, h));
        e.effects |= kLinkEffect;
    }

    void CloseLink() {
        std::string url = std::move(links.back());
        links.pop_back();
        if (options.links == ReadableOptions::Links::Inline) {
            Bracketed(url);
        } else {
            references.push_back(std::move(url));
            char number[24] = "[";
            char* end = std::to_chars(number + 1, number + sizeof number - 1, references.size()).ptr;
            *end++ = ']';
            Flow().Attach(std::string_view(number, static_cast<std::size_t>(end - number)));
        }
    }

    void RowStart() {
        Table& table = tables.back();
        if (table.streaming) WriteTable(table);
        table.layout.StartRow();
    }

    void WriteTable(Table& table) {
        heldTable -= std::min(heldTable, table.layout.Held());
        const std::string_view lines = table.layout.Render();
        if (!lines.empty()) {
            Flow().Break(!table.written);
            Flow().Lines(lines);
            table.written = true;
        }
    }

    void CloseCell(bool caption, const Entry& e) {
        flows.back().Finish();
        std::string_view text = flows.back().Out();
        if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
        Table& table = tables.back();
        heldTable += text.size() + TableLayout::kCellOverhead;
        if (caption) table.layout.SetCaption(std::string(text));
        else table.layout.AddCell(text, e.colspan, e.rowspan);
        flows.pop_back();
        if (heldTable > kMaxHeldTable) {
            // Past the limit: what is held goes now, even a row in the middle.
            for (Table& tb : tables) tb.streaming = true;
            WriteTable(table);
        }
    }

    void Undo(const Entry& e) {
        if (e.effects & kSvgEffect) --svg;
        if (e.effects & kHide) {
            --hidden;
            return;
        }
        if (e.effects == 0) return;
        if (e.effects & kLinkEffect) CloseLink();
        if (e.effects & kOptionEffect) {
            if (!select.chosen && (select.optionSelected || select.shown.empty())) select.shown = select.option;
            select.chosen = select.chosen || select.optionSelected;
            select.inOption = false;
        }
        if (e.effects & kSelectEffect) {
            select.open = false;
            if (!select.shown.empty()) Bracketed(select.shown);
        }
        if (e.effects & (kCellEffect | kCaptionEffect)) CloseCell((e.effects & kCaptionEffect) != 0, e);
        if (e.effects & kTableEffect) {
            WriteTable(tables.back());
            tables.pop_back();
            if (tables.empty()) heldTable = 0;
        }
        if (e.effects & kVerbatimEffect) --verbatim;
        if (e.effects & kListEffect) {
            if (lists.back().held) WriteHeldList(lists.back());
            lists.pop_back();
        }
        if (e.effects & (kBlockEffect | kParaEffect)) Flow().Break((e.effects & kParaEffect) != 0);
        if (e.effects & kIndentEffect) Flow().SetIndent(e.savedIndent);
        if ((e.effects & kBracketEffect) && !Flow().TakeBack("[")) Flow().Attach("]");
        if (e.effects & kSpaceEffect) Flow().Text(" ");
    }

    // ---- Driving ------------------------------------------------------------

    template <class F>
    bool Guard(F&& f) {
        if (failed) return false;
        try {
            f();
            return true;
        } catch (...) {
            engine_detail::ReportCurrentException(context, "ReadableText");
            failed = true;
            return false;
        }
    }

    bool Feed(const char* data, std::size_t size) {
        return Guard([&] {
            do {
                const std::size_t n = std::min(size, kYieldBytes);
                tokenizer.Feed(data, n);
                Flush();
                engine_detail::Yield(context);
                data += n;
                size -= n;
            } while (size > 0);
        });
    }

    bool Finish() {
        return Guard([&] {
            tokenizer.Finish();
            PopTo(0);
            while (flows.size() > 1) flows.pop_back();
            TextFlow& page = flows.front();
            page.SetIndent(0);
            page.Finish();
            if (!references.empty()) {
                page.Break(true);
                page.Text("References");
                page.Break(true);
                std::string lines;
                for (std::size_t i = 0; i < references.size(); ++i) {
                    std::string n = std::to_string(i + 1);
                    lines.append(n.size() < 4 ? 4 - n.size() : 0, ' ').append(n).append(". ").append(references[i]) += '\n';
                }
                page.Lines(lines);
            }
            Flush();
            engine_detail::Yield(context);
        });
    }
};

ReadableConverter::ReadableConverter(const ReadableOptions& options, ConversionContext* context, Sink sink)
    : impl_(std::make_unique<Impl>(options, context, std::move(sink))) {}
ReadableConverter::~ReadableConverter() = default;
bool ReadableConverter::Feed(const char* data, std::size_t size) { return impl_->Feed(data, size); }
bool ReadableConverter::Finish() { return impl_->Finish(); }
bool ReadableConverter::Failed() const { return impl_->failed; }

std::string ReadableText(std::string_view utf8, const ReadableOptions& options) {
    std::string out;
    ConversionContext context;
    ReadableConverter converter(options, &context, [&out](const char* d, std::size_t n) { out.append(d, n); });
    converter.Feed(utf8.data(), utf8.size());
    converter.Finish();
    if (context.Failed()) throw std::bad_alloc();
    return out;
}

}  // namespace tessark
