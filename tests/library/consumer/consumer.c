/* A program built against the installed library with pkg-config: converts
 * a page and checks its text. */
#include <stdio.h>
#include <string.h>
#include <tessark/tessark.h>

int main(void) {
    static const char page[] = "<h1>Title</h1><p>Caf&eacute; &amp; more</p>";
    tessark_converter* converter = NULL;
    char* text = NULL;
    size_t size = 0;
    if (tessark_converter_new(NULL, &converter) != TESSARK_OK ||
        tessark_convert(converter, page, sizeof page - 1, &text, &size) != TESSARK_OK) {
        fprintf(stderr, "%s\n", tessark_last_error());
        return 1;
    }
    const int same = strcmp(text, "Title\n\nCaf\xC3\xA9 & more\n") == 0;
    if (!same) fprintf(stderr, "unexpected text: [%s]\n", text);
    tessark_free(text);
    tessark_converter_free(converter);
    return same ? 0 : 1;
}
