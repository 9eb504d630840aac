#include "pbxsimsip.h"

#include "vdkmedia.h"
#include "vdkreloop.h"

#include <re.h>
#include <rem.h>

#include <openssl/pem.h>
#include <openssl/ssl.h>

#include <QFile>
#include <QMetaObject>
#include <QPointer>
#include <QRegularExpression>
#include <QUrl>

#include <atomic>

#include <cmath>
#include <cstring>
#include <map>
#include <vector>

namespace
{
constexpr const char *kRealm = "velorapbx";
constexpr size_t kRxKeep = VDK::kSampleRate * 5; // five seconds of what arrived

QString plText(const pl &p)
{
    return QString::fromUtf8(p.p, int(p.l));
}

struct SipLeg {
    PbxSipServerPrivate *d = nullptr;
    int token = 0;
    QString exten;
    bool fromPhone = false; // the softphone placed the call
    bool answered = false;
    bool early = false;
    bool closed = false;     // dropped: handlers ignore it until it is freed
    bool redirected = false; // answered 3xx: already reported, dropped on the next tick
    sipsess *sess = nullptr;
    sipnot *notify = nullptr;
    VDK::MediaStream *media = nullptr;
    std::vector<int16_t> rx;
    QString digits;
    std::string callId;
    double phase = 0.0;
    aufile *file = nullptr;
};

struct Binding {
    std::string contact; // the contact URI
    uint64_t expiresAt = 0;
};
} // namespace

class PbxSipServerPrivate
{
public:
    QPointer<QObject> context;
    PbxSipServer::Events events;
    VDK::ReLoop loop;

    mutable QMutex mutex;                          // accounts, bindings (read from the simulator's thread)
    QMap<QString, PbxSipServer::Account> accounts; // by SIP user
    QMap<QString, Binding> bindings;               // by extension
    QMap<QString, int> registerRequests;           // REGISTERs received, by extension
    quint16 udpPort = 0, tlsPortNo = 0;

    // loop thread
    dnsc *dns = nullptr;
    sip *sipStack = nullptr;
    tls *tlsCtx = nullptr;
    sip_lsnr *lsnr = nullptr;
    sipsess_sock *sessSock = nullptr;
    sipevent_sock *eventSock = nullptr;
    sa localIp;
    std::string nonce;
    std::map<int, SipLeg *> legs;
    std::atomic<int> nextToken{1};
    tmr tick;
    uint64_t nextTickMs = 0;
    int toneHz = 1000;
    std::vector<std::string> codecs{"PCMA", "PCMU"};
    std::string playFile;
    std::vector<void *> garbage;
    std::vector<SipLeg *> deadLegs;

    template <typename F> void toSim(F fn)
    {
        if (context)
            QMetaObject::invokeMethod(context, std::move(fn), Qt::QueuedConnection);
    }

    bool checkAuth(const sip_msg *msg, bool proxy, PbxSipServer::Account *who);
    void challenge(const sip_msg *msg, bool proxy);
    SipLeg *leg(int token) const
    {
        auto it = legs.find(token);
        return it == legs.end() ? nullptr : it->second;
    }
    void dropLeg(SipLeg *l);
    void watchDigits(SipLeg *l);
    void onTick();
    void fillFrame(SipLeg *l, int16_t *pcm);

    static bool requestHandler(const sip_msg *msg, void *arg);
    static void connHandler(const sip_msg *msg, void *arg);
    static int offerHandler(mbuf **descp, const sip_msg *msg, void *arg);
    static int answerHandler(const sip_msg *msg, void *arg);
    static void progressHandler(const sip_msg *msg, void *arg);
    static void establishedHandler(const sip_msg *msg, void *arg);
    static void infoHandler(struct sip *sip, const sip_msg *msg, void *arg);
    static void referHandler(struct sip *sip, const sip_msg *msg, void *arg);
    static void closeHandler(int err, const sip_msg *msg, void *arg);
    static void notifyClose(int err, const sip_msg *msg, void *arg);
    static void tickHandler(void *arg);
    static void traceHandler(bool tx, enum sip_transp tp, const sa *src, const sa *dst, const uint8_t *pkt, size_t len,
                             void *arg);
};

