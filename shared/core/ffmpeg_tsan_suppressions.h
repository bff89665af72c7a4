#pragma once
// FFmpeg's decoder threads hand frames over through atomics inside the libraries,
// which a thread-sanitizer build cannot see (they are not instrumented). Each
// program that decodes with FFmpeg, directly or through mpv, puts these lines into
// its __tsan_default_suppressions, so that the reports keep to our own code.
#define KESTRALINE_FFMPEG_TSAN_SUPPRESSIONS \
    "called_from_lib:libavcodec.so\n"      \
    "called_from_lib:libavformat.so\n"     \
    "called_from_lib:libavutil.so\n"       \
    "called_from_lib:libswscale.so\n"      \
    "race:libavcodec.so\n"                 \
    "race:libavutil.so\n"
