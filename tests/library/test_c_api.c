/* The C API from C: a page converted whole and in pieces (the pieces' text
 * the same as the whole's), options set by name, and the failures with
 * their status and message; an archive's pages, problem and counts; a JSON
 * line. A plain C program: a table of cases, one line
 * per failure, exit status 1 when any case fails. */
#include <tessark/tessark.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int failures = 0;

static void check(int ok, const char* what, const char* detail) {
    if (ok) return;
    ++failures;
    fprintf(stderr, "FAIL: %s (%s)\n", what, detail ? detail : "");
}

struct buffer {
    char text[4096];
    size_t size;
};

static void collect(const char* text, size_t size, void* user_data) {
    struct buffer* b = (struct buffer*)user_data;
    if (b->size + size < sizeof b->text) memcpy(b->text + b->size, text, size);
    b->size += size;
}

struct conversion {
    const char* name;
    const char* options[8]; /* name, value pairs, NULL-terminated */
    const char* page;
    const char* text;
};

static const struct conversion conversions[] = {
    {"readable", {NULL}, "<p>One</p><p>Two &amp; three</p>", "One\n\nTwo & three\n"},
    {"readable links list", {"links", "list", NULL}, "<p><a href=\"http://x.example/\">x</a></p>",
     "x[1]\n\nReferences\n\n   1. http://x.example/\n"},
    {"readable crlf", {"crlf", "true", NULL}, "<p>a</p><p>b</p>", "a\r\n\r\nb\r\n"},
    {"classic", {"engine", "classic", NULL}, "<b>a</b>\n\n<i>b</i>", "a b\n"},
    {"classic lines", {"engine", "classic", "remove_all_crlf", "false", NULL}, "<b>a</b>\n\n<i>b</i>", "a\nb\n"},
    {"classic line ends", {"engine", "classic", "remove_all_crlf", "false", "classic_line_ends", "true", NULL},
     "<b>a</b>\n<i>b</i>", "a\r\nb"},
    {"classic keeps tags", {"engine", "classic", "remove_all_tags", "false", NULL}, "<b>a</b>", "<b>a</b>\n"},
    {"utf-8 byte-order mark", {"engine", "classic", "encoding", "utf-8", NULL}, "\xEF\xBB\xBF<b>a</b>", "a\n"},
    {"utf8 label, cut off at the end", {"encoding", "utf8", NULL}, "<p>a\xC3", "a\xEF\xBF\xBD\n"},
    {"latin1 page", {"encoding", "latin1", NULL}, "<p>caf\xE9</p>", "caf\xC3\xA9\n"},
};

static tessark_converter* make(const char* const* pairs) {
    tessark_options* options = tessark_options_new();
    tessark_converter* converter = NULL;
    for (; pairs[0]; pairs += 2)
        check(tessark_options_set(options, pairs[0], pairs[1]) == TESSARK_OK, pairs[0], tessark_last_error());
    check(tessark_converter_new(options, &converter) == TESSARK_OK, "converter_new", tessark_last_error());
    tessark_options_free(options);
    return converter;
}

static void convert_cases(void) {
    for (size_t i = 0; i < sizeof conversions / sizeof conversions[0]; ++i) {
        const struct conversion* c = &conversions[i];
        tessark_converter* converter = make(c->options);
        char* text = NULL;
        size_t size = 0;
        check(tessark_convert(converter, c->page, strlen(c->page), &text, &size) == TESSARK_OK, c->name,
              tessark_last_error());
        check(text && size == strlen(c->text) && strcmp(text, c->text) == 0, c->name, text);
        tessark_free(text);
        /* In pieces of 1 and 5 bytes, twice on one converter. */
        for (size_t piece = 1; piece <= 5; piece += 4) {
            struct buffer streamed = {{0}, 0};
            const size_t n = strlen(c->page);
            for (size_t at = 0; at < n; at += piece)
                check(tessark_feed(converter, c->page + at, n - at < piece ? n - at : piece, collect, &streamed) ==
                          TESSARK_OK,
                      c->name, "feed");
            check(tessark_finish(converter, collect, &streamed) == TESSARK_OK, c->name, "finish");
            check(streamed.size == strlen(c->text) && memcmp(streamed.text, c->text, streamed.size) == 0, c->name,
                  "streamed text");
        }
        tessark_converter_free(converter);
    }
}

struct bad_option {
    const char* name;
    const char* value;
};

static const struct bad_option bad_options[] = {
    {"colour", "red"},       {"engine", "fast"},   {"links", "footnotes"}, {"alt_text", "yes"},
    {"width", "-1"},         {"width", "12a"},     {"width", ""},         {"encoding", "klingon"},
    {"encoding", "iso-8859-16"}, {"remove_comments", "TRUE"},
};

