#include "vdkmedia.h"

#include <re.h>
#include <rem.h>

#include "vdkcodec.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <netinet/in.h>

namespace VDK
{

using namespace PayloadType;

namespace
{
constexpr size_t kMaxPayload = 1500;

uint64_t nowMs()
{
    return tmr_jiffies();
}

bool isAudioFormat(const sdp_format *f)
{
    return f->pt == kPcmu || f->pt == kPcma || f->pt == kGsm || f->pt == kG722 ||
           (f->name && str_casecmp(f->name, "G726-32") == 0);
}

const sdp_format *firstCommon(const sdp_media *m)
{
    // Our formats in our order; the first one the far end also offered.
    const list *lst = sdp_media_format_lst(m, true);
    for (le *e = list_head(lst); e; e = e->next) {
        const auto *f = static_cast<const sdp_format *>(e->data);
        if (f->sup && isAudioFormat(f))
            return f;
    }
    return nullptr;
}
} // namespace

void encodeG711(int pt, const int16_t *pcm, int n, uint8_t *out)
{
    for (int i = 0; i < n; ++i)
        out[i] = pt == kPcma ? g711_pcm2alaw(pcm[i]) : g711_pcm2ulaw(pcm[i]);
}

void decodeG711(int pt, const uint8_t *in, int n, int16_t *pcm)
{
    for (int i = 0; i < n; ++i)
        pcm[i] = pt == kPcma ? g711_alaw2pcm(in[i]) : g711_ulaw2pcm(in[i]);
}

double tonePower(const int16_t *pcm, size_t n, double freq)
{
    if (n == 0)
        return 0.0;
    goertzel g;
    goertzel_init(&g, freq, kSampleRate);
    double total = 0.0;
    for (size_t i = 0; i < n; ++i) {
        goertzel_update(&g, pcm[i]);
        total += double(pcm[i]) * double(pcm[i]);
    }
    if (total <= 0.0)
        return 0.0;
    // goertzel_result() gives |X(f)|^2; a pure sine of n samples gives
    // (n/2)^2 * A^2 against a total power of n * A^2 / 2.
    const double bin = goertzel_result(&g);
    return std::min(1.0, (2.0 * bin / double(n)) / total);
}

MediaStream::MediaStream() = default;

MediaStream::~MediaStream()
{
    delete m_codec;
    mem_deref(m_telev);
    mem_deref(m_jb);
    mem_deref(m_sdp); // owns m_media
    mem_deref(m_rtp);
}

int MediaStream::open(const sa &localIp, const std::vector<std::string> &codecs, int jbMinFrames, int jbMaxFrames)
{
    int err = rtp_listen(&m_rtp, IPPROTO_UDP, &localIp, 10000, 60000, true, &MediaStream::rtpRecv, nullptr, this);
    if (err)
        return err;
    sa laddr = localIp;
    err = sdp_session_alloc(&m_sdp, &laddr);
    if (!err)
        err = sdp_media_add(&m_media, m_sdp, "audio", sa_port(rtp_local(m_rtp)), "RTP/AVP");
    if (err)
        return err;
    std::vector<std::string> added;
    for (const std::string &c : codecs) {
        const std::string name = c == "G7221" ? "G722" : c;
        if (std::find(added.begin(), added.end(), name) != added.end())
            continue;
        added.push_back(name);
        if (name == "PCMU")
            err = sdp_format_add(nullptr, m_media, false, "0", "PCMU", kSampleRate, 1, nullptr, nullptr, nullptr, false,
                                 nullptr);
        else if (name == "PCMA")
            err = sdp_format_add(nullptr, m_media, false, "8", "PCMA", kSampleRate, 1, nullptr, nullptr, nullptr, false,
                                 nullptr);
        else if (name == "GSM")
            err = sdp_format_add(nullptr, m_media, false, "3", "GSM", kSampleRate, 1, nullptr, nullptr, nullptr, false,
                                 nullptr);
        else if (name == "G722")
            err = sdp_format_add(nullptr, m_media, false, "9", "G722", kSampleRate, 1, nullptr, nullptr, nullptr, false,
                                 nullptr);
        else if (name == "G726")
            err = sdp_format_add(nullptr, m_media, false, "102", "G726-32", kSampleRate, 1, nullptr, nullptr, nullptr,
                                 false, nullptr);
        if (err)
            return err;
    }
    err = sdp_format_add(nullptr, m_media, false, "101", "telephone-event", kSampleRate, 1, nullptr, nullptr, nullptr,
                         false, "0-15");
    if (!err)
        err = jbuf_alloc(&m_jb, uint32_t(std::max(1, jbMinFrames)), uint32_t(std::max(jbMinFrames + 1, jbMaxFrames)));
    if (!err)
        err = telev_alloc(&m_telev, 20);
    m_ts = rand_u32();
    return err;
}

int MediaStream::encodeOffer(mbuf **mb)
{
    return sdp_encode(mb, m_sdp, true);
}

void MediaStream::pickFormat()
{
    const sdp_format *f = firstCommon(m_media);
    // The payload type we send is the far end's number for the format.
    const sdp_format *rf = f ? sdp_media_rformat(m_media, f->name) : nullptr;
    const int pt = rf && f->pt >= 96 ? rf->pt : (f ? f->pt : -1);
    if (pt != m_pt || !m_codec) {
        delete m_codec;
        m_codec = f ? Codec::make(f->pt, f->name) : nullptr;
    }
    m_pt = m_codec ? pt : -1;
    const sdp_format *te = sdp_media_rformat(m_media, "telephone-event");
    m_televPt = te ? te->pt : -1;
}

int MediaStream::decodeAnswer(mbuf *mb)
{
    int err = sdp_decode(m_sdp, mb, false);
    if (err)
        return err;
    pickFormat();
    return m_pt < 0 ? EPROTO : 0;
}

int MediaStream::decodeOffer(mbuf *mb)
{
    int err = sdp_decode(m_sdp, mb, true);
    if (err)
        return err;
    pickFormat();
    return m_pt < 0 ? EPROTO : 0;
}

int MediaStream::remoteAudioProblem(const char **text) const
{
    auto problem = [text](int code, const char *why) {
        if (text)
            *text = why;
        return code;
    };
    if (!m_media || m_pt < 0)
        return problem(305, "Incompatible media format");
    if (sdp_media_rport(m_media) == 0)
        return problem(304, "Media type not available");
    const sa *addr = sdp_media_raddr(m_media);
    if (sa_af(addr) == AF_INET6)
        return problem(300, "Incompatible network protocol");
    // Without a connection line the stack leaves 0.0.0.0, as for a hold.
    if (sa_af(addr) != AF_INET || !sa_isset(addr, SA_ADDR))
        return problem(301, "No connection address");
    if (IN_MULTICAST(sa_in(addr)))
        return problem(301, "Multicast not supported");
    return 0;
}

int MediaStream::encodeAnswer(mbuf **mb)
{
    return sdp_encode(mb, m_sdp, false);
}

void MediaStream::setLocalDirection(int sdpDir)
{
    sdp_media_set_ldir(m_media, sdp_dir(sdpDir));
}

int MediaStream::localDirection() const
{
    return sdp_media_ldir(m_media);
}

int MediaStream::negotiatedDirection() const
{
    return sdp_media_dir(m_media);
}

void MediaStream::setTos(int tos)
{
    if (!m_rtp || tos <= 0 || tos > 255)
        return;
    udp_setsockopt(static_cast<udp_sock *>(rtp_sock(m_rtp)), IPPROTO_IP, IP_TOS, &tos, sizeof tos);
}

uint16_t MediaStream::localPort() const
{
    return m_rtp ? sa_port(rtp_local(m_rtp)) : 0;
}

std::string MediaStream::codecName() const
{
    switch (m_pt) {
    case kPcma:
        return "PCMA";
    case kPcmu:
        return "PCMU";
    case kGsm:
        return "GSM";
    case kG722:
        return "G722";
    default:
        return m_pt >= 96 ? "G726" : std::string();
    }
}

void MediaStream::sendFrame(const int16_t *pcm)
{
    if (m_pt < 0 || !(negotiatedDirection() & SDP_SENDONLY))
        return;
    const sa *dst = sdp_media_raddr(m_media);
    if (!sa_isset(dst, SA_ALL))
        return;
    mbuf *mb = mbuf_alloc(RTP_HEADER_SIZE + kMaxPayload);
    if (!mb)
        return;
    mb->pos = mb->end = RTP_HEADER_SIZE;
    bool marker = false;
    if (m_televPt >= 0 && telev_poll(m_telev, &marker, mb) == 0 && mb->end > RTP_HEADER_SIZE) {
        if (marker)
            m_eventTs = m_ts;
        mb->pos = RTP_HEADER_SIZE;
        rtp_send(m_rtp, dst, false, marker, uint8_t(m_televPt), m_eventTs, mb);
    } else {
        mb->pos = mb->end = RTP_HEADER_SIZE;
        uint8_t payload[kFrameSamples * 2];
        const int n = m_codec->encode(pcm, payload);
        if (n > 0)
            mbuf_write_mem(mb, payload, size_t(n));
        mb->pos = RTP_HEADER_SIZE;
        rtp_send(m_rtp, dst, false, false, uint8_t(m_pt), m_ts, mb);
    }
    ++m_stats.sent;
    m_ts += kFrameSamples;
    mem_deref(mb);
}

bool MediaStream::receiveFrame(int16_t *pcm)
{
    rtp_header hdr;
    void *mem = nullptr;
    const int err = jbuf_get(m_jb, &hdr, &mem);
    if ((err && err != EAGAIN) || !mem) {
        std::memset(pcm, 0, kFrameSamples * sizeof(int16_t));
        ++m_stats.underruns;
        return false;
    }
    auto *mb = static_cast<mbuf *>(mem);
    if (m_codec && hdr.pt == m_pt)
        m_codec->decode(mbuf_buf(mb), mbuf_get_left(mb), pcm);
    else
        std::memset(pcm, 0, kFrameSamples * sizeof(int16_t));
    mem_deref(mb);
    return true;
}

bool MediaStream::startEvent(char digit)
{
    const int code = telev_digit2code(digit);
    if (code < 0 || m_televPt < 0)
        return false;
    m_eventActive = true;
    return telev_send(m_telev, code, false) == 0;
}

void MediaStream::endEvent()
{
    if (!m_eventActive)
        return;
    m_eventActive = false;
    telev_send(m_telev, 0, true);
}

void MediaStream::rtpRecv(const sa *src, const rtp_header *hdr, mbuf *mb, void *arg)
{
    static_cast<MediaStream *>(arg)->onRtp(src, hdr, mb);
}

void MediaStream::onRtp(const sa *src, const rtp_header *hdr, mbuf *mb)
{
    // Only the far end that the SDP names may send to us.
    const sa *peer = sdp_media_raddr(m_media);
    if (!peer || !sa_isset(peer, SA_ALL) || !sa_cmp(src, peer, SA_ALL) || m_pt < 0) {
        ++m_stats.dropped;
        return;
    }
    if (!(negotiatedDirection() & SDP_RECVONLY)) {
        ++m_stats.dropped;
        return;
    }
    if (hdr->pt == m_televPt && m_televPt >= 0) {
        int event = 0;
        bool end = false;
        if (telev_recv(m_telev, mb, &event, &end) == 0 && end && onDigit) {
            const int d = telev_code2digit(event);
            if (d > 0)
                onDigit(char(d));
        }
        m_lastRxMs = nowMs();
        return;
    }
    if (hdr->pt != m_pt) {
        ++m_stats.dropped;
        return;
    }
    const size_t n = mbuf_get_left(mb);
    if (n == 0 || n > kMaxPayload) {
        ++m_stats.dropped;
        return;
    }
    // Loss = packets expected from the sequence numbers minus packets
    // received; a reordered packet is late, not lost.
    if (!m_haveSeq) {
        m_haveSeq = true;
        m_baseSeq = hdr->seq;
        m_maxExtSeq = hdr->seq;
    } else {
        const int16_t delta = int16_t(hdr->seq - uint16_t(m_maxExtSeq));
        if (delta > 0)
            m_maxExtSeq += uint32_t(delta);
    }
    ++m_audioRx;
    const uint64_t expected = uint64_t(m_maxExtSeq - m_baseSeq) + 1;
    m_stats.lost = expected > m_audioRx ? expected - m_audioRx : 0;
    mbuf *copy = mbuf_alloc(n);
    if (!copy)
        return;
    mbuf_write_mem(copy, mbuf_buf(mb), n);
    copy->pos = 0;
    jbuf_put(m_jb, hdr, copy); // takes its own reference
    mem_deref(copy);
    ++m_stats.received;
    m_lastRxMs = nowMs();
}

} // namespace VDK
