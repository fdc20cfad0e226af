#include "host.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace tvk::host {

namespace {

constinit std::atomic<void (*)()> before_stop{nullptr};
constinit std::atomic<bool> stopping{false};

}  // namespace

void install(const Hooks& hooks) { before_stop.store(hooks.before_stop, std::memory_order_release); }

[[noreturn]] void stop(std::string_view text, int status, Stream stream) {
    // The hook comes first: a host lock it takes (the Python interpreter lock) already orders
    // threads that stop together. Two threads must still not run exit() together: the later
    // one sleeps until the process ends.
    if (auto hook = before_stop.load(std::memory_order_acquire)) hook();
    if (stopping.exchange(true)) {
        for (;;) pause();
    }
    // What the library wrote before (report lines) precedes the text.
    std::fflush(stdout);
    std::FILE* f = stream == Stream::err ? stderr : stdout;
    if (!text.empty()) std::fwrite(text.data(), 1, text.size(), f);
    std::fflush(f);
    std::exit(status);
}

[[noreturn]] void abort_callback() { throw CallbackAbort{}; }

}  // namespace tvk::host
