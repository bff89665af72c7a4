// Linked into every program and test of an address-sanitizer build, nowhere else.
//
// The one list of leaks the leak checker leaves out of its reports. Each entry is a leak
// wholly inside a system library: memory it keeps for good or loses by itself, which no
// call of ours could free. An entry names the library whose frame stands on the leak's
// stack (the libraries are stripped, so their functions have no names the checker could
// match); each says why it may stand. Leaks in our own code are mended, never listed here.
extern "C" const char* __lsan_default_suppressions()
{
    return
        // fontconfig loses two blocks (256 + 32 bytes) while it parses the system's font
        // configuration, once per process (FcInitLoadConfigAndFonts, reached from Qt's font
        // database and from libmpv's subtitle renderer). We never call fontconfig.
        "leak:libfontconfig.so\n"
        // SDL, one of the sound outputs libmpv tries on its own thread where no sound server
        // runs, loses the blocks of its audio start (about 200 bytes) for each player core.
        // We reach SDL only through libmpv's sound output choice.
        "leak:libSDL2\n";
}
