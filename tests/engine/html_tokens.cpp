// html_tokens: the tokens of HTML files in the lines of HtmlTokenLines.h, for
// the comparison with html5lib's tokenizer (tokenizer_oracle.py).
//
// Usage: html_tokens FILE...   Each file's lines follow a line "F FILE".
// Every file is also fed in pieces (1 byte at a time under 64 KiB, else 61);
// when that gives other tokens, the program says so and exits with 1.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "HtmlTokenLines.h"

int main(int argc, char** argv) {
    int status = 0;
    for (int a = 1; a < argc; ++a) {
        std::ifstream in(argv[a], std::ios::binary);
        const std::string page((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::string whole = tessark::test::TokenLinesOf(page, page.size() + 1);
        std::printf("F %s\n", argv[a]);
        std::fwrite(whole.data(), 1, whole.size(), stdout);
        const std::size_t piece = page.size() < 65536 ? 1 : 61;
        if (tessark::test::TokenLinesOf(page, piece) != whole) {
            std::fprintf(stderr, "%s: fed %zu bytes at a time, the tokens differ\n", argv[a], piece);
            status = 1;
        }
    }
    return status;
}
