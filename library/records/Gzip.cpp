#include "Gzip.h"

#include <zlib.h>

#include <climits>
#include <stdexcept>

#ifdef TESSARK_HAVE_ISAL
#include <isa-l/igzip_lib.h>
#endif

namespace tessark::records {
namespace {

// Neither library takes more than 4 GB in one call.
constexpr std::size_t kMaxStep = std::size_t{1} << 30;

std::uint32_t Clamp(std::size_t size) { return static_cast<std::uint32_t>(size < kMaxStep ? size : kMaxStep); }

// One implementation of the Inflater's steps.
class Engine {
public:
    virtual ~Engine() = default;
    virtual Inflater::Step Run(const std::uint8_t* in, std::size_t inSize, std::uint8_t* out, std::size_t outSize) = 0;
    virtual void Reset() = 0;
};

class ZlibEngine final : public Engine {
public:
    explicit ZlibEngine(Wrapper wrapper) : bits_(wrapper == Wrapper::Gzip ? 16 + 15 : wrapper == Wrapper::Zlib ? 15 : -15) {
        if (inflateInit2(&stream_, bits_) != Z_OK) throw std::bad_alloc();
    }
    ~ZlibEngine() override { inflateEnd(&stream_); }
    Inflater::Step Run(const std::uint8_t* in, std::size_t inSize, std::uint8_t* out, std::size_t outSize) override {
        stream_.next_in = const_cast<Bytef*>(in);
        stream_.avail_in = Clamp(inSize);
        stream_.next_out = out;
        stream_.avail_out = Clamp(outSize);
        const uInt inBefore = stream_.avail_in, outBefore = stream_.avail_out;
        const int code = inflate(&stream_, Z_NO_FLUSH);
        Inflater::Step step;
        step.consumed = inBefore - stream_.avail_in;
        step.produced = outBefore - stream_.avail_out;
        if (code == Z_STREAM_END) {
            step.memberEnd = true;
            inflateReset(&stream_);
        } else if (code == Z_DATA_ERROR || code == Z_NEED_DICT || code == Z_STREAM_ERROR) {
            step.damaged = true;
            step.problem = code == Z_NEED_DICT ? "a preset dictionary is needed"
                           : stream_.msg != nullptr ? stream_.msg : "invalid compressed data";
        } else if (code == Z_MEM_ERROR) {
            throw std::bad_alloc();
        }
        return step;
    }
    void Reset() override { inflateReset(&stream_); }

private:
    int bits_;
    z_stream stream_{};
};

#ifdef TESSARK_HAVE_ISAL
class IsalEngine final : public Engine {
public:
    explicit IsalEngine(Wrapper wrapper)
        : flag_(wrapper == Wrapper::Gzip ? ISAL_GZIP : wrapper == Wrapper::Zlib ? ISAL_ZLIB : ISAL_DEFLATE) {
        Reset();
    }
    Inflater::Step Run(const std::uint8_t* in, std::size_t inSize, std::uint8_t* out, std::size_t outSize) override {
        state_.next_in = const_cast<std::uint8_t*>(in);
        state_.avail_in = Clamp(inSize);
        state_.next_out = out;
        state_.avail_out = Clamp(outSize);
        const std::uint32_t inBefore = state_.avail_in, outBefore = state_.avail_out;
        const int code = isal_inflate(&state_);
        Inflater::Step step;
        step.consumed = state_.avail_in > inBefore ? 0 : inBefore - state_.avail_in;  // damage can leave avail_in at -1
        step.produced = outBefore - state_.avail_out;
        if (code < 0 || code == ISAL_NEED_DICT) {
            step.damaged = true;
            switch (code) {
            case ISAL_INVALID_WRAPPER: step.problem = "not a valid header"; break;
            case ISAL_UNSUPPORTED_METHOD: step.problem = "an unsupported compression method"; break;
            case ISAL_INCORRECT_CHECKSUM: step.problem = "the checksum does not match"; break;
            case ISAL_NEED_DICT: step.problem = "a preset dictionary is needed"; break;
            default: step.problem = "invalid compressed data"; break;
            }
        } else if (state_.block_state == ISAL_BLOCK_FINISH) {
            step.memberEnd = true;
            Reset();
        }
        return step;
    }
    void Reset() override {
        isal_inflate_init(&state_);
        state_.crc_flag = flag_;
    }

private:
    std::uint32_t flag_;
    inflate_state state_{};
};
#endif

}  // namespace

const std::vector<Codec>& Codecs() {
    static const std::vector<Codec> codecs{
#ifdef TESSARK_HAVE_ISAL
        Codec::Isal,
#endif
        Codec::Zlib};
    return codecs;
}

const char* CodecName(Codec codec) { return codec == Codec::Isal ? "isa-l" : "zlib"; }

struct Inflater::Impl {
    std::unique_ptr<Engine> engine;
    bool inMember = false;
};

Inflater::Inflater(Wrapper wrapper, Codec codec) : impl_(std::make_unique<Impl>()) {
#ifdef TESSARK_HAVE_ISAL
    if (codec == Codec::Isal) impl_->engine = std::make_unique<IsalEngine>(wrapper);
#endif
    if (!impl_->engine) impl_->engine = std::make_unique<ZlibEngine>(wrapper);
}

Inflater::~Inflater() = default;

Inflater::Step Inflater::Run(const std::uint8_t* in, std::size_t inSize, std::uint8_t* out, std::size_t outSize) {
    Step step = impl_->engine->Run(in, inSize, out, outSize);
    if (step.consumed > 0) impl_->inMember = true;
    if (step.memberEnd) impl_->inMember = false;
    return step;
}

void Inflater::Reset() {
    impl_->engine->Reset();
    impl_->inMember = false;
}

bool Inflater::InMember() const { return impl_->inMember; }

std::optional<std::string> Inflate(std::string_view compressed, Wrapper wrapper, std::size_t limit, std::string& problem,
                                   Codec codec) {
    Inflater inflater(wrapper, codec);
    std::string out;
    std::vector<std::uint8_t> chunk(64 * 1024);
    auto in = reinterpret_cast<const std::uint8_t*>(compressed.data());
    std::size_t left = compressed.size();
    for (;;) {
        const Inflater::Step step = inflater.Run(in, left, chunk.data(), chunk.size());
        in += step.consumed;
        left -= step.consumed;
        if (step.damaged) {
            problem = step.problem;
            return std::nullopt;
        }
        if (out.size() + step.produced > limit) {
            problem = "larger than the limit when decompressed";
            return std::nullopt;
        }
        out.append(reinterpret_cast<const char*>(chunk.data()), step.produced);
        // A gzip body may hold several members; bytes after the last one
        // that begin no member are ignored, as gzip ignores them.
        if (step.memberEnd &&
            (wrapper != Wrapper::Gzip || left < 2 || in[0] != 0x1f || in[1] != 0x8b))
            return out;
        if (!step.memberEnd && step.consumed == 0 && step.produced == 0) {
            problem = "truncated";
            return std::nullopt;
        }
    }
}

void AppendGzipMember(std::string& out, std::string_view data, Codec codec) {
    const std::size_t start = out.size();
#ifdef TESSARK_HAVE_ISAL
    if (codec == Codec::Isal) {
        std::vector<std::uint8_t> levelBuffer(ISAL_DEF_LVL1_DEFAULT);
        isal_zstream stream;
        isal_deflate_init(&stream);
        stream.level = 1;
        stream.level_buf = levelBuffer.data();
        stream.level_buf_size = static_cast<std::uint32_t>(levelBuffer.size());
        stream.gzip_flag = IGZIP_GZIP;
        stream.next_in = reinterpret_cast<std::uint8_t*>(const_cast<char*>(data.data()));
        std::size_t left = data.size();
        do {
            stream.avail_in = Clamp(left);
            left -= stream.avail_in;
            stream.end_of_stream = left == 0 ? 1 : 0;
            do {
                const std::size_t used = out.size();
                out.resize(used + 64 * 1024 + stream.avail_in / 2);
                stream.next_out = reinterpret_cast<std::uint8_t*>(out.data() + used);
                stream.avail_out = static_cast<std::uint32_t>(out.size() - used);
                if (isal_deflate(&stream) != COMP_OK) throw std::runtime_error("compression failed");
                out.resize(out.size() - stream.avail_out);
            } while (stream.avail_in > 0 || (stream.end_of_stream && stream.internal_state.state != ZSTATE_END));
        } while (left > 0);
        return;
    }
#endif
    (void)codec;
    z_stream stream{};
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 16 + 15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::bad_alloc();
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    std::size_t left = data.size();
    int code = Z_OK;
    while (code != Z_STREAM_END) {
        stream.avail_in = Clamp(left);
        left -= stream.avail_in;
        const int flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
        do {
            const std::size_t used = out.size();
            out.resize(used + 64 * 1024 + stream.avail_in / 2);
            stream.next_out = reinterpret_cast<Bytef*>(out.data() + used);
            stream.avail_out = static_cast<uInt>(out.size() - used);
            code = deflate(&stream, flush);
            out.resize(out.size() - stream.avail_out);
        } while (stream.avail_out == 0 || (flush == Z_FINISH && code != Z_STREAM_END));
        if (code == Z_STREAM_ERROR) break;
    }
    deflateEnd(&stream);
    if (code != Z_STREAM_END) {
        out.resize(start);
        throw std::runtime_error("compression failed");
    }
}

}  // namespace tessark::records
