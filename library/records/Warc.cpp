#include "Warc.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <optional>

namespace tessark::records {
namespace {

constexpr std::size_t kReadSize = 256 * 1024;
constexpr std::string_view kVersionPrefix = "WARC/";
// How far past a compressed record the reader looks for its member's end.
constexpr std::uint64_t kLookahead = std::uint64_t{1} << 20;

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (IsSpace(text.front()) || text.front() == '\r')) text.remove_prefix(1);
    while (!text.empty() && (IsSpace(text.back()) || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

}  // namespace

std::size_t MemorySource::Read(char* data, std::size_t size) {
    const std::size_t n = std::min({size, piece_, bytes_.size()});
    std::memcpy(data, bytes_.data(), n);
    bytes_.remove_prefix(n);
    return n;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
               return lower(x) == lower(y);
           });
}

std::string_view WarcRecord::Field(std::string_view name) const {
    for (const auto& [key, value] : fields)
        if (SameName(key, name)) return value;
    return {};
}

struct WarcReader::Impl {
    Impl(ByteSource& s, WarcLimits l, Codec c) : source(s), limits(l), codec(c) {}

    ByteSource& source;
    WarcLimits limits;
    Codec codec;
    std::vector<WarcProblem>* problems = nullptr;

    // The file's bytes: in[inPos, inEnd) not yet used; inBase: the file
    // offset of in[0].
    bool started = false, compressed = false, atEnd = false;
    std::vector<char> in = std::vector<char>(kReadSize);
    std::size_t inPos = 0, inEnd = 0;
    std::uint64_t inBase = 0;
    std::unique_ptr<Inflater> inflater;
    bool memberOpen = false, seekingMember = false, truncated = false;
    std::uint64_t memberFileOffset = 0, memberPlainStart = 0;

    // The plain (decompressed) bytes: plain[pos, size) not yet parsed;
    // plainBase: the plain stream's offset of plain[0].
    std::string plain;
    std::size_t pos = 0;
    std::uint64_t plainBase = 0;
    // Where gzip members begin: (plain offset, file offset); and where the
    // plain stream jumps over a damaged member.
    std::deque<std::pair<std::uint64_t, std::uint64_t>> members;
    std::deque<std::uint64_t> cuts;

    std::uint64_t PlainEnd() const { return plainBase + plain.size(); }
    std::size_t Index(std::uint64_t plainOffset) const { return static_cast<std::size_t>(plainOffset - plainBase); }

    void Problem(std::uint64_t offset, std::string message) { problems->push_back({offset, std::move(message)}); }

    // The file offset to report for a record that starts at plain offset
    // `at`: its member's start when compressed.
    std::uint64_t FileOffset(std::uint64_t at) const {
        if (!compressed) return at;
        std::uint64_t offset = members.empty() ? 0 : members.front().second;
        for (const auto& [plainStart, fileOffset] : members) {
            if (plainStart > at) break;
            offset = fileOffset;
        }
        return offset;
    }

    bool ReadInput() {
        if (atEnd) return false;
        if (inPos == inEnd) {
            inBase += inEnd;
            inPos = inEnd = 0;
        } else if (inPos > 0) {
            std::memmove(in.data(), in.data() + inPos, inEnd - inPos);
            inBase += inPos;
            inEnd -= inPos;
            inPos = 0;
        }
        const std::size_t n = source.Read(in.data() + inEnd, in.size() - inEnd);
        if (n == 0) {
            atEnd = true;
            if (compressed && memberOpen) truncated = true;
            return false;
        }
        inEnd += n;
        return true;
    }

    void Start() {
        started = true;
        while (inEnd < 2 && ReadInput()) {
        }
        compressed = inEnd >= 2 && static_cast<unsigned char>(in[0]) == 0x1f && static_cast<unsigned char>(in[1]) == 0x8b;
        if (compressed) inflater = std::make_unique<Inflater>(Wrapper::Gzip, codec);
    }

    // After a damaged member: skips to the next bytes that begin a gzip
    // member (1f 8b 08). False at the end of the file.
    bool SeekMember() {
        for (;;) {
            for (std::size_t k = inPos; k + 2 < inEnd; ++k) {
                if (static_cast<unsigned char>(in[k]) == 0x1f && static_cast<unsigned char>(in[k + 1]) == 0x8b &&
                    in[k + 2] == 8) {
                    inPos = k;
                    seekingMember = false;
                    return true;
                }
            }
            inPos = inEnd > inPos + 2 ? inEnd - 2 : inPos;
            if (!ReadInput()) {
                inPos = inEnd;
                return false;
            }
        }
    }

