// Gzip: deflate streams in and out, through ISA-L's igzip where the build
// has it (several times zlib's speed) and zlib otherwise; both are compiled
// when both are found, so that tests and benchmarks can run each.
//
//  - Inflater: decompresses a stream given in any pieces: a gzip file of one
//    or more members (as web archives are written: a member per record), a
//    zlib stream, or raw deflate. It tells where each member ends, so that a
//    reader can line records up with members and start again after a
//    damaged one.
//  - Inflate / InflateHttpBody: a whole body at once, bounded in size.
//  - GzipMember: one complete gzip member of the given bytes.
//
// Errors: Inflater reports damage through its Step result, never by
// throwing; the whole-buffer functions return std::nullopt with a reason.
// std::bad_alloc propagates.
//
// Thread safety: an Inflater is used by one thread at a time; the functions
// are reentrant.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessark::records {

enum class Wrapper { Gzip, Zlib, Raw };

enum class Codec { Isal, Zlib };
// The codecs this build has, the fastest first.
const std::vector<Codec>& Codecs();
const char* CodecName(Codec codec);

class Inflater {
public:
    explicit Inflater(Wrapper wrapper, Codec codec = Codecs().front());
    ~Inflater();
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    struct Step {
        std::size_t consumed = 0;  // input bytes taken
        std::size_t produced = 0;  // output bytes written
        bool memberEnd = false;    // a member (or the stream) ended with the last byte taken
        bool damaged = false;      // the input is not a valid stream here; `problem` says why
        const char* problem = "";
    };
    // Decompresses from `in` into `out` until the input is used, the output
    // is full, a member ends or damage is found. After memberEnd, the next
    // call starts a new member; after damage, call Reset before going on.
    Step Run(const std::uint8_t* in, std::size_t inSize, std::uint8_t* out, std::size_t outSize);
    // Forgets the member in progress: the next byte begins a new one.
    void Reset();
    // True between a member's first byte and its end.
    bool InMember() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The whole of `compressed` decompressed, at most `limit` bytes; nullopt
// with `problem` set when it is damaged, truncated or larger than `limit`.
std::optional<std::string> Inflate(std::string_view compressed, Wrapper wrapper, std::size_t limit,
                                   std::string& problem, Codec codec = Codecs().front());

// Appends a gzip member holding `data` to `out`.
void AppendGzipMember(std::string& out, std::string_view data, Codec codec = Codecs().front());

}  // namespace tessark::records
