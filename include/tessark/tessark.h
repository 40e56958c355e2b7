/* Tessark's C API: HTML pages into plain text, for C and for any language's
 * foreign-function interface. The same library as the C++ API
 * (tessark.hpp); no C++ type crosses this header.
 *
 *     tessark_options* o = tessark_options_new();
 *     tessark_options_set(o, "links", "list");
 *     tessark_converter* c = NULL;
 *     if (tessark_converter_new(o, &c) != TESSARK_OK) { puts(tessark_last_error()); ... }
 *     char* text; size_t size;
 *     tessark_convert(c, page, page_size, &text, &size);  ...  tessark_free(text);
 *     tessark_converter_free(c); tessark_options_free(o);
 *
 * Every function that can fail returns a tessark_status; the message of the
 * calling thread's last failure is tessark_last_error(). Options are set by
 * name with text values, so that new options never change this header:
 * "engine" (readable | classic), "encoding" (auto | utf-8 | windows-1252 |
 * a charset label), "links" (none | inline | list), "alt_text" (true |
 * false), "base_url", "width" (a number), "crlf", and the classic steps by
 * their option names ("remove_comments", ..., "decode_all_references",
 * "classic_line_ends").
 *
 * Web archives and JSON Lines, as `tessark --warc` and `tessark --jsonl`
 * make them (tessark.hpp says what counts as a page and how lines convert):
 *
 *     tessark_archive* a = NULL;
 *     if (tessark_archive_open("crawl.warc.gz", o, &a) != TESSARK_OK) { puts(tessark_last_error()); ... }
 *     tessark_archive_page p;
 *     tessark_status s;
 *     while ((s = tessark_archive_next(a, &p)) == TESSARK_OK) printf("%s\n%s\n", p.url, p.text);
 *     if (s != TESSARK_END) puts(tessark_last_error());
 *     tessark_archive_close(a);
 *
 * Thread safety: tessark_convert may run on several threads at once on one
 * converter; tessark_feed and tessark_finish one thread at a time per
 * converter. Options objects are plain values. An archive is read by one
 * thread at a time; tessark_convert_json_line is reentrant.
 */
#ifndef TESSARK_H
#define TESSARK_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum tessark_status {
    TESSARK_END = -1,          /* not a failure: the archive has no more pages */
    TESSARK_OK = 0,
    TESSARK_BAD_ARGUMENT = 5,  /* an unknown option or value, a null pointer */
    TESSARK_OUT_OF_MEMORY = 7,
    TESSARK_INTERNAL = 51,
    TESSARK_FILE_NOT_FOUND = 53,
    TESSARK_FILE_ACCESS = 75   /* a file that cannot be read */
} tessark_status;

typedef struct tessark_options tessark_options;
typedef struct tessark_converter tessark_converter;

/* Receives each piece of a stream's text (UTF-8, not NUL-terminated). */
typedef void (*tessark_sink)(const char* text, size_t size, void* user_data);

const char* tessark_version(void);
/* The message of this thread's last failure ("" when none). */
const char* tessark_last_error(void);

tessark_options* tessark_options_new(void);
tessark_status tessark_options_set(tessark_options* options, const char* name, const char* value);
void tessark_options_free(tessark_options* options);

tessark_status tessark_converter_new(const tessark_options* options, tessark_converter** converter);
void tessark_converter_free(tessark_converter* converter);

/* A whole page: *text receives a NUL-terminated copy to release with
 * tessark_free, *size its length without the NUL. */
tessark_status tessark_convert(const tessark_converter* converter, const char* bytes, size_t size, char** text,
                               size_t* text_size);
/* A page in pieces; the text goes to sink as soon as it is final. */
tessark_status tessark_feed(tessark_converter* converter, const char* bytes, size_t size, tessark_sink sink,
                            void* user_data);
tessark_status tessark_finish(tessark_converter* converter, tessark_sink sink, void* user_data);

void tessark_free(void* text);

/* ---- Web archives ---- */

typedef struct tessark_archive tessark_archive;

/* A page of the archive: UTF-8, NUL-terminated; the pointers are valid until
 * the next call on the archive. */
typedef struct tessark_archive_page {
    const char* url;
    const char* date;
    const char* record_id;
    const char* charset;     /* the encoding the page was read in */
    const char* text;
    size_t text_size;        /* without the NUL */
    unsigned long long offset; /* of its record (of its gzip member when compressed) */
} tessark_archive_page;

/* Opens the archive at path; options may be NULL (readable text, "auto";
 * the encoding is for pages whose HTTP header declares no charset). */
tessark_status tessark_archive_open(const char* path, const tessark_options* options, tessark_archive** archive);
/* The next page: TESSARK_OK with *page filled, TESSARK_END after the last;
 * a read error of the file is TESSARK_FILE_ACCESS, and the archive ends. */
tessark_status tessark_archive_next(tessark_archive* archive, tessark_archive_page* page);
/* The problems met so far (records skipped, pages that could not be
 * converted), from 0: the message of problem `index` (valid until the
 * next call on the archive) and its offset; NULL past the last. */
const char* tessark_archive_problem(const tessark_archive* archive, size_t index, unsigned long long* offset);
/* A count by name: "records", "pages", "not_response", "not_html",
 * "not_success", "problems"; 0 for an unknown name. */
unsigned long long tessark_archive_count(const tessark_archive* archive, const char* name);
void tessark_archive_close(tessark_archive* archive);

/* ---- JSON Lines ---- */

/* One line (a line end at its end dropped) converted: *out receives the
 * line written, NUL-terminated, without a line end ("" for a blank line),
 * to release with tessark_free. A line that cannot be converted is not a
 * failure: it is written with an "error" field. html_field and text_field
 * may be NULL ("html", "text"); options may be NULL. */
tessark_status tessark_convert_json_line(const tessark_options* options, const char* html_field,
                                         const char* text_field, const char* line, size_t size, char** out,
                                         size_t* out_size);

#ifdef __cplusplus
}
#endif

#endif /* TESSARK_H */