// The stack follows a 3xx answer to our INVITE by itself; the PBX instead
// treats it as the phone's forward, so it watches for it here and ends the
// leg before the stack goes on.
void PbxSipServerPrivate::traceHandler(bool tx, enum sip_transp tp, const sa *src, const sa *dst, const uint8_t *pkt,
                                       size_t len, void *arg)
{
    (void)tp;
    (void)src;
    (void)dst;
    auto *d = static_cast<PbxSipServerPrivate *>(arg);
    if (tx || len < 12 || len > 65535 || std::memcmp(pkt, "SIP/2.0 3", 9) != 0)
        return;
    mbuf *mb = mbuf_alloc(len);
    if (!mb)
        return;
    mbuf_write_mem(mb, pkt, len);
    mb->pos = 0;
    sip_msg *msg = nullptr;
    if (sip_msg_decode(&msg, mb) == 0 && pl_strcmp(&msg->cseq.met, "INVITE") == 0) {
        const std::string callId(msg->callid.p, msg->callid.l);
        for (auto &[token, l] : d->legs) {
            if (l->fromPhone || l->answered || l->redirected || l->callId != callId)
                continue;
            QString contact;
            if (const sip_hdr *ch = sip_msg_hdr(msg, SIP_HDR_CONTACT)) {
                sip_addr a;
                if (sip_addr_decode(&a, &ch->val) == 0)
                    contact = plText(a.uri.user);
            }
            l->redirected = true;
            const int tok = token;
            const int code = msg->scode;
            d->toSim([d, tok, code, contact] {
                if (d->events.rejected)
                    d->events.rejected(tok, code, contact);
            });
            break;
        }
    }
    mem_deref(msg);
    mem_deref(mb);
}

bool PbxSipServerPrivate::checkAuth(const sip_msg *msg, bool proxy, PbxSipServer::Account *who)
{
    const sip_hdr *hdr = sip_msg_hdr(msg, proxy ? SIP_HDR_PROXY_AUTHORIZATION : SIP_HDR_AUTHORIZATION);
    if (!hdr)
        return false;
    httpauth_digest_resp resp;
    if (httpauth_digest_response_decode(&resp, &hdr->val) != 0)
        return false;
    if (pl_strcmp(&resp.realm, kRealm) != 0 || pl_strcmp(&resp.nonce, nonce.c_str()) != 0)
        return false;
    PbxSipServer::Account acc;
    {
        QMutexLocker lock(&mutex);
        const QString user = plText(resp.username);
        if (!accounts.contains(user))
            return false;
        acc = accounts.value(user);
    }
    uint8_t ha1[MD5_SIZE];
    const QByteArray pass = acc.password.toUtf8();
    if (md5_printf(ha1, "%r:%s:%s", &resp.username, kRealm, pass.constData()) != 0)
        return false;
    if (httpauth_digest_response_auth(&resp, &msg->met, ha1) != 0)
        return false;
    if (who)
        *who = acc;
    return true;
}

void PbxSipServerPrivate::challenge(const sip_msg *msg, bool proxy)
{
    sip_replyf(sipStack, msg, proxy ? 407 : 401, proxy ? "Proxy Authentication Required" : "Unauthorized",
               "%s: Digest realm=\"%s\", nonce=\"%s\", algorithm=MD5\r\nContent-Length: 0\r\n\r\n",
               proxy ? "Proxy-Authenticate" : "WWW-Authenticate", kRealm, nonce.c_str());
}

bool PbxSipServerPrivate::requestHandler(const sip_msg *msg, void *arg)
{
    auto *d = static_cast<PbxSipServerPrivate *>(arg);
    if (pl_strcmp(&msg->met, "OPTIONS") == 0) {
        sip_reply(d->sipStack, msg, 200, "OK");
        return true;
    }
    if (pl_strcmp(&msg->met, "REGISTER") != 0)
        return false;
    {
        // Counted by the account the To address names, answered or not.
        QMutexLocker lock(&d->mutex);
        const QString user = plText(msg->to.uri.user);
        if (d->accounts.contains(user))
            ++d->registerRequests[d->accounts.value(user).exten];
    }
    PbxSipServer::Account acc;
    if (!d->checkAuth(msg, false, &acc)) {
        d->challenge(msg, false);
        return true;
    }
    const sip_hdr *ch = sip_msg_hdr(msg, SIP_HDR_CONTACT);
    uint32_t expires = pl_isset(&msg->expires) ? pl_u32(&msg->expires) : 3600;
    sip_addr addr;
    if (ch) {
        if (sip_addr_decode(&addr, &ch->val) != 0) {
            sip_reply(d->sipStack, msg, 400, "Bad Contact");
            return true;
        }
        pl ex;
        if (msg_param_decode(&addr.params, "expires", &ex) == 0)
            expires = pl_u32(&ex);
    }
    expires = std::min<uint32_t>(expires, 3600);
    if (expires > 0 && expires < 60) {
        sip_replyf(d->sipStack, msg, 423, "Interval Too Brief", "Min-Expires: 60\r\nContent-Length: 0\r\n\r\n");
        return true;
    }
    bool registered = false;
    {
        QMutexLocker lock(&d->mutex);
        if (!ch) {
            // a query: nothing changes
            registered = d->bindings.contains(acc.exten);
        } else if (expires == 0) {
            d->bindings.remove(acc.exten);
        } else {
            Binding b;
            b.contact = std::string(addr.auri.p, addr.auri.l);
            b.expiresAt = tmr_jiffies() + uint64_t(expires) * 1000;
            d->bindings.insert(acc.exten, b);
            registered = true;
        }
    }
    if (ch)
        sip_replyf(d->sipStack, msg, 200, "OK", "Contact: <%r>;expires=%u\r\nContent-Length: 0\r\n\r\n", &addr.auri,
                   expires);
    else
        sip_reply(d->sipStack, msg, 200, "OK");
    const QString exten = acc.exten;
    d->toSim([d, exten, registered] {
        if (d->events.registration)
            d->events.registration(exten, registered);
    });
    return true;
}

