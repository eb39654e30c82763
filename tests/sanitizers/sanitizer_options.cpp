// Run-time options of the sanitizer build, compiled into every test program so
// that ctest, a debugger and a plain run all check the same way. Programs that
// the tests start (pagegleaner-cli) run with the sanitizers' defaults, which
// are as strict. Undefined behaviour stops the program (-fno-sanitize-recover).

extern "C" {

const char* __asan_default_options() {
#ifdef PG_SANITIZE_GUI
    // Qt WebEngine's Chromium deletes objects through a base type of another
    // size in its own teardown (WebContentsAdapter). In our code the same fault
    // is caught at compile time by -Wdelete-non-virtual-dtor (-Wall) and
    // -Wnon-virtual-dtor.
    return "detect_leaks=1:new_delete_type_mismatch=0";
#else
    return "detect_leaks=1";
#endif
}

const char* __ubsan_default_options() {
    return "print_stacktrace=1";
}

const char* __lsan_default_options() {
    return "suppressions=" PG_LSAN_SUPPRESSIONS;
}
}