static void error_cases(void) {
    tessark_options* options = tessark_options_new();
    for (size_t i = 0; i < sizeof bad_options / sizeof bad_options[0]; ++i) {
        const struct bad_option* b = &bad_options[i];
        check(tessark_options_set(options, b->name, b->value) == TESSARK_BAD_ARGUMENT, b->name, b->value);
        check(strstr(tessark_last_error(), b->name) != NULL, "message names the option", tessark_last_error());
    }
    check(tessark_options_set(NULL, "crlf", "true") == TESSARK_BAD_ARGUMENT, "null options", NULL);
    check(tessark_options_set(options, NULL, "true") == TESSARK_BAD_ARGUMENT, "null name", NULL);
    /* A bad value leaves the options as they were: still a usable converter. */
    tessark_converter* converter = NULL;
    check(tessark_converter_new(options, &converter) == TESSARK_OK, "converter after bad values", tessark_last_error());
    check(tessark_converter_new(options, NULL) == TESSARK_BAD_ARGUMENT, "null converter out", NULL);
    char* text = NULL;
    check(tessark_convert(converter, NULL, 3, &text, NULL) == TESSARK_BAD_ARGUMENT, "null bytes", NULL);
    check(tessark_convert(NULL, "a", 1, &text, NULL) == TESSARK_BAD_ARGUMENT, "null converter", NULL);
    check(tessark_convert(converter, "", 0, &text, NULL) == TESSARK_OK && text && text[0] == '\0', "empty page",
          tessark_last_error());
    tessark_free(text);
    tessark_converter_free(converter);
    tessark_options_free(options);
}

#define RESPONSE(url, body)                                                                               \
    "WARC/1.0\r\nWARC-Type: response\r\nWARC-Target-URI: " url "\r\nWARC-Date: 2024-05-01T10:00:00Z\r\n" \
    "WARC-Record-ID: <urn:uuid:" url ">\r\nContent-Length: 100\r\n\r\n"                                   \
    "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=iso-8859-1\r\n\r\n" body "\r\n\r\n"

static void archive_cases(void) {
    /* Each body makes the block 100 bytes; the record between has no length. */
    static const char archive[] = RESPONSE("http://a/", "<p>caf\xE9 &amp; cr\xE8me</p>" "             ")
        "WARC/1.0\r\nWARC-Type: response\r\n\r\n"
        RESPONSE("http://b/", "<p>two</p>" "                          ");
    const char* path = "test_c_api.warc";
    FILE* f = fopen(path, "wb");
    check(f && fwrite(archive, 1, sizeof archive - 1, f) == sizeof archive - 1 && fclose(f) == 0, "archive written",
          path);
    tessark_archive* a = NULL;
    tessark_archive_page page;
    check(tessark_archive_open(path, NULL, &a) == TESSARK_OK, "archive_open", tessark_last_error());
    check(tessark_archive_next(a, &page) == TESSARK_OK && strcmp(page.url, "http://a/") == 0 &&
              strcmp(page.record_id, "<urn:uuid:http://a/>") == 0 && strcmp(page.date, "2024-05-01T10:00:00Z") == 0 &&
              page.offset == 0 && strcmp(page.charset, "windows-1252") == 0 &&
              strcmp(page.text, "caf\xC3\xA9 & cr\xC3\xA8me\n") == 0 && page.text_size == strlen(page.text),
          "first page", page.text);
    check(tessark_archive_next(a, &page) == TESSARK_OK && strcmp(page.text, "two\n") == 0, "second page", page.text);
    check(tessark_archive_next(a, &page) == TESSARK_END && tessark_archive_next(a, &page) == TESSARK_END, "end",
          NULL);
    unsigned long long offset = 0;
    const char* problem = tessark_archive_problem(a, 0, &offset);
    check(problem && offset > 0 && strstr(problem, "Content-Length") && !tessark_archive_problem(a, 1, &offset),
          "one problem: the record without a length", problem);
    check(tessark_archive_count(a, "pages") == 2 && tessark_archive_count(a, "not_response") == 0 &&
              tessark_archive_count(a, "records") == 3 && tessark_archive_count(a, "colour") == 0,
          "counts", NULL);
    tessark_archive_close(a);
    remove(path);
    check(tessark_archive_open(path, NULL, &a) == TESSARK_FILE_NOT_FOUND && a == NULL, "missing archive", NULL);
    check(strstr(tessark_last_error(), path) != NULL, "the message names the file", tessark_last_error());
}

static void json_line_cases(void) {
    static const char line[] = "{\"id\":7,\"page\":\"<p>a &amp; b</p>\"}\r\n";
    char* out = NULL;
    size_t size = 0;
    check(tessark_convert_json_line(NULL, "page", NULL, line, sizeof line - 1, &out, &size) == TESSARK_OK,
          "json line", tessark_last_error());
    check(out && strcmp(out, "{\"id\":7,\"page\":\"<p>a &amp; b</p>\",\"text\":\"a & b\\n\"}") == 0 &&
              size == strlen(out),
          "json line's text", out);
    tessark_free(out);
    check(tessark_convert_json_line(NULL, NULL, NULL, "[1]", 3, &out, NULL) == TESSARK_OK && out &&
              strstr(out, "\"error\"") != NULL,
          "a bad line is written with its error", out);
    tessark_free(out);
}

int main(void) {
    check(strcmp(tessark_version(), TESSARK_VERSION_TEXT) == 0, "version", tessark_version());
    check(strcmp(tessark_last_error(), "") == 0, "no error yet", tessark_last_error());
    convert_cases();
    error_cases();
    archive_cases();
    json_line_cases();
    if (failures == 0) puts("test_c_api: all passed");
    return failures == 0 ? 0 : 1;
}