void PbxSipServerPrivate::connHandler(const sip_msg *msg, void *arg)
{
    auto *d = static_cast<PbxSipServerPrivate *>(arg);
    PbxSipServer::Account acc;
    if (!d->checkAuth(msg, true, &acc)) {
        d->challenge(msg, true);
        return;
    }
    const QString target = plText(msg->uri.user);
    if (target.isEmpty() || target.size() > 64) {
        sip_treply(nullptr, d->sipStack, msg, 404, "Not Found");
        return;
    }
    if (target.endsWith(QLatin1String("404"))) {
        sip_treply(nullptr, d->sipStack, msg, 404, "Not Found");
        return;
    }
    if (!msg->mb || mbuf_get_left(msg->mb) == 0) {
        sip_treply(nullptr, d->sipStack, msg, 488, "Not Acceptable Here");
        return;
    }
    auto *l = new SipLeg;
    l->d = d;
    l->token = d->nextToken++;
    l->exten = acc.exten;
    l->fromPhone = true;
    l->callId = std::string(msg->callid.p, msg->callid.l);
    l->media = new VDK::MediaStream;
    if (l->media->open(d->localIp, d->codecs, 2, 20) != 0 || l->media->decodeOffer(msg->mb) != 0) {
        delete l->media;
        delete l;
        sip_treply(nullptr, d->sipStack, msg, 488, "Not Acceptable Here");
        return;
    }
    const int err =
        sipsess_accept(&l->sess, d->sessSock, msg, 180, "Ringing", "pbx", "application/sdp", nullptr, nullptr, nullptr,
                       false, &PbxSipServerPrivate::offerHandler, &PbxSipServerPrivate::answerHandler,
                       &PbxSipServerPrivate::establishedHandler, &PbxSipServerPrivate::infoHandler,
                       &PbxSipServerPrivate::referHandler, &PbxSipServerPrivate::closeHandler, l, "%s", "");
    if (err) {
        delete l->media;
        delete l;
        sip_treply(nullptr, d->sipStack, msg, 500, "Server Internal Error");
        return;
    }
    d->legs[l->token] = l;
    d->watchDigits(l);
    const int token = l->token;
    const QString exten = acc.exten;
    // Early media: a number ending in 183 plays its tone before the answer.
    if (target.endsWith(QLatin1String("183"))) {
        mbuf *desc = nullptr;
        if (l->media->encodeAnswer(&desc) == 0) {
            sipsess_progress(l->sess, 183, "Session Progress", desc, "%s", "");
            l->early = true;
        }
        mem_deref(desc);
    }
    d->toSim([d, token, exten, target] {
        if (d->events.outgoing)
            d->events.outgoing(token, exten, target);
    });
}

int PbxSipServerPrivate::offerHandler(mbuf **descp, const sip_msg *msg, void *arg)
{
    auto *l = static_cast<SipLeg *>(arg);
    if (l->closed)
        return EINVAL;
    const int err = l->media->decodeOffer(msg->mb);
    if (err)
        return err;
    const bool held =
        !(l->media->negotiatedDirection() & SDP_RECVONLY) || l->media->negotiatedDirection() == SDP_INACTIVE;
    const int token = l->token;
    PbxSipServerPrivate *d = l->d;
    // The phone's sendonly/inactive offer is the phone putting us on hold.
    const bool phoneHolds = (l->media->negotiatedDirection() & SDP_SENDONLY) == 0 || held;
    d->toSim([d, token, phoneHolds] {
        if (d->events.hold)
            d->events.hold(token, phoneHolds);
    });
    return l->media->encodeAnswer(descp);
}

