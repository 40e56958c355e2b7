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
 * Thread safety: tessark_convert may run on several threads at once on one
 * converter; tessark_feed and tessark_finish one thread at a time per
 * converter. Options objects are plain values.
 */
#ifndef TESSARK_H
#define TESSARK_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum tessark_status {
    TESSARK_OK = 0,
    TESSARK_BAD_ARGUMENT = 5,  /* an unknown option or value, a null pointer */
    TESSARK_OUT_OF_MEMORY = 7,
    TESSARK_INTERNAL = 51
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

#ifdef __cplusplus
}
#endif

#endif /* TESSARK_H */
