// The C++ side of bench/python-bench.sh: the library's convert timed on the
// pages named on the command line (readable text, encoding "auto"), as the
// Python binding's tessark.to_text is timed on the same pages, so that the
// binding's cost is the difference. Prints one line: pages, bytes, seconds.
// Usage: tessark_python_overhead ROUNDS PAGE...
#include <tessark/tessark.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s ROUNDS PAGE...\n", argv[0]);
        return 2;
    }
    const long rounds = std::stol(argv[1]) + 1;  // the first round warms up, as in python_bench.py
    std::vector<std::string> pages;
    for (int i = 2; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        pages.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::size_t bytes = 0;
    std::size_t written = 0;
    double best = 1e30;
    for (long round = 0; round < rounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        bytes = 0;
        for (const std::string& page : pages) {
            // As tessark.to_text does: a converter per call.
            written += tessark::to_text(page).size();
            bytes += page.size();
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    std::printf("%zu %zu %.6f %zu\n", pages.size(), bytes, best, written);
    return 0;
}
