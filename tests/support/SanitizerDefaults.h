#pragma once

// Sanitizer settings built into each test program, so that they hold however the program is
// started (CTest splits a list-valued ENVIRONMENT property of discovered tests, and only the
// first variable would arrive). An environment variable of the same name still overrides.
// Include from exactly one file per program: its main.

extern "C" const char* __asan_default_options() {
    return "detect_leaks=1:detect_odr_violation=0";
}

extern "C" const char* __lsan_default_options() {
    return "suppressions=" TOLLIVANCE_SOURCE_DIR "/tests/lsan.supp:print_suppressions=0";
}

extern "C" const char* __ubsan_default_options() {
    return "print_stacktrace=1:halt_on_error=1";
}
