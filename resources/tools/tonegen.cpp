// Writes the softphone's tone files: 8 kHz mono 16-bit WAV at the Italian
// telephone tone frequency (425 Hz) and cadences, plus the ring of the ring
// device, the chime of a new chat message and a second of silence.
// Usage: tonegen <output dir>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace
{
constexpr int kRate = 8000;

struct Segment {
    int ms;
    double hz1;
    double hz2; // 0: a single frequency
};

void put16(std::FILE *f, uint16_t v)
{
    std::fputc(v & 0xff, f);
    std::fputc(v >> 8, f);
}

void put32(std::FILE *f, uint32_t v)
{
    put16(f, uint16_t(v & 0xffff));
    put16(f, uint16_t(v >> 16));
}

bool writeWav(const std::string &path, const std::vector<Segment> &cadence)
{
    std::vector<int16_t> pcm;
    for (const Segment &s : cadence) {
        const int n = s.ms * kRate / 1000;
        const int ramp = s.hz1 > 0 ? 40 : 0; // 5 ms fade in and out, no clicks
        for (int i = 0; i < n; ++i) {
            double v = 0.0;
            if (s.hz1 > 0) {
                v = std::sin(2.0 * M_PI * s.hz1 * i / kRate);
                if (s.hz2 > 0)
                    v = 0.5 * (v + std::sin(2.0 * M_PI * s.hz2 * i / kRate));
                double gain = 1.0;
                if (i < ramp)
                    gain = double(i) / ramp;
                else if (n - i < ramp)
                    gain = double(n - i) / ramp;
                v *= 0.35 * gain;
            }
            pcm.push_back(int16_t(std::lround(v * 32767.0)));
        }
    }
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const uint32_t bytes = uint32_t(pcm.size() * 2);
    std::fwrite("RIFF", 1, 4, f);
    put32(f, 36 + bytes);
    std::fwrite("WAVEfmt ", 1, 8, f);
    put32(f, 16);
    put16(f, 1);
    put16(f, 1);
    put32(f, kRate);
    put32(f, kRate * 2);
    put16(f, 2);
    put16(f, 16);
    std::fwrite("data", 1, 4, f);
    put32(f, bytes);
    for (int16_t s : pcm)
        put16(f, uint16_t(s));
    return std::fclose(f) == 0;
}
} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output dir>\n", argv[0]);
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    constexpr double kTone = 425.0;
    bool ok = true;
    // Ring of the ring device: a two-tone ring, 1 s on and 4 s off (looped).
    std::vector<Segment> ring;
    for (int i = 0; i < 20; ++i)
        ring.push_back({50, (i % 2) ? 800.0 : 1000.0, (i % 2) ? 1000.0 : 1250.0});
    ring.push_back({4000, 0, 0});
    ok &= writeWav(dir + "ringing.wav", ring);
    // Ring-back ("tono di chiamata"): 1 s on, 4 s off (looped).
    ok &= writeWav(dir + "remoteRingingTone.wav", {{1000, kTone, 0}, {4000, 0, 0}});
    // Busy ("tono di occupato"): 500 ms on, 500 ms off (looped).
    ok &= writeWav(dir + "busyTone.wav", {{500, kTone, 0}, {500, 0, 0}});
    // Congestion: 200 ms on, 200 ms off, six times, played once.
    std::vector<Segment> congestion;
    for (int i = 0; i < 6; ++i) {
        congestion.push_back({200, kTone, 0});
        congestion.push_back({200, 0, 0});
    }
    ok &= writeWav(dir + "congestionTone.wav", congestion);
    // Call waiting ("avviso di chiamata"): 400 on, 100 off, 250 on, then a pause (looped).
    ok &= writeWav(dir + "callNotice.wav", {{400, kTone, 0}, {100, 0, 0}, {250, kTone, 0}, {4250, 0, 0}});
    // New chat message: a short rising two-note chime, played once.
    ok &= writeWav(dir + "pling.wav", {{90, 1318.5, 0}, {20, 0, 0}, {180, 1760.0, 0}, {60, 0, 0}});
    // Silence fed into a line during early media.
    ok &= writeWav(dir + "silence.wav", {{1000, 0, 0}});
    if (!ok) {
        std::fprintf(stderr, "tonegen: cannot write to %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