int PbxSipServerPrivate::answerHandler(const sip_msg *msg, void *arg)
{
    auto *l = static_cast<SipLeg *>(arg);
    if (l->closed)
        return 0;
    return l->media->decodeAnswer(msg->mb);
}

void PbxSipServerPrivate::progressHandler(const sip_msg *msg, void *arg)
{
    (void)msg;
    (void)arg;
}

void PbxSipServerPrivate::establishedHandler(const sip_msg *msg, void *arg)
{
    auto *l = static_cast<SipLeg *>(arg);
    if (l->closed)
        return;
    PbxSipServerPrivate *d = l->d;
    if (!l->fromPhone) {
        l->callId = std::string(msg->callid.p, msg->callid.l);
        l->answered = true;
        const int token = l->token;
        d->toSim([d, token] {
            if (d->events.answered)
                d->events.answered(token);
        });
    }
}

void PbxSipServerPrivate::infoHandler(struct sip *sipStack, const sip_msg *msg, void *arg)
{
    auto *l = static_cast<SipLeg *>(arg);
    if (l->closed) {
        sip_reply(sipStack, msg, 481, "Call Does Not Exist");
        return;
    }
    pl sig;
    if (msg->mb && re_regex(reinterpret_cast<const char *>(mbuf_buf(msg->mb)), mbuf_get_left(msg->mb),
                            "Signal=[0-9*#A-D]1", &sig) == 0) {
        const QChar digit = QLatin1Char(sig.p[0]);
        l->digits += digit;
        PbxSipServerPrivate *d = l->d;
        const int token = l->token;
        d->toSim([d, token, digit] {
            if (d->events.digit)
                d->events.digit(token, digit);
        });
        sip_reply(sipStack, msg, 200, "OK");
        return;
    }
    sip_reply(sipStack, msg, 415, "Unsupported Media Type");
}

void PbxSipServerPrivate::referHandler(struct sip *sipStack, const sip_msg *msg, void *arg)
{
    auto *l = static_cast<SipLeg *>(arg);
    if (l->closed) {
        sip_reply(sipStack, msg, 481, "Call Does Not Exist");
        return;
    }
    PbxSipServerPrivate *d = l->d;
    const sip_hdr *rt = sip_msg_xhdr(msg, "Refer-To");
    sip_addr to;
    if (!rt || sip_addr_decode(&to, &rt->val) != 0 || !pl_isset(&to.uri.user)) {
        sip_reply(sipStack, msg, 400, "Bad Refer-To");
        return;
    }
    // Replaces=<call-id>%3Bto-tag%3D...: the softphone's other call.
    int replaces = 0;
    const QString headers = plText(to.uri.headers);
    const int at = headers.indexOf(QLatin1String("Replaces="), 0, Qt::CaseInsensitive);
    if (at >= 0) {
        QString value = QUrl::fromPercentEncoding(headers.mid(at + 9).toUtf8());
        const QString callId = value.section(QLatin1Char(';'), 0, 0);
        for (const auto &[token, other] : d->legs) {
            if (other != l && QString::fromStdString(other->callId) == callId)
                replaces = token;
        }
        if (!replaces) {
            sip_reply(sipStack, msg, 481, "Call Does Not Exist");
            return;
        }
    }
    sipevent_event ev{};
    pl_set_str(&ev.event, "refer");
    if (l->notify) {
        d->garbage.push_back(l->notify);
        l->notify = nullptr;
    }
    if (sipevent_accept(&l->notify, d->eventSock, msg, sipsess_dialog(l->sess), &ev, 202, "Accepted", 60, 60, 60, "pbx",
                        "message/sipfrag;version=2.0", nullptr, nullptr, false, &PbxSipServerPrivate::notifyClose, l,
                        nullptr) != 0) {
        sip_reply(sipStack, msg, 500, "Server Internal Error");
        return;
    }
    sipevent_notifyf(l->notify, nullptr, SIPEVENT_TERMINATED, SIPEVENT_NORESOURCE, 0, "SIP/2.0 200 OK\r\n");
    if (replaces) {
        // the replaced call ends at once
        if (SipLeg *other = d->leg(replaces))
            d->dropLeg(other);
    }
    const int token = l->token;
    const QString target = plText(to.uri.user);
    d->toSim([d, token, target, replaces] {
        if (d->events.transfer)
            d->events.transfer(token, target, replaces);
    });
}

