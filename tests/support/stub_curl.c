/* A stand-in for libcurl that forwards to the real library but exports only
   the entry points named by STUB_EXPORT_* definitions. Built with
   STUB_RECORD, it also appends a line for every option set, with its value,
   and for every handle, list and form call to the file named by
   CLIPFERRY_TEST_CURL_RECORD. A form part whose name CLIPFERRY_TEST_FORMADD_REFUSE
   holds is refused as out of memory. Built with STUB_FAULTS, it fails the
   call a test names (stub_curl_fail_call below). */
#include <curl/curl.h>
#include <dlfcn.h>
#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define STUB_API __attribute__((visibility("default")))

static void* real_symbol(const char* name) {
    static void* real;
    if (real == NULL) real = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
    return real ? dlsym(real, name) : NULL;
}

#ifdef STUB_RECORD
/* The file is opened for each line, so a test can read it at any moment. */
static FILE* open_record(void) {
    const char* path = getenv("CLIPFERRY_TEST_CURL_RECORD");
    return path != NULL && *path != '\0' ? fopen(path, "a") : NULL;
}

static void record(const char* line) {
    FILE* out = open_record();
    if (out == NULL) return;
    fprintf(out, "%s\n", line);
    fclose(out);
}

/* One line per option: its number, then its value as text where the value
   can be read (numbers, strings, header lines, form part names), else
   whether a pointer was given. */
static void record_option(CURLoption option, void* value) {
    FILE* out = open_record();
    if (out == NULL) return;
    fprintf(out, "setopt %d ", (int)option);
    if (option < CURLOPTTYPE_OBJECTPOINT) {
        fprintf(out, "%ld", (long)(intptr_t)value);
    } else if (option >= CURLOPTTYPE_OFF_T) {
        fprintf(out, "%lld", (long long)(intptr_t)value);
    } else if (value == NULL) {
        fputs("null", out);
    } else if (option == CURLOPT_URL || option == CURLOPT_PROXY || option == CURLOPT_POSTFIELDS ||
               option == CURLOPT_PROTOCOLS_STR || option == CURLOPT_REDIR_PROTOCOLS_STR) {
        fputs((const char*)value, out);
    } else if (option == CURLOPT_HTTPHEADER) {
        for (const struct curl_slist* item = value; item != NULL; item = item->next)
            fprintf(out, "%s%s", item == value ? "[" : "|", item->data);
        fputs("]", out);
    } else if (option == CURLOPT_HTTPPOST) {
        for (const struct curl_httppost* part = value; part != NULL; part = part->next)
            fprintf(out, "%s%s", part == value ? "[" : "|", part->name);
        fputs("]", out);
    } else {
        fputs(option >= CURLOPTTYPE_FUNCTIONPOINT ? "function" : "pointer", out);
    }
    fputs("\n", out);
    fclose(out);
}
#else
static inline void record(const char* line) { (void)line; }
static inline void record_option(CURLoption option, void* value) { (void)option, (void)value; }
#endif

#ifdef STUB_FAULTS
/* The calls that can fail are counted from the last stub_curl_fail_call, and
   the fail_at-th of them (from 1; 0: none) fails as libcurl fails when it
   cannot go on: curl_easy_init and curl_slist_append give null,
   curl_formadd out of memory, curl_easy_setopt out of memory without taking
   the option, curl_easy_perform perform_result without a transfer. */
static long fault_count;
static long fault_at;
static int fault_perform_result;
static char fault_seen[64];

STUB_API void stub_curl_fail_call(long fail_at, int perform_result) {
    fault_count = 0;
    fault_at = fail_at;
    fault_perform_result = perform_result;
    fault_seen[0] = '\0';
}

/* The failable calls made since stub_curl_fail_call. */
STUB_API long stub_curl_calls(void) { return fault_count; }

/* The call that failed ("easy_setopt 10002", "easy_perform"...), or "". */
STUB_API const char* stub_curl_failed_call(void) { return fault_seen; }

static int fault_now(const char* call, int option) {
    if (++fault_count != fault_at) return 0;
    if (option < 0) {
        snprintf(fault_seen, sizeof fault_seen, "%s", call);
    } else {
        snprintf(fault_seen, sizeof fault_seen, "%s %d", call, option);
    }
    return 1;
}
#else
static const int fault_perform_result = 0;
static inline int fault_now(const char* call, int option) { (void)call, (void)option; return 0; }
#endif

#ifdef STUB_EXPORT_CURL_SLIST_APPEND
STUB_API struct curl_slist* curl_slist_append(struct curl_slist* list, const char* text) {
    struct curl_slist* (*real)(struct curl_slist*, const char*) = real_symbol("curl_slist_append");
    if (fault_now("slist_append", -1)) return NULL;
    return real(list, text);
}
#endif

