// A command-line driver for trying the readable-text engine by hand:
// readable_driver [--inline|--list] [--width N] [--bench REPEATS] [--pieces N] [FILE]
// (not built by default: ninja readable_driver).
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <chrono>
#include "readable/ReadableText.h"
using namespace tessark;
int main(int argc, char** argv) {
    ReadableOptions o;
    int reps = 0;
    std::size_t pieces = 0;
    const char* file = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (!strcmp(argv[i], "--inline")) o.links = ReadableOptions::Links::Inline;
        else if (!strcmp(argv[i], "--list")) o.links = ReadableOptions::Links::List;
        else if (!strcmp(argv[i], "--width")) o.width = std::stoul(argv[++i]);
        else if (!strcmp(argv[i], "--bench")) reps = std::stoi(argv[++i]);
        else if (!strcmp(argv[i], "--pieces")) pieces = std::stoul(argv[++i]);
        else file = argv[i];
    }
    std::stringstream ss;
    if (file) { std::ifstream f(file, std::ios::binary); ss << f.rdbuf(); } else ss << std::cin.rdbuf();
    std::string in = ss.str();
    if (reps) {
        auto t0 = std::chrono::steady_clock::now();
        std::size_t total = 0;
        for (int r = 0; r < reps; ++r) total += ReadableText(in, o).size();
        double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        std::printf("%.1f MB/s (%zu)\n", double(in.size()) * reps / s / 1e6, total);
        return 0;
    }
    std::string out;
    if (pieces) {
        ReadableConverter c(o, nullptr, [&out](const char* d, std::size_t n) { out.append(d, n); });
        for (std::size_t i = 0; i < in.size(); i += pieces) c.Feed(in.data() + i, std::min(pieces, in.size() - i));
        c.Finish();
    } else {
        out = ReadableText(in, o);
    }
    fwrite(out.data(), 1, out.size(), stdout);
}