void PbxSipServerPrivate::notifyClose(int err, const sip_msg *msg, void *arg)
{
    (void)err;
    (void)msg;
    auto *l = static_cast<SipLeg *>(arg);
    if (l->closed)
        return;
    if (l->notify) {
        l->d->garbage.push_back(l->notify);
        l->notify = nullptr;
    }
}

void PbxSipServerPrivate::closeHandler(int err, const sip_msg *msg, void *arg)
{
    auto *l = static_cast<SipLeg *>(arg);
    PbxSipServerPrivate *d = l->d;
    const int token = l->token;
    const bool fromPhone = l->fromPhone;
    const bool answered = l->answered;
    if (l->closed)
        return;
    const bool reported = l->redirected;
    d->dropLeg(l);
    if (reported)
        return;
    if (!fromPhone && !answered && msg && msg->scode >= 300) {
        QString contact;
        if (msg->scode >= 300 && msg->scode < 400) {
            if (const sip_hdr *ch = sip_msg_hdr(msg, SIP_HDR_CONTACT)) {
                sip_addr a;
                if (sip_addr_decode(&a, &ch->val) == 0)
                    contact = plText(a.uri.user);
            }
        }
        const int code = msg->scode;
        d->toSim([d, token, code, contact] {
            if (d->events.rejected)
                d->events.rejected(token, code, contact);
        });
        return;
    }
    (void)err;
    d->toSim([d, token] {
        if (d->events.ended)
            d->events.ended(token);
    });
}

void PbxSipServerPrivate::watchDigits(SipLeg *l)
{
    l->media->onDigit = [this, l](char c) {
        const QChar digit = QLatin1Char(c);
        l->digits += digit;
        const int token = l->token;
        toSim([this, token, digit] {
            if (events.digit)
                events.digit(token, digit);
        });
    };
}

void PbxSipServerPrivate::dropLeg(SipLeg *l)
{
    if (l->closed)
        return;
    l->closed = true;
    legs.erase(l->token);
    if (l->sess)
        garbage.push_back(l->sess);
    if (l->notify)
        garbage.push_back(l->notify);
    l->sess = nullptr;
    l->notify = nullptr;
    l->file = static_cast<aufile *>(mem_deref(l->file));
    deadLegs.push_back(l); // freed after its session
}

void PbxSipServerPrivate::tickHandler(void *arg)
{
    static_cast<PbxSipServerPrivate *>(arg)->onTick();
}

void PbxSipServerPrivate::fillFrame(SipLeg *l, int16_t *pcm)
{
    std::memset(pcm, 0, sizeof(int16_t) * VDK::kFrameSamples);
    if (!playFile.empty()) {
        if (!l->file) {
            aufile_prm prm{};
            if (aufile_open(&l->file, &prm, playFile.c_str(), AUFILE_READ) != 0)
                return;
        }
        size_t sz = sizeof(int16_t) * VDK::kFrameSamples;
        aufile_read(l->file, reinterpret_cast<uint8_t *>(pcm), &sz);
        if (sz < sizeof(int16_t) * VDK::kFrameSamples)
            l->file = static_cast<aufile *>(mem_deref(l->file)); // loops
        return;
    }
    if (toneHz <= 0)
        return;
    const double step = 2.0 * M_PI * toneHz / VDK::kSampleRate;
    for (int i = 0; i < VDK::kFrameSamples; ++i) {
        pcm[i] = int16_t(std::lround(10000.0 * std::sin(l->phase)));
        l->phase += step;
    }
    l->phase = std::fmod(l->phase, 2.0 * M_PI);
}

void PbxSipServerPrivate::onTick()
{
    std::vector<SipLeg *> dead;
    dead.swap(deadLegs);
    for (void *g : garbage)
        mem_deref(g);
    garbage.clear();
    for (SipLeg *l : dead) {
        delete l->media;
        delete l;
    }
    std::vector<SipLeg *> redirected;
    for (auto &[token, l] : legs) {
        if (l->redirected)
            redirected.push_back(l);
    }
    for (SipLeg *l : redirected)
        dropLeg(l);
    const uint64_t now = tmr_jiffies();
    int frames = 0;
    while (nextTickMs <= now && frames < 5) {
        for (auto &[token, l] : legs) {
            (void)token;
            if (!(l->answered || l->early) || !l->media->ready())
                continue;
            int16_t pcm[VDK::kFrameSamples];
            if (toneHz >= 0 || !playFile.empty()) { // a negative tone: no RTP at all
                fillFrame(l, pcm);
                l->media->sendFrame(pcm);
            }
            if (l->media->receiveFrame(pcm)) {
                l->rx.insert(l->rx.end(), pcm, pcm + VDK::kFrameSamples);
                if (l->rx.size() > kRxKeep)
                    l->rx.erase(l->rx.begin(), l->rx.begin() + long(l->rx.size() - kRxKeep));
            }
        }
        nextTickMs += 20;
        ++frames;
    }
    if (nextTickMs + 100 < now)
        nextTickMs = now + 20;
    tmr_start(&tick, nextTickMs > now ? nextTickMs - now : 1, &PbxSipServerPrivate::tickHandler, this);
}