#ifdef STUB_EXPORT_CURL_SLIST_FREE_ALL
STUB_API void curl_slist_free_all(struct curl_slist* list) {
    void (*real)(struct curl_slist*) = real_symbol("curl_slist_free_all");
    record("slist_free_all");
    real(list);
}
#endif

#ifdef STUB_EXPORT_CURL_FORMADD
/* Every value the library passes is pointer-sized on this platform, so the
   pairs are collected and passed on as such. */
STUB_API CURLFORMcode curl_formadd(struct curl_httppost** first, struct curl_httppost** last, ...) {
    CURLFORMcode (*real)(struct curl_httppost**, struct curl_httppost**, ...) = real_symbol("curl_formadd");
    int options[8];
    void* values[8] = {0};
    int n = 0;
    for (int i = 0; i < 8; ++i) options[i] = CURLFORM_END;
    va_list args;
    va_start(args, last);
    for (;;) {
        int option = va_arg(args, int);
        if (option == CURLFORM_END || n == 8) break;
#ifdef STUB_REFUSE_CURLFORM_CONTENTLEN
        /* A libcurl from before the 64-bit part length. */
        if (option == CURLFORM_CONTENTLEN) {
            va_end(args);
            return CURL_FORMADD_UNKNOWN_OPTION;
        }
#endif
        options[n] = option;
        values[n] = va_arg(args, void*);
        ++n;
    }
    va_end(args);
    if (fault_now("formadd", -1)) return CURL_FORMADD_MEMORY;
    /* A part the test names is refused as if memory had run out. */
    const char* refused = getenv("CLIPFERRY_TEST_FORMADD_REFUSE");
    if (refused != NULL && options[0] == CURLFORM_COPYNAME && strcmp(refused, (const char*)values[0]) == 0)
        return CURL_FORMADD_MEMORY;
    return real(first, last, options[0], values[0], options[1], values[1], options[2], values[2],
                options[3], values[3], options[4], values[4], options[5], values[5], options[6],
                values[6], options[7], values[7], CURLFORM_END);
}
#endif

#ifdef STUB_EXPORT_CURL_FORMFREE
STUB_API void curl_formfree(struct curl_httppost* form) {
    void (*real)(struct curl_httppost*) = real_symbol("curl_formfree");
    record("formfree");
    real(form);
}
#endif

#ifdef STUB_EXPORT_CURL_EASY_INIT
STUB_API CURL* curl_easy_init(void) {
    CURL* (*real)(void) = real_symbol("curl_easy_init");
    record("easy_init");
    if (fault_now("easy_init", -1)) return NULL;
    return real();
}
#endif

#ifdef STUB_EXPORT_CURL_EASY_SETOPT
STUB_API CURLcode curl_easy_setopt(CURL* handle, CURLoption option, ...) {
    CURLcode (*real)(CURL*, CURLoption, ...) = real_symbol("curl_easy_setopt");
    va_list args;
    va_start(args, option);
    void* value = va_arg(args, void*);
    va_end(args);
    record_option(option, value);
    if (fault_now("easy_setopt", (int)option)) return CURLE_OUT_OF_MEMORY;
#ifdef STUB_REFUSE_PROTOCOLS_STR
    /* A libcurl from before 7.85.0, which knows only the bitmask form. */
    if (option == CURLOPT_PROTOCOLS_STR || option == CURLOPT_REDIR_PROTOCOLS_STR) return CURLE_UNKNOWN_OPTION;
#endif
    return real(handle, option, value);
}
#endif

#ifdef STUB_EXPORT_CURL_EASY_PERFORM
STUB_API CURLcode curl_easy_perform(CURL* handle) {
    CURLcode (*real)(CURL*) = real_symbol("curl_easy_perform");
    record("easy_perform");
    if (fault_now("easy_perform", -1)) return (CURLcode)fault_perform_result;
    return real(handle);
}
#endif

#ifdef STUB_EXPORT_CURL_EASY_RESET
STUB_API void curl_easy_reset(CURL* handle) {
    void (*real)(CURL*) = real_symbol("curl_easy_reset");
    record("easy_reset");
    real(handle);
}
#endif

#ifdef STUB_EXPORT_CURL_EASY_CLEANUP
STUB_API void curl_easy_cleanup(CURL* handle) {
    void (*real)(CURL*) = real_symbol("curl_easy_cleanup");
    record("easy_cleanup");
    real(handle);
}
#endif

/* Present in every variant so the library is never empty. */
STUB_API int stub_curl_marker(void) { return 1; }
