// A program built against the installed library with find_package(Tessark):
// converts a page whole and in pieces with the classic engine and checks the
// text.
#include <tessark/tessark.hpp>

#include <cstdio>
#include <string>

int main() {
    tessark::Options options;
    options.engine = tessark::Engine::Classic;
    const std::string page = "<p>a &amp; b</p>\n<!-- gone -->\n<p>c</p>";
    const std::string expected = "a & b c\n";  // the classic steps: every line end a space
    std::string streamed;
    tessark::Converter converter(options, [&streamed](std::string_view text) { streamed += text; });
    for (char c : page) converter.feed(std::string_view(&c, 1));
    converter.finish();
    const std::string whole = converter.convert(page);
    if (whole != expected || streamed != expected) {
        std::fprintf(stderr, "unexpected text: [%s] [%s]\n", whole.c_str(), streamed.c_str());
        return 1;
    }
    try {
        options.encoding = "klingon";
        tessark::Converter bad(options);
        return 1;
    } catch (const tessark::Error& error) {
        return error.number() == 5 ? 0 : 1;
    }
}