// --- public ---------------------------------------------------------------------------

PbxSipServer::PbxSipServer(QObject *context, Events events) : d(std::make_unique<PbxSipServerPrivate>())
{
    d->context = context;
    d->events = std::move(events);
}

PbxSipServer::~PbxSipServer()
{
    stop();
}

void PbxSipServer::setAccounts(const QList<Account> &accounts)
{
    QMutexLocker lock(&d->mutex);
    d->accounts.clear();
    for (const Account &a : accounts)
        d->accounts.insert(a.sipUser, a);
}

bool PbxSipServer::start(const QHostAddress &address, quint16 port, const QByteArray &certPem, const QByteArray &keyPem,
                         QString *error)
{
    if (!address.isLoopback()) {
        if (error)
            *error = QStringLiteral("the SIP side listens on loopback only");
        return false;
    }
    const QByteArray host = address.toString().toLatin1();
    d->loop.setName("pbxsim-sip");
    auto setup = [&]() -> int {
        d->nonce = QByteArray::number(quint64(rand_u64()), 16).toStdString();
        int err = sa_set_str(&d->localIp, host.constData(), 0);
        sa dnsServer;
        sa_set_str(&dnsServer, "127.0.0.1", 53);
        if (!err)
            err = dnsc_alloc(&d->dns, nullptr, &dnsServer, 1);
        if (!err)
            err = sip_alloc(&d->sipStack, d->dns, 32, 32, 32, "VeloraPBX simulator", nullptr, d.get());
        if (err)
            return err;
        sip_set_trace_handler(d->sipStack, &PbxSipServerPrivate::traceHandler);
        // UDP and TCP on one port; with port 0, until a free UDP port is
        // free for TCP too.
        sa laddr = d->localIp;
        for (int attempt = 0; attempt < (port ? 1 : 20); ++attempt) {
            sip_transp_flush(d->sipStack);
            sa_set_port(&laddr, port);
            err = sip_transp_add(d->sipStack, SIP_TRANSP_UDP, &laddr);
            if (err)
                continue;
            sa bound;
            sip_transp_laddr(d->sipStack, &bound, SIP_TRANSP_UDP, nullptr);
            d->udpPort = sa_port(&bound);
            sa_set_port(&laddr, d->udpPort);
            err = sip_transp_add(d->sipStack, SIP_TRANSP_TCP, &laddr);
            if (!err)
                break;
        }
        if (err)
            return err;
        if (!certPem.isEmpty() && !keyPem.isEmpty()) {
            err = tls_alloc(&d->tlsCtx, TLS_METHOD_SSLV23, nullptr, nullptr);
            if (!err)
                err = tls_set_certificate_pem(d->tlsCtx, certPem.constData(), size_t(certPem.size()),
                                              keyPem.constData(), size_t(keyPem.size()));
            if (err)
                return err;
            // The rest of the chain after the leaf.
            SSL_CTX *ctx = tls_openssl_context(d->tlsCtx);
            BIO *bio = BIO_new_mem_buf(certPem.constData(), certPem.size());
            X509 *leaf = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr);
            X509_free(leaf);
            while (X509 *extra = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr))
                SSL_CTX_add0_chain_cert(ctx, extra);
            BIO_free(bio);
            // A free TCP port for TLS.
            sa tlsAddr = d->localIp;
            tcp_sock *probe = nullptr;
            if (tcp_listen(&probe, &tlsAddr, nullptr, nullptr) == 0) {
                tcp_sock_local_get(probe, &tlsAddr);
                mem_deref(probe);
            }
            err = sip_transp_add(d->sipStack, SIP_TRANSP_TLS, &tlsAddr, d->tlsCtx);
            if (err)
                return err;
            d->tlsPortNo = sa_port(&tlsAddr);
        }
        err = sip_listen(&d->lsnr, d->sipStack, true, &PbxSipServerPrivate::requestHandler, d.get());
        if (!err)
            err = sipsess_listen(&d->sessSock, d->sipStack, 32, &PbxSipServerPrivate::connHandler, d.get());
        if (!err)
            err = sipevent_listen(&d->eventSock, d->sipStack, 32, 32, nullptr, nullptr);
        if (err)
            return err;
        tmr_init(&d->tick);
        d->nextTickMs = tmr_jiffies() + 20;
        tmr_start(&d->tick, 20, &PbxSipServerPrivate::tickHandler, d.get());
        return 0;
    };
    const bool ok = d->loop.start([&]() -> int {
        const int err = setup();
        if (err) {
            d->sessSock = static_cast<sipsess_sock *>(mem_deref(d->sessSock));
            d->eventSock = static_cast<sipevent_sock *>(mem_deref(d->eventSock));
            d->lsnr = static_cast<sip_lsnr *>(mem_deref(d->lsnr));
            if (d->sipStack)
                sip_close(d->sipStack, true);
            d->sipStack = static_cast<sip *>(mem_deref(d->sipStack));
            d->tlsCtx = static_cast<tls *>(mem_deref(d->tlsCtx));
            d->dns = static_cast<dnsc *>(mem_deref(d->dns));
        }
        return err;
    });
    if (!ok && error)
        *error = QStringLiteral("cannot start the SIP side on %1:%2").arg(address.toString()).arg(port);
    return ok;
}

