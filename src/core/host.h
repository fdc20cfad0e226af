// Services of the program that embeds the library (a finite-element solver, a Python interpreter,
// a test driver), and the one way the library ends the process.
//
// The library never ends the process on its own terms except through `stop`: the fatal reports
// of the table interpolation and of the cubic Hermite error handler, the print-and-stop mode of
// `xerr`, an allocation that fails and a machine-constant request out of range all come here.
// `stop` first lets the host write out the output it still buffers (so that what the host
// printed before keeps its place ahead of the library's last words), then writes the text, flushes
// C's standard streams and calls std::exit, as a Fortran STOP does (atexit handlers and static
// destructors run; the host is not shut down).
//
// A call-back the host hands to a routine (tvk::CallbackRef) may fail on the host's side; the
// host then calls `abort_callback`, which unwinds through the routine to the host's own call
// site. Routines that take call-backs therefore hold their resources in RAII objects.
#pragma once

#include <string_view>

#include "tvk.h"

namespace tvk {

// Thrown through a routine by `host::abort_callback`; the host keeps the reason of the failure
// and reports it once the routine has unwound.
struct CallbackAbort {};

namespace host {

struct Hooks {
    // Writes out the host's buffered output before the process ends. Called from whichever
    // thread stops the process (possibly from several at once), with no lock of the host
    // assumed taken; it may keep any lock it takes, since control never returns to the host.
    // Null: nothing to do.
    void (*before_stop)() = nullptr;
};

// Installs the host's hooks (replacing any installed before); a host installs them once, when
// it loads the library.
void install(const Hooks& hooks) TVK_HOST_API("tvk_host_install");

enum class Stream { out, err };

// Ends the process with `status`: the host's hook, then `text` written as given (line ends
// included) on standard output or standard error, C's streams flushed, std::exit. Safe from any
// thread; a second thread that stops while the first one does waits for the end.
[[noreturn]] void stop(std::string_view text, int status, Stream stream = Stream::out);

// Abandons the routine that is calling the host's call-back (throws CallbackAbort).
[[noreturn]] void abort_callback() TVK_HOST_API("tvk_host_abort_callback");

}  // namespace host
}  // namespace tvk
