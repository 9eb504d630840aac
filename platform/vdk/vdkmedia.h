// One RTP audio stream of a call: the SDP media description (offer and
// answer), the RTP socket, G.711 coding, the jitter buffer and RFC 4733
// telephone events. Lives on the re loop thread; the owner drives it every
// 20 ms with sendFrame()/receiveFrame().
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct sa;
struct mbuf;
struct rtp_sock;
struct rtp_header;
struct sdp_session;
struct sdp_media;
struct jbuf;
struct telev;

namespace VDK
{
class Codec;
}

namespace VDK
{

constexpr int kSampleRate = 8000;
constexpr int kFrameSamples = 160; // 20 ms

struct MediaStats {
    uint64_t sent = 0;
    uint64_t received = 0;
    uint64_t dropped = 0;   // from a wrong address, unknown payload, malformed
    uint64_t lost = 0;      // sequence gaps
    uint64_t underruns = 0; // frames the jitter buffer could not give
};

class MediaStream
{
public:
    MediaStream();
    ~MediaStream();
    MediaStream(const MediaStream &) = delete;
    MediaStream &operator=(const MediaStream &) = delete;

    // Opens the RTP socket on `localIp` and builds the local SDP with the
    // codecs in order and telephone-event. Codec names: "PCMA", "PCMU",
    // "GSM", "G726" (G726-32), "G722" (also "G7221", the PBX's "g722");
    // unknown names are skipped. Returns 0 or an errno value.
    int open(const sa &localIp, const std::vector<std::string> &codecs, int jbMinFrames, int jbMaxFrames);

    // SDP: our offer, the far end's answer to it, their offer and our answer.
    int encodeOffer(mbuf **mb);
    // Returns 0, or EPROTO when no codec is common.
    int decodeAnswer(mbuf *mb);
    int decodeOffer(mbuf *mb);
    int encodeAnswer(mbuf **mb);
    // Local direction for the next offer (hold: sendonly or inactive).
    void setLocalDirection(int sdpDir);
    int localDirection() const;
    int negotiatedDirection() const; // as enum sdp_dir
    bool ready() const { return m_pt >= 0; }
    // After a first offer or answer: why the far end's audio cannot be used
    // (no common codec, a refused stream, no connection address or 0.0.0.0,
    // IPv6 or multicast, which this engine does not support) as a SIP
    // warning code (3xx) and its text; 0 when it can.
    int remoteAudioProblem(const char **text) const;
    std::string codecName() const;

    // Sends one frame of 160 samples (16-bit, 8 kHz) unless the direction
    // forbids it; a telephone event in progress goes out instead of audio.
    void sendFrame(const int16_t *pcm);
    // One frame out of the jitter buffer; false (and silence) when none.
    bool receiveFrame(int16_t *pcm);

    // RFC 4733: starts and ends an event for a digit (0-9, *, #, A-D).
    bool startEvent(char digit);
    void endEvent();

    // Called with each digit received as a telephone event (once, at its end).
    std::function<void(char)> onDigit;

    uint16_t localPort() const;
    // IP type of service of the RTP packets (0-255).
    void setTos(int tos);
    uint64_t lastReceiveMs() const { return m_lastRxMs; }
    const MediaStats &stats() const { return m_stats; }

private:
    static void rtpRecv(const sa *src, const rtp_header *hdr, mbuf *mb, void *arg);
    void onRtp(const sa *src, const rtp_header *hdr, mbuf *mb);
    void pickFormat();

    rtp_sock *m_rtp = nullptr;
    sdp_session *m_sdp = nullptr;
    sdp_media *m_media = nullptr;
    jbuf *m_jb = nullptr;
    telev *m_telev = nullptr;
    int m_pt = -1; // chosen payload type, -1 none
    Codec *m_codec = nullptr;
    int m_televPt = -1;
    uint32_t m_ts = 0;
    uint32_t m_eventTs = 0;
    bool m_eventActive = false;
    bool m_haveSeq = false;
    uint32_t m_baseSeq = 0;
    uint32_t m_maxExtSeq = 0; // highest sequence number, extended past wrap-arounds
    uint64_t m_audioRx = 0;
    uint64_t m_lastRxMs = 0;
    MediaStats m_stats;
};

// Names the stream understands, in the engine's spelling.
bool isKnownCodec(const std::string &name);

// G.711 helpers over a whole frame.
void encodeG711(int pt, const int16_t *pcm, int n, uint8_t *out);
void decodeG711(int pt, const uint8_t *in, int n, int16_t *pcm);

// Relative power of `freq` in the samples (0..1 of the total signal power),
// by the Goertzel filter.
double tonePower(const int16_t *pcm, size_t n, double freq);

} // namespace VDK
