/* A host as host developers write one: builds against the installed header
   and library, creates a context and releases it. */
#include <clipferry.h>
#include <stdio.h>

int main(void) {
    void* handle = CLIPFERRY_Init();
    if (!handle) {
        fprintf(stderr, "CLIPFERRY_Init gave no context\n");
        return 1;
    }
    /* Not logged in yet: the lists must refuse with 82. */
    clipferry_char types[64] = {0};
    int32_t result = CLIPFERRY_GetFileTypes(handle, types, 64);
    CLIPFERRY_Release(handle);
    if (result != CLIPFERRY_BAD_ARGUMENT) {
        fprintf(stderr, "CLIPFERRY_GetFileTypes before login gave %d\n", (int)result);
        return 1;
    }
    puts("host ok");
    return 0;
}
