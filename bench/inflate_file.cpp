// Decompresses a gzip file (any number of members) with the archive
// reader's codec and discards the bytes: the speed the archive runs are
// measured against (the same library, the same buffer sizes).
//
//   inflate_file FILE [isa-l|zlib]
#include <cstdio>
#include <cstring>
#include <vector>

#include "records/Gzip.h"

int main(int argc, char** argv) {
    using namespace tessark::records;
    if (argc < 2) {
        std::fprintf(stderr, "usage: inflate_file FILE [isa-l|zlib]\n");
        return 2;
    }
    Codec codec = Codecs().front();
    if (argc > 2) codec = std::strcmp(argv[2], "zlib") == 0 ? Codec::Zlib : Codec::Isal;
    std::FILE* file = std::fopen(argv[1], "rb");
    if (file == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    Inflater inflater(Wrapper::Gzip, codec);
    std::vector<std::uint8_t> in(256 * 1024), out(256 * 1024);
    unsigned long long total = 0;
    std::size_t size = 0;
    while ((size = std::fread(in.data(), 1, in.size(), file)) > 0) {
        std::size_t used = 0;
        while (used < size) {
            const Inflater::Step step = inflater.Run(in.data() + used, size - used, out.data(), out.size());
            if (step.damaged) {
                std::fprintf(stderr, "%s: %s\n", argv[1], step.problem);
                return 1;
            }
            used += step.consumed;
            total += step.produced;
        }
    }
    // Flush what the last input left in the decoder.
    for (;;) {
        const Inflater::Step step = inflater.Run(in.data(), 0, out.data(), out.size());
        total += step.produced;
        if (step.produced == 0) break;
    }
    std::fclose(file);
    std::fprintf(stderr, "%llu bytes (%s)\n", total, CodecName(codec));
    return 0;
}
