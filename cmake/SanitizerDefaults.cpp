// The sanitizer settings of every program of the sanitizer build; options
// given in the environment still take precedence.
//
// LeakSanitizer does not scan thread-local storage (use_tls=0): walking the
// thread-local blocks of libraries that Qt loads at run time (platform,
// multimedia and GL plugins and what they pull in) crashes its tracer with
// some glibc and library builds. The program keeps nothing in thread-local
// storage, so no leak of ours hides there; what glib keeps only there is
// reported as a leak without the scan, and is suppressed by library. So is
// what the PulseAudio client library keeps after a failed connection when
// the sound module plays a cue on a machine without a sound server.

extern "C" {

const char* __lsan_default_options() {
    return "use_tls=0:print_suppressions=0";
}

const char* __lsan_default_suppressions() {
    return "leak:libglib-2.0.so\n"
           "leak:libpulse.so\n";
}

const char* __ubsan_default_options() {
    return "print_stacktrace=1:halt_on_error=1";
}

const char* __asan_default_options() {
    return "detect_leaks=1";
}
}
