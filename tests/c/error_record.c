/* The error record read from plain C through core/tvk_error.h, as a C host of the library (a
 * solver's material routine) reads it: compiled as C99 and linked against the shared library.
 * The record is one per thread: a report made in another thread is read there, not here. */
#define _POSIX_C_SOURCE 200809L
#include <pthread.h>
#include <stdio.h>
#include <string.h>

#include "tvk_error.h"

/* A routine of the library under its C name: three elastic constants are an unsupported count,
 * recorded at level -2. */
void GetNyeProperties(double* nyeprops, const double* elastic, const int* nelastic);

static int failures = 0;

static void check(int ok, const char* what) {
    if (!ok) {
        fprintf(stderr, "failed: %s\n", what);
        ++failures;
    }
}

/* A thread's refused call, read and cleared in that thread: 1 when it saw its own report. */
static void* refused_in_a_thread(void* arg) {
    double nye[9];
    const double elastic[3] = {1.0, 2.0, 3.0};
    const int n = 3;
    int* seen = arg;
    GetNyeProperties(nye, elastic, &n);
    *seen = tvk_error_level() == -2;
    tvk_error_clear();
    return NULL;
}

int main(void) {
    const char* expected = "Unsupported input in GetNyeProperties";
    double nye[9];
    const double elastic[3] = {1.0, 2.0, 3.0};
    const int n = 3;
    char text[81];
    char small[11];
    size_t len;

    tvk_error_clear();
    check(tvk_error_level() == 0, "no report after a clear");
    check(tvk_error_message(text, sizeof text) == 0 && text[0] == '\0', "empty message without a report");

    GetNyeProperties(nye, elastic, &n);
    check(tvk_error_level() == -2, "level of the report");
    len = tvk_error_message(text, sizeof text);
    check(len == strlen(expected) && strcmp(text, expected) == 0, "message of the report");
    len = tvk_error_message(small, sizeof small);
    check(len == strlen(expected) && strcmp(small, "Unsupporte") == 0, "message cut to the buffer");
    check(tvk_error_message(NULL, 0) == strlen(expected), "length without a buffer");

    tvk_error_clear();
    check(tvk_error_level() == 0, "cleared");

    {
        pthread_t other;
        int seen = 0;
        GetNyeProperties(nye, elastic, &n);
        check(pthread_create(&other, NULL, refused_in_a_thread, &seen) == 0 && pthread_join(other, NULL) == 0,
              "thread started");
        check(seen, "the thread reads its own report");
        check(tvk_error_level() == -2, "the thread's clear leaves this thread's report");
        tvk_error_clear();
    }
    if (failures == 0) printf("C error record: all checks passed\n");
    return failures == 0 ? 0 : 1;
}