void PbxSipServer::stop()
{
    if (!d->loop.running())
        return;
    d->loop.stop(
        [this] {
            tmr_cancel(&d->tick);
            std::vector<SipLeg *> all;
            for (auto &[token, l] : d->legs)
                all.push_back(l);
            for (SipLeg *l : all)
                d->dropLeg(l);
            for (void *g : d->garbage)
                mem_deref(g);
            d->garbage.clear();
            for (SipLeg *l : d->deadLegs) {
                delete l->media;
                delete l;
            }
            d->deadLegs.clear();
            d->sessSock = static_cast<sipsess_sock *>(mem_deref(d->sessSock));
            d->eventSock = static_cast<sipevent_sock *>(mem_deref(d->eventSock));
            d->lsnr = static_cast<sip_lsnr *>(mem_deref(d->lsnr));
            sip_close(d->sipStack, true);
            re_cancel();
        },
        0,
        [this] {
            d->sipStack = static_cast<sip *>(mem_deref(d->sipStack));
            d->tlsCtx = static_cast<tls *>(mem_deref(d->tlsCtx));
            d->dns = static_cast<dnsc *>(mem_deref(d->dns));
        });
    QMutexLocker lock(&d->mutex);
    d->bindings.clear();
}

quint16 PbxSipServer::port() const
{
    return d->udpPort;
}

quint16 PbxSipServer::tlsPort() const
{
    return d->tlsPortNo;
}

bool PbxSipServer::isRegistered(const QString &exten) const
{
    QMutexLocker lock(&d->mutex);
    return d->bindings.contains(exten);
}

int PbxSipServer::registerRequests(const QString &exten) const
{
    QMutexLocker lock(&d->mutex);
    return d->registerRequests.value(exten);
}

QString PbxSipServer::contactOf(const QString &exten) const
{
    QMutexLocker lock(&d->mutex);
    return d->bindings.contains(exten) ? QString::fromStdString(d->bindings.value(exten).contact) : QString();
}

int PbxSipServer::invite(const QString &exten, const QString &fromNumber, const QString &fromName)
{
    std::string contact;
    {
        QMutexLocker lock(&d->mutex);
        if (!d->bindings.contains(exten))
            return 0;
        contact = d->bindings.value(exten).contact;
    }
    QString number = fromNumber;
    number.remove(QRegularExpression(QStringLiteral("[^0-9A-Za-z+*#._-]")));
    if (number.isEmpty())
        number = QStringLiteral("anonymous");
    QString name = fromName;
    name.remove(QLatin1Char('"')).remove(QLatin1Char('\\')).remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
    const int token = d->nextToken++;
    const std::string from = QStringLiteral("sip:%1@127.0.0.1").arg(number).toStdString();
    const std::string dname = name.left(64).toStdString();
    const bool posted = d->loop.post([this, token, contact, from, dname, exten] {
        auto *l = new SipLeg;
        l->d = d.get();
        l->token = token;
        l->exten = exten;
        l->media = new VDK::MediaStream;
        // A leg that could not be set up is dropped and reported ended.
        const auto abandonLeg = [this, l, token] {
            delete l->media;
            delete l;
            d->toSim([dd = d.get(), token] {
                if (dd->events.ended)
                    dd->events.ended(token);
            });
        };
        mbuf *desc = nullptr;
        if (l->media->open(d->localIp, d->codecs, 2, 20) != 0 || l->media->encodeOffer(&desc) != 0) {
            abandonLeg();
            return;
        }
        const int err = sipsess_connect(&l->sess, d->sessSock, contact.c_str(), dname.empty() ? nullptr : dname.c_str(),
                                        from.c_str(), "pbx", nullptr, 0, "application/sdp", desc, nullptr, nullptr,
                                        false, &PbxSipServerPrivate::offerHandler, &PbxSipServerPrivate::answerHandler,
                                        &PbxSipServerPrivate::progressHandler, &PbxSipServerPrivate::establishedHandler,
                                        &PbxSipServerPrivate::infoHandler, &PbxSipServerPrivate::referHandler,
                                        &PbxSipServerPrivate::closeHandler, l, "%s", "");
        mem_deref(desc);
        if (err) {
            abandonLeg();
            return;
        }
        l->callId = sip_dialog_callid(sipsess_dialog(l->sess));
        d->legs[token] = l;
        d->watchDigits(l);
    });
    return posted ? token : 0;
}

