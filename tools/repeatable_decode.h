#pragma once
#include "video_input.h"

// Where decoding begins: at the start of the file, or at the key packet the
// input's skipToKeyPacket stopped at.
enum class DecodeStart { FileStart, KeyPacket };

// Decodes the frames of `input` from `start` to the end (or until the handler
// stops) so that every frame depends on the file alone: the same on every run and
// at any number of cores, damaged data included, and the same whether decoding
// began at the start of the file or at a key frame on the way.
//
// Frame threads do the work while the decoder meets no trouble. A group of
// pictures (from one key frame to the next) in which it meets trouble is decoded
// again by a fresh decoder on one thread from its key frame; at the next key
// frame that a fresh decoder begins with, a fresh frame-threaded decoder takes
// over again. Every frame handed to `handler` is final.
//
// From a key packet, frames are handed over from its key frame on; false, with
// nothing handed over, when a fresh decoder does not begin with that key frame.
// Throws MediaError.
bool decodeRepeatably(VideoInput& input, DecodeStart start, const FrameDecoder::FrameHandler& handler);