    // More plain bytes; false when the file has no more.
    bool Fill() {
        if (!started) Start();
        for (;;) {
            if (seekingMember && !SeekMember()) return false;
            if (inPos == inEnd && !ReadInput()) return false;
            if (!compressed) {
                plain.append(in.data() + inPos, inEnd - inPos);
                inPos = inEnd;
                return true;
            }
            if (!memberOpen) {
                memberOpen = true;
                memberFileOffset = inBase + inPos;
                memberPlainStart = PlainEnd();
                members.emplace_back(memberPlainStart, memberFileOffset);
            }
            const std::size_t used = plain.size();
            plain.resize(used + kReadSize);
            const Inflater::Step step =
                inflater->Run(reinterpret_cast<const std::uint8_t*>(in.data() + inPos), inEnd - inPos,
                              reinterpret_cast<std::uint8_t*>(plain.data() + used), kReadSize);
            plain.resize(used + step.produced);
            inPos += step.consumed;
            if (step.damaged) {
                Problem(memberFileOffset, std::string("damaged gzip member (") + step.problem + "): skipped");
                // The member's bytes go; what follows begins a new member.
                const std::uint64_t keep = std::max<std::uint64_t>(memberPlainStart, plainBase + pos);
                plain.resize(Index(keep));
                members.pop_back();
                cuts.push_back(keep);
                inflater->Reset();
                memberOpen = false;
                seekingMember = true;
                if (inPos < inEnd) ++inPos;
                continue;
            }
            if (step.memberEnd) memberOpen = false;
            if (step.produced > 0) return true;
        }
    }

    // At least `n` plain bytes from pos (false when the file ends first).
    bool Ensure(std::size_t n) {
        while (plain.size() - pos < n)
            if (!Fill()) return false;
        return true;
    }

    // Drops the parsed bytes and the marks behind them.
    void Compact() {
        const std::uint64_t at = plainBase + pos;
        while (members.size() > 1 && members[1].first <= at) members.pop_front();
        while (!cuts.empty() && cuts.front() <= at) cuts.pop_front();
        if (pos > (1u << 20) && pos * 2 > plain.size()) {
            plain.erase(0, pos);
            plainBase += pos;
            pos = 0;
        }
    }

    // The first cut in [from, to), if any: bytes of a damaged member that
    // would have been there are gone.
    std::optional<std::uint64_t> CutWithin(std::uint64_t from, std::uint64_t to) const {
        for (const std::uint64_t cut : cuts)
            if (cut >= from && cut < to) return cut;
        return std::nullopt;
    }

    // Goes on after a malformed record that starts at plain offset `from`:
    // at the next gzip member, or at the next line that begins "WARC/1.".
    // False at the end of the file.
    bool Resync(std::uint64_t from) {
        std::uint64_t searched = from + 1;
        for (;;) {
            if (compressed) {
                for (const auto& member : members)
                    if (member.first > from && member.first < PlainEnd()) {
                        pos = Index(member.first);
                        return true;
                    }
                for (const std::uint64_t cut : cuts)
                    if (cut > from && cut < PlainEnd()) {
                        pos = Index(cut);
                        return true;
                    }
            } else {
                const std::string_view rest(plain.data() + Index(searched), PlainEnd() - searched);
                const std::size_t found = rest.find("\nWARC/1.");
                if (found != std::string_view::npos) {
                    pos = Index(searched + found + 1);
                    return true;
                }
                searched = std::max(searched, PlainEnd() > 8 ? PlainEnd() - 8 : 0);
            }
            // Nothing found yet: drop what is behind and read on.
            const std::uint64_t keep = compressed ? PlainEnd() : searched;
            if (keep > plainBase + pos) pos = Index(keep);
            Compact();
            if (!Fill()) {
                pos = plain.size();
                return false;
            }
        }
    }

