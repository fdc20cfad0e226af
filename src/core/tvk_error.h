/* The library's error record, read from C: plain C, so that a C or Fortran host (a solver's
 * material routine, a ctypes caller) can use it as it stands.
 *
 * A routine that meets bad input or a numerical failure does not stop the host and does not
 * raise: it records a report and returns a neutral result (a zero stiffness, an empty table).
 * The record keeps the first report until it is cleared, so a host checks it after a call (or
 * after a batch of calls) and clears it before the next:
 *
 *     double ddsdde[36];
 *     umat_lamina(...);
 *     if (tvk_error_level() <= -3) {
 *         char text[81];
 *         tvk_error_message(text, sizeof text);
 *         fprintf(stderr, "material routine: %s\n", text);
 *         tvk_error_clear();
 *         ... stop or cut the increment ...
 *     }
 *
 * Levels: 0 no report; -1 note or iteration limit reached; -2 warning or recoverable error (the
 * result is usable); -3 input error. A caller of `xerr` may record other levels; they are returned
 * as recorded. A -3 of a material point or element means refused: the inputs come back as they
 * came, with a zero tangent or residual and a cut-back request where the interface has one. Its
 * report replaces a -1 or -2 made earlier in the same call (the outermost library call on the
 * thread), so that a refused point never reads as usable; a report that stood before the call
 * stays. A few -3 reports come with a result of their own instead: an impact element's unknown
 * root-finding procedure, contact law or stiffness flag (contact force 0), the Cuntze criteria's
 * negative-root note (the criterion's value for that case), CycleCount without a cycle table or
 * with a degenerate algorithm 2 (a jump of 0 or 1), a fatigue cycle period below 0.0005 (no cycle
 * end), the fatigue life without its critical-ratio table (life unchanged), vumat_cartesian with
 * fewer than 39 properties and vumat_bogenfeld's damage without 47 state variables or usable
 * strengths, an xc22 whose friction parameter overflows among them (the undamaged elastic
 * response).
 *
 * Threads: like errno, the record is one per thread (this departs from a record shared by the
 * whole process). A report lands in the record of the thread whose call made it, and these three
 * functions, `xerr` and `rsxerr` act on the calling thread's record only; the first report within
 * a thread wins. A host that calls the library from several threads reads and clears the record
 * in the thread that made the call, after each call or after that thread's part of a batch: a
 * thread never sees another thread's report, and a report read in another thread (the main
 * thread after a threaded batch) is not there. A thread gets its record (about 370 bytes, and the
 * arrays of the report it holds) at its first report; reading or clearing creates none. The record
 * is released when its thread ends, so a host that starts threads anew on every call keeps only
 * the records of the threads alive. Only a record the Python module has handed out as arrays stays
 * for the life of the process, and no other thread ever gets it.
 *
 * Everything else in the library is single-threaded: a host that calls routines concurrently must
 * not share their tables between threads.
 */
#ifndef TVK_ERROR_H
#define TVK_ERROR_H

#include <stddef.h>

#ifdef __cplusplus
#define TVK_ERROR_API extern "C" __attribute__((visibility("default")))
#else
#define TVK_ERROR_API extern __attribute__((visibility("default")))
#endif

/* Level of the recorded report: 0 when the record holds none. */
TVK_ERROR_API int tvk_error_level(void);

/* Copies the recorded message (at most 80 characters, trailing blanks removed) into buf as a
 * NUL-terminated string, cut to n - 1 characters; writes nothing when buf is null or n is 0.
 * Returns the full length of the message, so a return value >= n means it was cut. With no
 * report recorded the message is empty (returns 0). */
TVK_ERROR_API size_t tvk_error_message(char* buf, size_t n);

/* Clears the record (as rsxerr with its flag true): the next report is recorded again. */
TVK_ERROR_API void tvk_error_clear(void);

#endif /* TVK_ERROR_H */
