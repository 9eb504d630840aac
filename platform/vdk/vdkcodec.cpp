#include "vdkcodec.h"

#include "vdkmedia.h"

// rem's umbrella header and spandsp's both declare a Goertzel filter: only the
// parts needed here are included.
// clang-format off
extern "C" {
#include <re_types.h>
#include <re_fmt.h>
#include <rem_fir.h>
#include <rem_auresamp.h>
}
// clang-format on

#include <spandsp.h>

#include <algorithm>

namespace VDK
{

using namespace PayloadType;

namespace
{
class G711 : public Codec
{
    int m_pt;

public:
    explicit G711(int pt) : m_pt(pt) {}
    int encode(const int16_t *pcm, uint8_t *out) override
    {
        encodeG711(m_pt, pcm, kFrameSamples, out);
        return kFrameSamples;
    }
    void decode(const uint8_t *in, size_t n, int16_t *pcm) override
    {
        const int k = int(std::min<size_t>(n, kFrameSamples));
        decodeG711(m_pt, in, k, pcm);
        std::fill(pcm + k, pcm + kFrameSamples, int16_t(0));
    }
};

class Gsm : public Codec
{
    gsm0610_state_t *m_enc = gsm0610_init(nullptr, GSM0610_PACKING_VOIP);
    gsm0610_state_t *m_dec = gsm0610_init(nullptr, GSM0610_PACKING_VOIP);

public:
    ~Gsm() override
    {
        gsm0610_free(m_enc);
        gsm0610_free(m_dec);
    }
    int encode(const int16_t *pcm, uint8_t *out) override { return gsm0610_encode(m_enc, out, pcm, kFrameSamples); }
    void decode(const uint8_t *in, size_t n, int16_t *pcm) override
    {
        std::fill(pcm, pcm + kFrameSamples, int16_t(0));
        if (n == 33)
            gsm0610_decode(m_dec, pcm, in, int(n));
    }
};

class G726 : public Codec
{
    g726_state_t *m_enc = g726_init(nullptr, 32000, G726_ENCODING_LINEAR, G726_PACKING_RIGHT);
    g726_state_t *m_dec = g726_init(nullptr, 32000, G726_ENCODING_LINEAR, G726_PACKING_RIGHT);

public:
    ~G726() override
    {
        g726_free(m_enc);
        g726_free(m_dec);
    }
    int encode(const int16_t *pcm, uint8_t *out) override { return g726_encode(m_enc, out, pcm, kFrameSamples); }
    void decode(const uint8_t *in, size_t n, int16_t *pcm) override
    {
        std::fill(pcm, pcm + kFrameSamples, int16_t(0));
        if (n <= size_t(kFrameSamples / 2))
            g726_decode(m_dec, pcm, in, int(n));
    }
};

// G.722 samples at 16 kHz: the 8 kHz frames are resampled both ways.
class G722 : public Codec
{
    g722_encode_state_t *m_enc = g722_encode_init(nullptr, 64000, 0);
    g722_decode_state_t *m_dec = g722_decode_init(nullptr, 64000, 0);
    struct auresamp m_up, m_down;

public:
    G722()
    {
        auresamp_init(&m_up);
        auresamp_init(&m_down);
        auresamp_setup(&m_up, 8000, 1, 16000, 1);
        auresamp_setup(&m_down, 16000, 1, 8000, 1);
    }
    ~G722() override
    {
        g722_encode_free(m_enc);
        g722_decode_free(m_dec);
    }
    int encode(const int16_t *pcm, uint8_t *out) override
    {
        int16_t wide[2 * kFrameSamples];
        size_t n = 2 * kFrameSamples;
        if (auresamp(&m_up, wide, &n, pcm, kFrameSamples) != 0)
            return 0;
        return g722_encode(m_enc, out, wide, int(n));
    }
    void decode(const uint8_t *in, size_t n, int16_t *pcm) override
    {
        std::fill(pcm, pcm + kFrameSamples, int16_t(0));
        if (n > size_t(kFrameSamples))
            return;
        int16_t wide[2 * kFrameSamples];
        const int got = g722_decode(m_dec, wide, in, int(n));
        if (got <= 0)
            return;
        // The resampler wants room for as many samples as it is given.
        int16_t narrow[2 * kFrameSamples];
        size_t outc = 2 * kFrameSamples;
        if (auresamp(&m_down, narrow, &outc, wide, size_t(got)) == 0)
            std::copy(narrow, narrow + std::min<size_t>(outc, kFrameSamples), pcm);
    }
};
} // namespace

Codec *Codec::make(int pt, const char *name)
{
    if (pt == kPcmu || pt == kPcma)
        return new G711(pt);
    if (pt == kGsm)
        return new Gsm;
    if (pt == kG722)
        return new G722;
    if (name && str_casecmp(name, "G726-32") == 0)
        return new G726;
    return nullptr;
}

bool isKnownCodec(const std::string &name)
{
    return name == "PCMA" || name == "PCMU" || name == "GSM" || name == "G726" || name == "G722" || name == "G7221";
}

} // namespace VDK
