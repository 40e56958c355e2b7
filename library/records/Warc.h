// Warc: the records of a web archive (WARC 1.0 and 1.1), read one at a time
// from a byte source in bounded memory. The file may be compressed record
// by record (a gzip member each, as crawlers write .warc.gz), as one gzip
// stream, or not at all; the reader sees which from its first bytes.
//
// A damaged or malformed record (a version line missing, a header without
// end, a Content-Length that is missing or runs past the record's gzip
// member, a damaged gzip member, bytes after the block that are not the
// record's end) is reported as a WarcProblem with the offset where the
// record or member starts, and skipped: the reader goes on at the next
// gzip member or, uncompressed, at the next line that begins "WARC/1.".
// A record whose block is over the limit is skipped unread, with a problem.
//
// Offsets are byte offsets in the file as stored: the start of the record's
// gzip member when compressed (what archive indexes give), else of the
// record itself.
//
// Errors: the source's exceptions propagate (a read error ends the file);
// std::bad_alloc propagates.
//
// Thread safety: a reader is used by one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Gzip.h"

namespace tessark::records {

// Bytes read in order. Read returns how many it put in data (at most
// `size`), 0 at the end; it throws on a read error.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::size_t Read(char* data, std::size_t size) = 0;
};

// A source over bytes in memory (kept by the caller), handing out at most
// `piece` bytes a read (so that readers can be tried on any piece size).
class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::string_view bytes, std::size_t piece = static_cast<std::size_t>(-1))
        : bytes_(bytes), piece_(piece) {}
    std::size_t Read(char* data, std::size_t size) override;

private:
    std::string_view bytes_;
    std::size_t piece_;
};

struct WarcRecord {
    std::uint64_t offset = 0;
    std::string version;  // "WARC/1.0", "WARC/1.1"
    std::vector<std::pair<std::string, std::string>> fields;  // in order, as written
    std::string block;
    // The first field of that name, any letter case; empty when none.
    std::string_view Field(std::string_view name) const;
};

struct WarcProblem {
    std::uint64_t offset = 0;
    std::string message;
};

struct WarcLimits {
    std::size_t header = 1 << 20;          // a record's header, version line included
    std::size_t block = std::size_t{256} << 20;  // a record's block
};

class WarcReader {
public:
    explicit WarcReader(ByteSource& source, WarcLimits limits = {}, Codec codec = Codecs().front());
    ~WarcReader();
    WarcReader(const WarcReader&) = delete;
    WarcReader& operator=(const WarcReader&) = delete;

    // The next well-formed record; false at the end of the file. Problems
    // met on the way are appended to `problems`.
    bool Next(WarcRecord& record, std::vector<WarcProblem>& problems);
    bool Compressed() const;
    // Bytes of the file read so far.
    std::uint64_t BytesRead() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// True for a field name's letters equal in any case.
bool SameName(std::string_view a, std::string_view b);

}  // namespace tessark::records