    bool ParseHeader(std::string_view header, WarcRecord& record, std::uint64_t& length, std::string& why) {
        std::size_t lineEnd = header.find('\n');
        record.version = std::string(Trim(header.substr(0, lineEnd)));
        if (record.version != "WARC/1.0" && record.version != "WARC/1.1" && record.version != "WARC/0.18") {
            why = "unknown version '" + record.version.substr(0, 40) + "'";
            return false;
        }
        record.fields.clear();
        bool haveLength = false;
        while (lineEnd != std::string_view::npos && lineEnd + 1 < header.size()) {
            const std::size_t start = lineEnd + 1;
            lineEnd = header.find('\n', start);
            const std::string_view line = Trim(header.substr(start, lineEnd == std::string_view::npos ? header.npos
                                                                                                       : lineEnd - start));
            if (line.empty()) continue;
            if (IsSpace(header[start]) && !record.fields.empty()) {  // a continuation line
                record.fields.back().second.append(" ").append(line);
                continue;
            }
            const std::size_t colon = line.find(':');
            if (colon == std::string_view::npos || colon == 0) {
                why = "a header line without a name: '" + std::string(line.substr(0, 40)) + "'";
                return false;
            }
            record.fields.emplace_back(std::string(Trim(line.substr(0, colon))), std::string(Trim(line.substr(colon + 1))));
            if (SameName(record.fields.back().first, "Content-Length")) {
                const std::string& text = record.fields.back().second;
                haveLength = !text.empty() && text.size() <= 18 &&
                             std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
                if (haveLength) length = std::stoull(text);
            }
        }
        if (!haveLength) why = "no valid Content-Length";
        return haveLength;
    }

