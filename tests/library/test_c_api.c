/* The C API from C: a page converted whole and in pieces (the pieces' text
 * the same as the whole's), options set by name, and the failures with
 * their status and message. A plain C program: a table of cases, one line
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

int main(void) {
    check(strcmp(tessark_version(), TESSARK_VERSION_TEXT) == 0, "version", tessark_version());
    check(strcmp(tessark_last_error(), "") == 0, "no error yet", tessark_last_error());
    convert_cases();
    error_cases();
    if (failures == 0) puts("test_c_api: all passed");
    return failures == 0 ? 0 : 1;
}
