#pragma once
#include <cstdint>

// Counts what video decoders report about damaged data through FFmpeg's log:
// errors of any codec context (the decoder, its frame threads and the demuxer's
// parser) and the notes of error concealment. Warnings are left out: clean
// files give some (a decoder lowering its thread count, for one). Frame-threaded
// decoding of damaged data is not repeatable, so the tools watch this count to
// know when to decode again on one thread. Installing the watch keeps FFmpeg's
// own printing as it was.
void watchDecoderComplaints();
std::uint64_t decoderComplaints();
