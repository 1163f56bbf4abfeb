// Built into every executable of a sanitizer build (NubexaOptions.cmake).
//
// The sanitizer runtimes of GCC up to 13 and LLVM up to 16 guess whether a dynamic TLS block
// (the thread-locals of a library loaded with dlopen, such as Qt's platform plugins) starts with
// a header of glibc before 2.25 from its address alone. A block that lands on that offset by
// chance is then read as an address and a length that are not, and LeakSanitizer's
// stop-the-world tracer dies of SIGSEGV at exit ("Tracer caught signal 11"): a test that passed
// fails about one run in three. Without the __tls_get_addr interceptor the tracer keeps to the
// static TLS and the stacks, which is where this program keeps what it owns.
// ASAN_OPTIONS from the environment still override these defaults.
extern "C" const char* __asan_default_options() {  // NOLINT: the runtime's name
    return "intercept_tls_get_addr=0";
}

// fontconfig keeps what it reads of the font set for the life of the process, and a thread that
// used it (a worker that measured a message) leaves its part unreferenced when it ends.
extern "C" const char* __lsan_default_suppressions() {  // NOLINT: the runtime's name
    // GLib (under GStreamer, Qt Multimedia's back end) keeps its type system and a thread pool's
    // blocks for the life of the process; libpulse leaks its context when no sound server
    // answers (a machine without sound, the tests').
    return "leak:libfontconfig.so\n"
           "leak:g_malloc\n"
           "leak:pa_xmalloc0\n";
}
