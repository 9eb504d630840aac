// Audio codecs of the RTP stream: G.711 (rem), GSM 06.10, G.726-32 and
// G.722 (spandsp), each for 20 ms frames of 8 kHz mono audio.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace VDK
{

// The static RTP payload types of the codecs.
namespace PayloadType
{
constexpr int kPcmu = 0;
constexpr int kGsm = 3;
constexpr int kPcma = 8;
constexpr int kG722 = 9;
} // namespace PayloadType

class Codec
{
public:
    virtual ~Codec() = default;
    // One frame of 160 samples; returns the payload bytes written (at most 320).
    virtual int encode(const int16_t *pcm, uint8_t *out) = 0;
    // One payload into 160 samples (silence when it is malformed).
    virtual void decode(const uint8_t *in, size_t n, int16_t *pcm) = 0;
    // The codec of a payload type (static) or an SDP format name; null when none.
    static Codec *make(int pt, const char *name);
};

} // namespace VDK
