// Linked into every program and test of an address-sanitizer build, nowhere else.
//
// The sanitizers read these defaults before anything runs, so a program a test starts (the
// server, the tools) runs with the same options as the test, and a program started by hand
// too; ASAN_OPTIONS, LSAN_OPTIONS and UBSAN_OPTIONS still add to them.
//   - Leaks are looked for when a process ends; one found ends it with a failure status.
//   - Undefined behaviour ends the process at its first report (the build also compiles the
//     checks without recovery), with the stack that led there, so nothing passes silently.
//   - malloc and a nothrow new return null where memory runs out, as the C library does, for
//     the code that handles that; a plain new still ends the process (see the README).
extern "C" {

const char* __asan_default_options()
{
    return "detect_leaks=1:halt_on_error=1:check_initialization_order=1:strict_init_order=1:"
           "detect_stack_use_after_return=1:allocator_may_return_null=1";
}

const char* __lsan_default_options()
{
    return "print_suppressions=0";
}

const char* __ubsan_default_options()
{
    return "halt_on_error=1:print_stacktrace=1";
}

} // extern "C"