void PbxSipServer::ringing(int token)
{
    d->loop.post([token] {
        // The INVITE was answered with 180 when it was accepted.
        (void)token;
    });
}

void PbxSipServer::answer(int token)
{
    d->loop.post([this, token] {
        SipLeg *l = d->leg(token);
        if (!l || !l->fromPhone || l->answered)
            return;
        mbuf *desc = nullptr;
        if (l->media->encodeAnswer(&desc) == 0 && sipsess_answer(l->sess, 200, "OK", desc, "%s", "") == 0)
            l->answered = true;
        mem_deref(desc);
    });
}

void PbxSipServer::end(int token, int code)
{
    d->loop.post([this, token, code] {
        SipLeg *l = d->leg(token);
        if (!l)
            return;
        if (l->fromPhone && !l->answered) {
            const char *reason = code == 486   ? "Busy Here"
                                 : code == 404 ? "Not Found"
                                 : code == 480 ? "Temporarily Unavailable"
                                               : "Decline";
            sipsess_reject(l->sess, uint16_t(code >= 300 && code < 700 ? code : 603), reason, nullptr);
        }
        d->dropLeg(l); // BYE after the answer, CANCEL for our unanswered INVITE
    });
}

void PbxSipServer::hold(int token, bool held)
{
    d->loop.post([this, token, held] {
        SipLeg *l = d->leg(token);
        if (!l || !l->answered)
            return;
        l->media->setLocalDirection(held ? SDP_SENDONLY : SDP_SENDRECV);
        mbuf *desc = nullptr;
        if (l->media->encodeOffer(&desc) == 0)
            sipsess_modify(l->sess, desc);
        mem_deref(desc);
    });
}

void PbxSipServer::setPlayTone(int hz)
{
    d->loop.call([this, hz] {
        d->toneHz = hz;
        d->playFile.clear();
        return 0;
    });
}

bool PbxSipServer::setCodecs(const QStringList &codecs)
{
    std::vector<std::string> list;
    for (const QString &c : codecs) {
        const std::string name = c.trimmed().toUpper().toStdString();
        if (VDK::isKnownCodec(name))
            list.push_back(name);
    }
    if (list.empty())
        return false;
    d->loop.call([this, list] {
        d->codecs = list;
        return 0;
    });
    return true;
}

void PbxSipServer::setPlayFile(const QString &wavPath)
{
    const std::string path = QFile::encodeName(wavPath).toStdString();
    d->loop.call([this, path] {
        d->playFile = path;
        for (auto &[token, l] : d->legs)
            l->file = static_cast<aufile *>(mem_deref(l->file));
        return 0;
    });
}

double PbxSipServer::receivedTonePower(int token, double hz) const
{
    double result = -1.0;
    d->loop.call([&] {
        SipLeg *l = d->leg(token);
        if (!l || l->rx.size() < size_t(VDK::kFrameSamples) * 10)
            return 0;
        const size_t n = std::min<size_t>(l->rx.size(), VDK::kSampleRate);
        result = VDK::tonePower(l->rx.data() + (l->rx.size() - n), n, hz);
        return 0;
    });
    return result;
}

QString PbxSipServer::receivedDigits(int token) const
{
    QString out;
    d->loop.call([&] {
        if (SipLeg *l = d->leg(token))
            out = l->digits;
        return 0;
    });
    return out;
}

int PbxSipServer::callCount() const
{
    return d->loop.call([this] { return int(d->legs.size()); }, 0);
}

quint64 PbxSipServer::droppedPackets(int token) const
{
    quint64 n = 0;
    d->loop.call([&] {
        if (SipLeg *l = d->leg(token))
            n = l->media->stats().dropped;
        return 0;
    });
    return n;
}
