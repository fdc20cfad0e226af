// Process-wide state: every table, record and hidden value of the library that lives from one
// call to the next, listed in one place (process_state.cpp), with what the start of an analysis
// and its release do to each, so that a second analysis in the same process starts clean.
//
// The list holds one line per piece of state: the symbol that stores it in the library, what it
// is, and its action at analysis start and at release. Storage that never changes after it is
// first set up (formats, constant tables built at first use, query caches) is listed too, as
// kept: the list is the complete inventory of the library's writable data, and a test compares
// it with the library's symbol table, so a new mutable global that is not listed fails the build's
// tests.
//
// analysis_start() and release() are what the analysis-control routine calls at its start (before
// it scans the deck) and at its release; release() includes deallocall, whose own behaviour is
// unchanged.
#pragma once

#include <span>

#include "../core/process_hooks.h"

namespace tvk::process_state {

enum class Action : char {
    keep,      // left as it is
    reset,     // back to its value at library load
    tables,    // model-data module: the tables its list marks `freed` are released (deallocall);
               // scalars, text fields and kept tables stay
    counters,  // model-data module: the counters of the analysis start take their start values
};

struct Entry {
    const char* symbol;  // its storage as the library's symbol table names it; '*' matches any text
    Action start;
    Action release;
    void (*on_start)();    // start action reset or counters
    void (*on_release)();  // release action reset
    bool (*released)();    // release action reset: whether it holds its load value again
    const char* what;
};

// The list, in the order in which release() treats it.
std::span<const Entry> entries();

// Start of an analysis: the start actions of the list (the counters nimp 0, ndmg 0, nsec 1,
// nplies 1, nupdate 1 of the analysis-control start; nothing else is touched, so a start without
// a release before it still finds the tables of the earlier analysis).
void analysis_start();

// Release at the end of an analysis: the release actions of the list, the impactor force window
// first and the model-data tables (deallocall) last.
void release();

// Whether every entry whose release action is `reset` or `tables` holds what release leaves.
bool released();

}  // namespace tvk::process_state
