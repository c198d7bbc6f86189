// The sanitizer settings of every program of the sanitizer build; options
// given in the environment still take precedence.
//
// The address sanitizer does not follow __tls_get_addr
// (intercept_tls_get_addr=0). For each thread-local block that the C library
// allocates for a library loaded at run time (Qt's platform, multimedia and
// GL plugins and what they pull in), gcc 12's runtime guesses the block's
// extent from the 16 bytes before it whenever the block starts 16 bytes past
// a page boundary, the layout of older glibc. With today's glibc the block
// is an ordinary heap chunk, so once in a while, depending on the
// machine's allocation pattern, the guess gives a nonsense range and
// LeakSanitizer's tracer crashes walking it at exit. Without the
// interception LeakSanitizer still scans each thread's static thread-local
// storage, and the loaded libraries' blocks are heap chunks reached from it,
// so nothing is reported falsely and no leak hides.

extern "C" {

const char* __asan_default_options() {
    return "detect_leaks=1:intercept_tls_get_addr=0";
}

const char* __ubsan_default_options() {
    return "print_stacktrace=1:halt_on_error=1";
}
}