    // Skips `length` bytes from pos, unkept; false when the file ends first
    // or a damaged member cuts them.
    bool Skip(std::uint64_t length) {
        while (length > 0) {
            if (pos == plain.size() && !Fill()) return false;
            const std::uint64_t at = plainBase + pos;
            const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(length, plain.size() - pos));
            if (const std::optional<std::uint64_t> cut = CutWithin(at, at + n)) {
                pos = Index(*cut);
                return false;
            }
            pos += n;
            length -= n;
            Compact();
        }
        return true;
    }

    bool Next(WarcRecord& record) {
        for (;;) {
            Compact();
            // Blank lines between records.
            while (Ensure(1) && (plain[pos] == '\r' || plain[pos] == '\n')) ++pos;
            if (pos == plain.size()) {
                if (truncated) Problem(memberFileOffset, "truncated gzip member at the end of the file");
                truncated = false;
                return false;
            }
            const std::uint64_t start = plainBase + pos;
            record.offset = FileOffset(start);
            // From here a cut at or after the start is damage in this record's
            // members: the record goes (the damage has been reported) and
            // reading goes on where the next member's bytes begin.
            while (!cuts.empty() && cuts.front() <= start) cuts.pop_front();
            const auto damaged = [&](std::uint64_t upTo) {
                const std::optional<std::uint64_t> cut = CutWithin(start, upTo);
                if (cut) pos = Index(*cut);
                return cut.has_value();
            };
            Ensure(kVersionPrefix.size());
            if (damaged(start + kVersionPrefix.size())) continue;
            if (std::string_view(plain).substr(pos, kVersionPrefix.size()) != kVersionPrefix) {
                Problem(record.offset, "not the start of a WARC record: skipped to the next one");
                if (!Resync(start)) return false;
                continue;
            }
            // The header, up to its blank line.
            std::size_t headerEnd = std::string::npos, searchedTo = pos;
            for (;;) {
                const std::size_t found = plain.find("\n\r\n", searchedTo > pos + 2 ? searchedTo - 2 : pos);
                const std::size_t foundLf = plain.find("\n\n", searchedTo > pos + 1 ? searchedTo - 1 : pos);
                const std::size_t end = std::min(found == std::string::npos ? found : found + 3,
                                                 foundLf == std::string::npos ? foundLf : foundLf + 2);
                if (end != std::string::npos && end - pos <= limits.header) {
                    headerEnd = end;
                    break;
                }
                searchedTo = plain.size();
                if (plain.size() - pos > limits.header || !Fill()) break;
            }
            if (damaged(headerEnd == std::string::npos ? PlainEnd() + 1 : plainBase + headerEnd)) continue;
            if (headerEnd == std::string::npos) {
                const bool atFileEnd = plain.size() - pos <= limits.header;
                Problem(record.offset, atFileEnd ? "truncated record: the file ends inside its header"
                                                 : "a header over " + std::to_string(limits.header) + " bytes: skipped");
                if (atFileEnd) {
                    pos = plain.size();
                    truncated = false;
                    return false;
                }
                if (!Resync(start)) return false;
                continue;
            }
            std::uint64_t length = 0;
            std::string why;
            if (!ParseHeader(std::string_view(plain).substr(pos, headerEnd - pos), record, length, why)) {
                Problem(record.offset, "malformed record (" + why + "): skipped");
                if (!Resync(start)) return false;
                continue;
            }
            const std::uint64_t blockStart = plainBase + headerEnd;
            if (length > limits.block) {
                Problem(record.offset, "a record of " + std::to_string(length) + " bytes, over the limit of " +
                                           std::to_string(limits.block) + ": skipped");
                pos = headerEnd;
                if (!Skip(length)) {
                    if (pos == plain.size()) return false;
                    continue;
                }
                continue;
            }
            const auto blockSize = static_cast<std::size_t>(length);
            const bool whole = Ensure(headerEnd - pos + blockSize);
            const std::uint64_t blockEnd = blockStart + length;
            if (damaged(blockEnd)) continue;
            // Compressed, a record ends with its member: a member that begins
            // inside the block with a record of its own means the length lies.
            bool overrun = false;
            for (const auto& [memberStart, fileOffset] : members) {
                if (memberStart <= blockStart || memberStart >= std::min(blockEnd, PlainEnd())) continue;
                if (std::string_view(plain).substr(Index(memberStart), kVersionPrefix.size()) == kVersionPrefix) {
                    Problem(record.offset, "Content-Length " + std::to_string(length) +
                                               " runs past the end of the record: skipped");
                    pos = Index(memberStart);
                    overrun = true;
                    break;
                }
            }
            if (overrun) continue;
            if (!whole) {
                Problem(record.offset, "truncated record: the file ends " + std::to_string(PlainEnd() - blockStart) +
                                           " bytes into a block of " + std::to_string(length));
                truncated = false;
                if (!Resync(start)) return false;
                continue;
            }
            // The block is followed by CR LF CR LF (LF LF accepted); at the
            // end of the file, by what there is of them.
            const std::size_t after = Index(blockEnd);
            const bool tailWhole = Ensure(after - pos + 4);
            if (damaged(blockEnd)) continue;
            const std::string_view tail = std::string_view(plain).substr(after, 4);
            std::size_t tailSize = 0;
            if (tail.substr(0, 4) == "\r\n\r\n")
                tailSize = 4;
            else if (tail.substr(0, 2) == "\n\n")
                tailSize = 2;
            else if (!tailWhole && (std::string_view("\r\n\r\n").substr(0, tail.size()) == tail ||
                                    std::string_view("\n\n").substr(0, tail.size()) == tail))
                tailSize = tail.size();
            else {
                Problem(record.offset, "the record does not end after its Content-Length of " + std::to_string(length) +
                                           " bytes: skipped");
                if (!Resync(start)) return false;
                continue;
            }
            // Compressed, the record is handed out once its member has ended
            // and its checksum held, looking no further than kLookahead past
            // it (a file that is one gzip stream ends only at its end).
            const std::uint64_t recordEnd = blockEnd + tailSize;
            while (compressed && memberOpen && memberPlainStart < recordEnd && PlainEnd() < recordEnd + kLookahead &&
                   Fill()) {
            }
            if (damaged(recordEnd)) continue;
            record.block.assign(plain, Index(blockStart), blockSize);
            pos = Index(recordEnd);
            return true;
        }
    }
};

WarcReader::WarcReader(ByteSource& source, WarcLimits limits, Codec codec)
    : impl_(std::make_unique<Impl>(source, limits, codec)) {}

WarcReader::~WarcReader() = default;

bool WarcReader::Next(WarcRecord& record, std::vector<WarcProblem>& problems) {
    impl_->problems = &problems;
    return impl_->Next(record);
}

bool WarcReader::Compressed() const {
    if (!impl_->started) impl_->Start();
    return impl_->compressed;
}

std::uint64_t WarcReader::BytesRead() const { return impl_->inBase + impl_->inPos; }

}  // namespace tessark::records
