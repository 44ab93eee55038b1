/* Built as C99, C11 and C++ with warnings as errors by header_check.sh, so the
   header's macros and inline helper suit every host; run, it checks them. */
#include <clipferry.h>
#include <stdio.h>
#include <string.h>

#define SPELLED(x) #x
#define SPELL(x) SPELLED(x)

int main(void) {
    static const struct {
        int32_t result;
        const char* text;
    } texts[] = {
        {CLIPFERRY_OK, "success"},
        {CLIPFERRY_ABORTED, "libcurl missing, or the upload cancelled"},
        {CLIPFERRY_BAD_ARGUMENT, "bad argument or state"},
        {CLIPFERRY_REFUSED, "refused by the service, or no verdict"},
        {7, "could not connect"},
        {28, "timed out"},
        {2, "libcurl error"},
        {84, "libcurl error"},
        {-1, "libcurl error"},
    };
    int failures = 0;
    size_t i;
    for (i = 0; i < sizeof texts / sizeof texts[0]; ++i) {
        const char* text = clipferry_result_text(texts[i].result);
        if (strcmp(text, texts[i].text) != 0) {
            printf("result %d: \"%s\", expected \"%s\"\n", (int)texts[i].result, text, texts[i].text);
            ++failures;
        }
    }
    if (CLIPFERRY_ABORTED != 42) {
        puts("CLIPFERRY_ABORTED is not 42");
        ++failures;
    }
    /* The string and the numbers say the same, and match the build's version. */
    const char* numbers = SPELL(CLIPFERRY_VERSION_MAJOR) "." SPELL(CLIPFERRY_VERSION_MINOR) "."
        SPELL(CLIPFERRY_VERSION_PATCH);
    if (strcmp(CLIPFERRY_VERSION, numbers) != 0 || strcmp(CLIPFERRY_VERSION, EXPECTED_VERSION) != 0) {
        printf("header version %s (numbers %s), project version %s\n", CLIPFERRY_VERSION, numbers,
               EXPECTED_VERSION);
        ++failures;
    }
    return failures == 0 ? 0 : 1;
}
