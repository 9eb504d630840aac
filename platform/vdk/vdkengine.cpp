#include "vdkengine.h"

#include "vdkmedia.h"
#include "vdkreloop.h"
#include "vdksoundcard.h"

#include <re.h>
#include <rem.h>

#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>
#include <speex/speex_echo.h>
#include <speex/speex_preprocess.h>

#include <QAudioDeviceInfo>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QMutex>
#include <QTextStream>

#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <deque>
#include <set>
#include <vector>

namespace
{
constexpr int kMaxLines = 4;
constexpr int kMaxUriLength = 512;
constexpr int kHoldAnswerTimeoutMs = 10000;
// The registration's lifetime; the stack refreshes it before it runs out.
constexpr uint32_t kRegisterExpiresSecs = 3600;
// An incoming call rings at most this long (or as long as its INVITE's
// Expires says, when shorter).
constexpr uint32_t kMaxRingSecs = 180;
// Credentials the registrar refused are not offered again before this long
// (the registration's refresh period) unless they change.
constexpr uint64_t kRefusedCredentialsHoldMs = uint64_t(kRegisterExpiresSecs) * 2 / 3 * 1000;
constexpr const char *kVersion = "VDK 1.0 (re 1.1, rem 0.6)";

QString plText(const pl &p)
{
    return QString::fromUtf8(p.p, int(p.l));
}

// A SIP address from the client: "sip:…", "sips:…" or "user@host"; no
// spaces, quotes, angle brackets or control characters (they would end up in
// a header).
bool cleanSipAddress(const QString &in, std::string *out)
{
    QString s = in.trimmed();
    if (s.isEmpty() || s.size() > kMaxUriLength)
        return false;
    for (const QChar ch : s) {
        if (ch.unicode() <= 0x20 || ch.unicode() >= 0x7f || ch == QLatin1Char('"') || ch == QLatin1Char('<') ||
            ch == QLatin1Char('>'))
            return false;
    }
    if (!s.startsWith(QLatin1String("sip:"), Qt::CaseInsensitive) &&
        !s.startsWith(QLatin1String("sips:"), Qt::CaseInsensitive))
        s.prepend(QLatin1String("sip:"));
    uri u;
    pl p;
    const QByteArray utf = s.toUtf8();
    pl_set_str(&p, utf.constData());
    if (uri_decode(&u, &p) != 0 || !pl_isset(&u.host))
        return false;
    *out = utf.toStdString();
    return true;
}

QString errnoText(int err)
{
    char buf[128];
    return QString::fromUtf8(str_error(err, buf, sizeof buf));
}

} // namespace

// --- private state ------------------------------------------------------------------

struct VdkDevice {
    enum Kind { SystemIn, SystemOut, TestIn, TestOut, FileIn };
    int id = -1;
    Kind kind = SystemIn;
    QString name;
    std::string path;
    bool loop = true;
    bool finished = false;
    aufile *file = nullptr;
    int volume = 100;
    double peak = 0.0;
    std::array<int16_t, VDK::kFrameSamples> frame{};
    std::set<int> outputs; // output devices this input plays into
    // output devices: the tail kept for an echo canceller, the last frame played
    int cacheMs = 0;
    std::array<int16_t, VDK::kFrameSamples> lastOut{};
    // input devices: echo control against an output device
    int echoRef = -1;
    bool lms = false;
    bool suppress = false;
    int suppressDb = -24, suppressActiveDb = -6;
    SpeexEchoState *echo = nullptr;
    SpeexPreprocessState *pre = nullptr;
    bool isInput() const { return kind == SystemIn || kind == TestIn || kind == FileIn; }
};

// What the re handlers of a session get as argument: the line and the
// session's generation, so that a late event of an ended session never
// reaches a new call on the same line.
struct LineRef {
    VDKEnginePrivate *d = nullptr;
    int line = 0;
    uint64_t gen = 0;
};

struct VdkLine {
    enum State { Free, Calling, Early, Ringing, Established };
    VDKEnginePrivate *d = nullptr;
    uint64_t gen = 0;
    LineRef *ref = nullptr;
    int id = 0;
    State state = Free;
    bool incoming = false;
    sipsess *sess = nullptr;
    sipsub *refer = nullptr;
    VDK::MediaStream *media = nullptr;
    std::set<int> inputs;  // devices feeding the line
    std::set<int> outputs; // devices the line plays into
    bool pauseIn = false;
    bool pauseOut = false;
    int volume = 100;
    uint64_t answeredMs = 0;
    uint64_t establishedMs = 0;
    bool holdPending = false;
    tmr holdTimer;
    tmr ringTimer;            // incoming calls: the end of the ringing
    bool ringExpires = false; // ...set by the caller's Expires
    bool mediaWarned = false;
    std::string remoteUri, callId, localTag, remoteTag;
    // DTMF in progress and waiting
    std::deque<std::pair<char, int>> dtmfQueue;
    bool dtmfBusy = false;
    tmr dtmfTimer;
    mbuf *dtmfTone = nullptr;
    std::array<int16_t, VDK::kFrameSamples> rx{};
    bool referDone = false;
};

class VDKEnginePrivate
{
public:
    explicit VDKEnginePrivate(VDK::EngineEvents *q) : q(q) {}

    VDK::EngineEvents *q;
    VDK::ReLoop loop;
    bool initialized = false;

    // configuration (before init)
    QString proxyHost, registrarHost;
    int proxyPort = 5060, proxyTlsPort = 5061, registrarPort = 5060, registrarTlsPort = 5061;
    QString localAddress = QStringLiteral("0.0.0.0");
    int sipTos = 0, audioTos = 0;
    bool tlsEnabled = false;
    int transport = VDK::TransportUdp;
    QString certDir;
    int sipPort = 0;
    QString authUser, password, user;
    bool haveAccount = false;
    int missingMediaSecs = 0;
    bool hangupOnMissingMedia = false;
    int maxLines = kMaxLines;
    VDKLogConfig logConfig;

    // after init (engine thread)
    std::set<std::string> disabledMethods;
    bool sipDebug = false;
    std::string userAgent = "Deskline VDK";
    int jbMinFrames = 2, jbMaxFrames = 10;
    int dtmfMode = VDK::DtmfRfc4733;
    std::vector<std::string> codecs{"PCMA", "PCMU"};
    bool dnd = false;

    dnsc *dns = nullptr;
    sip *sipStack = nullptr;
    tls *tlsCtx = nullptr;
    sipsess_sock *sessSock = nullptr;
    sipevent_sock *eventSock = nullptr;
    sip_lsnr *methodFilter = nullptr;
    sipreg *reg = nullptr;
    bool regFailed = false;
    // One challenge of each registration attempt is answered, once: a second
    // challenge, or a 403, after the credentials went out means the registrar
    // refused them.
    bool regAuthAnswered = false;
    struct RefusedCredentials {
        QString authUser, password;
        uint64_t atMs = 0;
        int code = 0;
        QString reason;
    } refused;
    bool credentialsRefused() const
    {
        return refused.atMs != 0 && refused.authUser == authUser && refused.password == password &&
               tmr_jiffies() < refused.atMs + kRefusedCredentialsHoldMs;
    }
    void refuseCredentials(int code, const QString &reason)
    {
        refused = RefusedCredentials{authUser, password, tmr_jiffies(), code, reason};
    }
    sa localIp;
    // Where new calls may come from: the registrar and the proxy as
    // configured (numeric addresses) and where the registrar answered from.
    std::vector<sa> trustedPeers;
    void trustPeer(const sa &peer);
    void trustHost(const QString &host, int port);
    bool isTrusted(const sa &src) const;
    tmr tick;
    uint64_t nextTickMs = 0;
    std::array<VdkLine, kMaxLines> lines;
    std::vector<VdkDevice> devices;
    std::vector<void *> garbage;      // re objects released on the next tick
    std::vector<LineRef *> staleRefs; // freed after the garbage
    uint64_t nextGen = 1;
    LineRef *newRef(VdkLine *l)
    {
        l->gen = nextGen++;
        l->ref = new LineRef{this, l->id, l->gen};
        return l->ref;
    }
    static VdkLine *live(void *arg)
    {
        auto *r = static_cast<LineRef *>(arg);
        if (!r || r->line < 0 || r->line >= kMaxLines)
            return nullptr;
        VdkLine *l = &r->d->lines[size_t(r->line)];
        return l->gen == r->gen && l->state != VdkLine::Free ? l : nullptr;
    }
    std::unique_ptr<VDK::SoundCard> sound; // the system's devices, opened while routed
    std::set<int> soundOpen;
    void updateSoundDevices();
    static void freeEcho(VdkDevice &dev)
    {
        if (dev.pre)
            speex_preprocess_state_destroy(dev.pre);
        if (dev.echo)
            speex_echo_state_destroy(dev.echo);
        dev.pre = nullptr;
        dev.echo = nullptr;
    }
    void applyEcho(VdkDevice &dev);
    void setupEcho(VdkDevice &in, int tailMs);

    // trace and log
    QMutex traceMutex;
    QString tracePath;
    QString sipTracePath;

    int trace(const char *what, const QString &args, int result);
    void log(int level, const QString &text);

    // engine-thread work
    int setupStack();
    void teardownStack();
    void finalizeStack();
    std::string routeUri() const;
    std::string aor() const;
    std::string headers() const;
    QString registrarForRoute() const;
    VdkLine *lineAt(int line);
    VdkDevice *device(int id);
    VdkLine *freeLine();
    void releaseLine(VdkLine *l);
    void endLine(VdkLine *l, bool emitTerminated);
    void onTick();
    void audioFrame();
    void readInput(VdkDevice &dev);
    void writeOutput(VdkDevice &dev, const int16_t *pcm);
    bool reopenFile(VdkDevice &dev);
    void nextDtmf(VdkLine *l);
    int holdStatus(const VdkLine *l) const;
    int sendRefer(VdkLine *l, const std::string &referTo);

    // re handlers
    static int authHandler(char **username, char **pass, const char *realm, void *arg);
    static int regAuthHandler(char **username, char **pass, const char *realm, void *arg);
    static void regResponse(int err, const sip_msg *msg, void *arg);
    static void connHandler(const sip_msg *msg, void *arg);
    static int offerHandler(mbuf **descp, const sip_msg *msg, void *arg);
    static int answerHandler(const sip_msg *msg, void *arg);
    static void progressHandler(const sip_msg *msg, void *arg);
    static void establishedHandler(const sip_msg *msg, void *arg);
    static void infoHandler(struct sip *sip, const sip_msg *msg, void *arg);
    static void referHandler(struct sip *sip, const sip_msg *msg, void *arg);
    static void closeHandler(int err, const sip_msg *msg, void *arg);
    static void tickHandler(void *arg);
    static void holdTimeout(void *arg);
    static void dtmfTimeout(void *arg);
    static void infoResponse(int err, const sip_msg *msg, void *arg);
    static bool methodFilterHandler(const sip_msg *msg, void *arg);
    static void ringTimeout(void *arg);
    void replyBadRequest(const sip_msg *msg, const char *reason);
    static void referNotify(struct sip *sip, const sip_msg *msg, void *arg);
    static void referClose(int err, const sip_msg *msg, const sipevent_substate *substate, void *arg);
    static void sipExit(void *arg);
    static void sipTrace(bool tx, enum sip_transp tp, const sa *src, const sa *dst, const uint8_t *pkt, size_t len,
                         void *arg);
};

int VDKEnginePrivate::trace(const char *what, const QString &args, int result)
{
    if (!tracePath.isEmpty()) {
        QMutexLocker lock(&traceMutex);
        QFile f(tracePath);
        if (f.open(QIODevice::Append | QIODevice::Text)) {
            QTextStream(&f) << QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs) << ' ' << what << '(' << args
                            << ") -> " << result << '\n';
        }
    }
    return result;
}

void VDKEnginePrivate::log(int level, const QString &text)
{
    if (logConfig.logDirectory.isEmpty() || level > logConfig.logLevel)
        return;
    QMutexLocker lock(&traceMutex);
    const QString path = QDir(logConfig.logDirectory).filePath(logConfig.logFileName);
    QFile f(path);
    if (f.size() > 5 * 1024 * 1024) {
        for (int i = logConfig.maxLogFiles - 1; i >= 1; --i) {
            QFile::remove(QStringLiteral("%1.%2").arg(path).arg(i));
            QFile::rename(i == 1 ? path : QStringLiteral("%1.%2").arg(path).arg(i - 1),
                          QStringLiteral("%1.%2").arg(path).arg(i));
        }
    }
    if (f.open(QIODevice::Append | QIODevice::Text))
        QTextStream(&f) << QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")) << ' '
                        << level << ' ' << text << '\n';
}

std::string VDKEnginePrivate::aor() const
{
    return QStringLiteral("sip:%1@%2").arg(user, registrarHost).toStdString();
}

std::string VDKEnginePrivate::routeUri() const
{
    const QString host = proxyHost.isEmpty() ? registrarHost : proxyHost;
    int port = proxyHost.isEmpty() ? registrarPort : proxyPort;
    if (transport == VDK::TransportTls)
        port = proxyHost.isEmpty() ? registrarTlsPort : proxyTlsPort;
    const char *tp = transport == VDK::TransportTls   ? ";transport=tls"
                     : transport == VDK::TransportTcp ? ";transport=tcp"
                                                      : "";
    return QStringLiteral("sip:%1:%2%3;lr").arg(host).arg(port).arg(QLatin1String(tp)).toStdString();
}

std::string VDKEnginePrivate::headers() const
{
    std::string h = "User-Agent: " + userAgent + "\r\n";
    std::string allow = "Allow: INVITE,ACK,BYE,CANCEL,OPTIONS,INFO,REFER,NOTIFY,SUBSCRIBE,UPDATE,PRACK";
    std::string filtered = "Allow: ";
    std::string methods = allow.substr(7);
    size_t pos = 0;
    bool first = true;
    while (pos <= methods.size()) {
        size_t comma = methods.find(',', pos);
        if (comma == std::string::npos)
            comma = methods.size();
        const std::string m = methods.substr(pos, comma - pos);
        if (!disabledMethods.count(m)) {
            filtered += (first ? "" : ",") + m;
            first = false;
        }
        pos = comma + 1;
    }
    return h + filtered + "\r\n";
}

VdkLine *VDKEnginePrivate::lineAt(int line)
{
    if (line < 0 || line >= maxLines || line >= kMaxLines)
        return nullptr;
    return &lines[size_t(line)];
}

VdkDevice *VDKEnginePrivate::device(int id)
{
    if (id < 0 || size_t(id) >= devices.size())
        return nullptr;
    return &devices[size_t(id)];
}

VdkLine *VDKEnginePrivate::freeLine()
{
    for (int i = 0; i < maxLines && i < kMaxLines; ++i) {
        if (lines[size_t(i)].state == VdkLine::Free)
            return &lines[size_t(i)];
    }
    return nullptr;
}

void VDKEnginePrivate::releaseLine(VdkLine *l)
{
    tmr_cancel(&l->holdTimer);
    tmr_cancel(&l->dtmfTimer);
    tmr_cancel(&l->ringTimer);
    if (l->sess)
        garbage.push_back(l->sess); // BYE or CANCEL when released
    if (l->refer)
        garbage.push_back(l->refer);
    if (l->ref)
        staleRefs.push_back(l->ref);
    l->dtmfTone = static_cast<mbuf *>(mem_deref(l->dtmfTone));
    delete l->media;
    const int id = l->id;
    VDKEnginePrivate *owner = l->d;
    *l = VdkLine();
    l->id = id;
    l->d = owner;
    tmr_init(&l->holdTimer);
    tmr_init(&l->dtmfTimer);
    tmr_init(&l->ringTimer);
}

void VDKEnginePrivate::endLine(VdkLine *l, bool emitTerminated)
{
    const int id = l->id;
    releaseLine(l);
    if (emitTerminated)
        emit q->sigCallTerminated(id);
}

int VDKEnginePrivate::holdStatus(const VdkLine *l) const
{
    if (l->state != VdkLine::Established || !l->media)
        return VDK::LineHoldPending;
    if (l->holdPending)
        return VDK::LineHoldPending;
    const int ldir = l->media->localDirection();
    if (ldir == SDP_INACTIVE)
        return VDK::LineInactive;
    if (ldir == SDP_SENDONLY)
        return VDK::LineOnHold;
    const int dir = l->media->negotiatedDirection();
    return dir == SDP_SENDRECV ? VDK::LineFullDuplex : VDK::LineRemoteOnHold;
}

// --- stack set-up and teardown ----------------------------------------------------

int VDKEnginePrivate::setupStack()
{
    for (VdkLine &l : lines) {
        l.d = this;
        tmr_init(&l.holdTimer);
        tmr_init(&l.dtmfTimer);
        tmr_init(&l.ringTimer);
    }
    for (size_t i = 0; i < lines.size(); ++i)
        lines[i].id = int(i);

    // Local address: the one given, or for "0.0.0.0" the one the registrar
    // is reached from (loopback for a registrar on this machine).
    QString local = localAddress;
    if (local.isEmpty() || local == QLatin1String("0.0.0.0")) {
        const QHostAddress reg(registrarHost);
        if (reg.isLoopback() || registrarHost.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) {
            local = QStringLiteral("127.0.0.1");
        } else {
            sa def;
            if (net_default_source_addr_get(AF_INET, &def) != 0)
                return ENETUNREACH;
            char buf[64];
            sa_ntop(&def, buf, sizeof buf);
            local = QString::fromLatin1(buf);
        }
    }
    int err = sa_set_str(&localIp, local.toLatin1().constData(), 0);
    if (err)
        return err;
    trustHost(registrarHost, registrarPort);
    trustHost(registrarHost, registrarTlsPort);
    trustHost(proxyHost, proxyPort);
    trustHost(proxyHost, proxyTlsPort);

    sa dnsServer;
    sa_set_str(&dnsServer, "127.0.0.1", 53);
    err = dnsc_alloc(&dns, nullptr, &dnsServer, 1);
    if (!err)
        err = sip_alloc(&sipStack, dns, 32, 32, 32, nullptr, &VDKEnginePrivate::sipExit, this);
    if (err)
        return err;
    sip_set_trace_handler(sipStack, &VDKEnginePrivate::sipTrace);

    sa laddr = localIp;
    sa_set_port(&laddr, uint16_t(sipPort));
    err = sip_transp_add(sipStack, SIP_TRANSP_UDP, &laddr);
    if (err)
        return err;
    if (sipPort == 0) {
        // TCP on the same port as UDP when that port is free for TCP too.
        sa udpAddr;
        if (sip_transp_laddr(sipStack, &udpAddr, SIP_TRANSP_UDP, nullptr) == 0)
            sa_set_port(&laddr, sa_port(&udpAddr));
    }
    err = sip_transp_add(sipStack, SIP_TRANSP_TCP, &laddr);
    if (err) {
        sa_set_port(&laddr, 0);
        err = sip_transp_add(sipStack, SIP_TRANSP_TCP, &laddr);
    }
    if (err)
        return err;

    if (tlsEnabled || transport == VDK::TransportTls) {
        err = tls_alloc(&tlsCtx, TLS_METHOD_SSLV23, nullptr, nullptr);
        if (err)
            return err;
        // The server certificate is always verified: system CAs plus the
        // certificates in the configured directory, and the registrar's name
        // or address must match.
        SSL_CTX *ctx = tls_openssl_context(tlsCtx);
        SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, nullptr);
        SSL_CTX_set_default_verify_paths(ctx);
        if (!certDir.isEmpty()) {
            const QFileInfoList files = QDir(certDir).entryInfoList(
                {QStringLiteral("*.pem"), QStringLiteral("*.crt"), QStringLiteral("*.cer")}, QDir::Files);
            for (const QFileInfo &fi : files)
                SSL_CTX_load_verify_locations(ctx, QFile::encodeName(fi.absoluteFilePath()).constData(), nullptr);
        }
        X509_VERIFY_PARAM *param = SSL_CTX_get0_param(ctx);
        const QString host = proxyHost.isEmpty() ? registrarHost : proxyHost;
        if (!QHostAddress(host).isNull())
            X509_VERIFY_PARAM_set1_ip_asc(param, host.toLatin1().constData());
        else
            X509_VERIFY_PARAM_set1_host(param, host.toLatin1().constData(), 0);
        sa_set_port(&laddr, 0);
        err = sip_transp_add(sipStack, SIP_TRANSP_TLS, &laddr, tlsCtx);
        if (err)
            return err;
    }

    err = sip_listen(&methodFilter, sipStack, true, &VDKEnginePrivate::methodFilterHandler, this);
    if (!err)
        err = sipsess_listen(&sessSock, sipStack, 32, &VDKEnginePrivate::connHandler, this);
    if (!err)
        err = sipevent_listen(&eventSock, sipStack, 32, 32, nullptr, nullptr);
    if (err)
        return err;
    tmr_init(&tick);
    nextTickMs = tmr_jiffies() + 20;
    tmr_start(&tick, 20, &VDKEnginePrivate::tickHandler, this);
    return 0;
}

void VDKEnginePrivate::teardownStack()
{
    tmr_cancel(&tick);
    for (VdkLine &l : lines) {
        if (l.state != VdkLine::Free)
            releaseLine(&l);
    }
    for (void *g : garbage)
        mem_deref(g);
    garbage.clear();
    for (LineRef *r : staleRefs)
        delete r;
    staleRefs.clear();
    reg = static_cast<sipreg *>(mem_deref(reg)); // sends the un-REGISTER
    sessSock = static_cast<sipsess_sock *>(mem_deref(sessSock));
    eventSock = static_cast<sipevent_sock *>(mem_deref(eventSock));
    methodFilter = static_cast<sip_lsnr *>(mem_deref(methodFilter));
    for (VdkDevice &dev : devices) {
        dev.file = static_cast<aufile *>(mem_deref(dev.file));
        freeEcho(dev);
    }
    if (sipStack)
        sip_close(sipStack, false); // exit handler ends the loop once all is sent
    else
        re_cancel();
}

void VDKEnginePrivate::finalizeStack()
{
    if (sipStack)
        sip_close(sipStack, true);
    sipStack = static_cast<sip *>(mem_deref(sipStack));
    tlsCtx = static_cast<tls *>(mem_deref(tlsCtx));
    dns = static_cast<dnsc *>(mem_deref(dns));
}

void VDKEnginePrivate::sipExit(void *)
{
    re_cancel();
}

void VDKEnginePrivate::sipTrace(bool tx, enum sip_transp tp, const sa *src, const sa *dst, const uint8_t *pkt,
                                size_t len, void *arg)
{
    (void)tp;
    auto *d = static_cast<VDKEnginePrivate *>(arg);
    if (!d)
        return;
    if (d->sipDebug && !d->logConfig.logDirectory.isEmpty() && d->logConfig.logLevel >= 10000) {
        d->log(10000,
               QStringLiteral("SIP %1 %2")
                   .arg(tx ? QStringLiteral("sent") : QStringLiteral("received"),
                        QString::fromUtf8(reinterpret_cast<const char *>(pkt), int(std::min<size_t>(len, 8192)))));
    }
    if (d->sipTracePath.isEmpty())
        return;
    QMutexLocker lock(&d->traceMutex);
    QFile f(d->sipTracePath);
    if (!f.open(QIODevice::Append))
        return;
    char a[64], b[64];
    sa_ntop(src, a, sizeof a);
    sa_ntop(dst, b, sizeof b);
    f.write(QStringLiteral("%1 %2 %3:%4 -> %5:%6\n")
                .arg(QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs),
                     tx ? QStringLiteral("SEND") : QStringLiteral("RECV"))
                .arg(QLatin1String(a))
                .arg(sa_port(src))
                .arg(QLatin1String(b))
                .arg(sa_port(dst))
                .toUtf8());
    f.write(reinterpret_cast<const char *>(pkt), qint64(std::min<size_t>(len, 65536)));
    f.write("\n");
}

// --- registration -----------------------------------------------------------------

int VDKEnginePrivate::authHandler(char **username, char **pass, const char *realm, void *arg)
{
    (void)realm;
    auto *d = static_cast<VDKEnginePrivate *>(arg);
    int err = str_dup(username, d->authUser.toUtf8().constData());
    if (!err)
        err = str_dup(pass, d->password.toUtf8().constData());
    return err;
}

// The registration's own: the stack forgets the challenge state before each
// 401, so without this the same refused credentials would go out again and
// again until its loop detection gives up.
int VDKEnginePrivate::regAuthHandler(char **username, char **pass, const char *realm, void *arg)
{
    auto *d = static_cast<VDKEnginePrivate *>(arg);
    if (d->regAuthAnswered) {
        d->refuseCredentials(401, QStringLiteral("Unauthorized"));
        return EAUTH;
    }
    if (d->credentialsRefused())
        return EAUTH;
    d->regAuthAnswered = true;
    return authHandler(username, pass, realm, arg);
}

void VDKEnginePrivate::regResponse(int err, const sip_msg *msg, void *arg)
{
    auto *d = static_cast<VDKEnginePrivate *>(arg);
    if (!err && msg && msg->scode >= 200 && msg->scode < 300)
        d->trustPeer(msg->src); // the registrar, whatever its name resolved to
    if (err) {
        d->regFailed = true;
        d->log(10, QStringLiteral("registration failed: %1").arg(errnoText(err)));
        if (d->transport == VDK::TransportTls)
            emit d->q->sigSecureHandshakeRegistrationFail(0, err, errnoText(err));
        else
            emit d->q->sigRegistrationFail(0, 0, errnoText(err));
        return;
    }
    if (!msg || msg->scode < 200)
        return;
    if (msg->scode < 300) {
        d->regFailed = false;
        d->regAuthAnswered = false; // the next refresh answers its challenge again
        d->refused = RefusedCredentials();
        emit d->q->sigRegistrationOk(0, msg->scode, plText(msg->reason));
        return;
    }
    d->regFailed = true;
    if ((msg->scode == 401 || msg->scode == 403 || msg->scode == 407) && d->regAuthAnswered)
        d->refuseCredentials(msg->scode, plText(msg->reason));
    emit d->q->sigRegistrationFail(0, msg->scode, plText(msg->reason));
}

// --- calls --------------------------------------------------------------------------

void VDKEnginePrivate::trustPeer(const sa &peer)
{
    for (const sa &t : trustedPeers) {
        if (sa_cmp(&t, &peer, SA_ALL))
            return;
    }
    if (trustedPeers.size() < 16)
        trustedPeers.push_back(peer);
}

void VDKEnginePrivate::trustHost(const QString &host, int port)
{
    sa a;
    if (!host.isEmpty() && sa_set_str(&a, host.toLatin1().constData(), uint16_t(port)) == 0)
        trustPeer(a);
}

bool VDKEnginePrivate::isTrusted(const sa &src) const
{
    for (const sa &t : trustedPeers) {
        if (sa_cmp(&t, &src, SA_ALL))
            return true;
    }
    return false;
}

// A 400 for a request that lacks what a response needs to find its way
// back; without a Via it goes to where the request came from.
void VDKEnginePrivate::replyBadRequest(const sip_msg *msg, const char *reason)
{
    if (pl_isset(&msg->via.sentby)) {
        sip_treply(nullptr, sipStack, msg, 400, reason);
        return;
    }
    mbuf *mb = mbuf_alloc(512);
    if (!mb)
        return;
    int err = mbuf_printf(mb, "SIP/2.0 400 %s\r\n", reason);
    for (const sip_hdrid id : {SIP_HDR_FROM, SIP_HDR_TO, SIP_HDR_CALL_ID, SIP_HDR_CSEQ}) {
        if (const sip_hdr *h = sip_msg_hdr(msg, id))
            err |= mbuf_printf(mb, "%r: %r\r\n", &h->name, &h->val);
    }
    err |= mbuf_printf(mb, "Content-Length: 0\r\n\r\n");
    mb->pos = 0;
    if (!err)
        sip_send(sipStack, msg->sock, msg->tp, &msg->src, mb);
    mem_deref(mb);
}

// Every request passes here first: what lacks a header that SIP requires is
// refused (400), a new call from anyone but the registrar or the proxy too
// (403), and disabled methods get 405.
bool VDKEnginePrivate::methodFilterHandler(const sip_msg *msg, void *arg)
{
    auto *d = static_cast<VDKEnginePrivate *>(arg);
    if (pl_strcmp(&msg->met, "ACK") == 0)
        return false; // never answered; the stack drops what matches nothing
    const char *missing = nullptr;
    if (!pl_isset(&msg->via.sentby))
        missing = "Missing Via Header";
    else if (!sip_msg_hdr(msg, SIP_HDR_FROM))
        missing = "Missing From Header";
    else if (!sip_msg_hdr(msg, SIP_HDR_TO))
        missing = "Missing To Header";
    else if (!pl_isset(&msg->callid))
        missing = "Missing Call-ID Header";
    else if (!pl_isset(&msg->cseq.met))
        missing = "Missing CSeq Header";
    else if (!sip_msg_hdr(msg, SIP_HDR_MAX_FORWARDS))
        missing = "Missing Max-Forwards Header";
    else if (pl_cmp(&msg->cseq.met, &msg->met) != 0)
        missing = "CSeq Method Mismatch";
    if (missing) {
        d->replyBadRequest(msg, missing);
        return true;
    }
    const bool newCall = pl_strcmp(&msg->met, "INVITE") == 0 && !pl_isset(&msg->to.tag);
    if (newCall) {
        sip_addr contact;
        const sip_hdr *ch = sip_msg_hdr(msg, SIP_HDR_CONTACT);
        if (!ch) {
            sip_treply(nullptr, d->sipStack, msg, 400, "Missing Contact Header");
            return true;
        }
        if (sip_addr_decode(&contact, &ch->val) != 0) {
            sip_treply(nullptr, d->sipStack, msg, 400, "Bad Contact Header");
            return true;
        }
        if (!d->isTrusted(msg->src)) {
            sip_treply(nullptr, d->sipStack, msg, 403, "Forbidden");
            return true;
        }
    }
    const std::string met(msg->met.p, msg->met.l);
    if (!d->disabledMethods.count(met))
        return false;
    // In-dialog NOTIFYs answer our own REFER and are kept.
    if (met == "NOTIFY" && pl_isset(&msg->to.tag))
        return false;
    sip_treply(nullptr, d->sipStack, msg, 405, "Method Not Allowed");
    return true;
}

void VDKEnginePrivate::connHandler(const sip_msg *msg, void *arg)
{
    auto *d = static_cast<VDKEnginePrivate *>(arg);
    if (d->dnd) {
        sip_treply(nullptr, d->sipStack, msg, 486, "Busy Here");
        return;
    }
    VdkLine *l = d->freeLine();
    if (!l) {
        sip_treply(nullptr, d->sipStack, msg, 486, "Busy Here");
        return;
    }
    if (!msg->mb || mbuf_get_left(msg->mb) == 0 || msg_ctype_cmp(&msg->ctyp, "application", "sdp") == false) {
        sip_treply(nullptr, d->sipStack, msg, 488, "Not Acceptable Here");
        return;
    }
    auto *media = new VDK::MediaStream;
    if (media->open(d->localIp, d->codecs, d->jbMinFrames, d->jbMaxFrames) != 0) {
        delete media;
        sip_treply(nullptr, d->sipStack, msg, 500, "Server Internal Error");
        return;
    }
    const char *why = "Incompatible media format";
    const int warning = media->decodeOffer(msg->mb) != 0 ? 305 : media->remoteAudioProblem(&why);
    if (warning) {
        delete media;
        sip_treplyf(nullptr, nullptr, d->sipStack, msg, false, 488, "Not Acceptable Here",
                    "Warning: %d - \"%s\"\r\nContent-Length: 0\r\n\r\n", warning, why);
        return;
    }
    media->setTos(d->audioTos);
    const std::string hdrs = d->headers();
    int err = sipsess_accept(
        &l->sess, d->sessSock, msg, 180, "Ringing", d->user.toUtf8().constData(), "application/sdp", nullptr,
        &VDKEnginePrivate::authHandler, d, false, &VDKEnginePrivate::offerHandler, &VDKEnginePrivate::answerHandler,
        &VDKEnginePrivate::establishedHandler, &VDKEnginePrivate::infoHandler, &VDKEnginePrivate::referHandler,
        &VDKEnginePrivate::closeHandler, d->newRef(l), "%s", hdrs.c_str());
    if (err) {
        delete media;
        l->sess = nullptr;
        delete l->ref;
        l->ref = nullptr;
        sip_treply(nullptr, d->sipStack, msg, 500, "Server Internal Error");
        return;
    }
    l->media = media;
    l->state = VdkLine::Ringing;
    l->incoming = true;
    l->remoteUri = std::string(msg->from.auri.p, msg->from.auri.l);
    l->callId = std::string(msg->callid.p, msg->callid.l);
    const QString name = plText(msg->from.dname);
    const QString caller = name.isEmpty() ? QStringLiteral("<%1>").arg(plText(msg->from.auri))
                                          : QStringLiteral("%1 <%2>").arg(name, plText(msg->from.auri));
    media->onDigit = nullptr;
    // Every ringing call ends: the caller's Expires, or the longest ring.
    const bool expires = pl_isset(&msg->expires);
    const uint32_t ringSecs = expires ? std::clamp<uint32_t>(pl_u32(&msg->expires), 1, kMaxRingSecs) : kMaxRingSecs;
    l->ringExpires = expires && ringSecs < kMaxRingSecs;
    tmr_start(&l->ringTimer, uint64_t(ringSecs) * 1000, &VDKEnginePrivate::ringTimeout, l);
    emit d->q->sigIncomingCall(l->id, caller, plText(msg->to.auri));
}

void VDKEnginePrivate::ringTimeout(void *arg)
{
    auto *l = static_cast<VdkLine *>(arg);
    if (l->state != VdkLine::Ringing || !l->incoming)
        return;
    if (l->ringExpires)
        sipsess_reject(l->sess, 487, "Request Terminated", nullptr);
    else
        sipsess_reject(l->sess, 480, "Temporarily Unavailable", nullptr);
    VDKEnginePrivate *d = l->d;
    const int id = l->id;
    d->releaseLine(l);
    emit d->q->sigCallCanceled(id);
}

int VDKEnginePrivate::offerHandler(mbuf **descp, const sip_msg *msg, void *arg)
{
    VdkLine *l = live(arg);
    if (!l)
        return EINVAL;
    if (!l->media)
        return EINVAL;
    int err = l->media->decodeOffer(msg->mb);
    if (err)
        return err;
    return l->media->encodeAnswer(descp);
}

int VDKEnginePrivate::answerHandler(const sip_msg *msg, void *arg)
{
    VdkLine *l = live(arg);
    if (!l)
        return 0;
    if (!l->media)
        return EINVAL;
    const int err = l->media->decodeAnswer(msg->mb);
    if (l->holdPending) {
        l->holdPending = false;
        tmr_cancel(&l->holdTimer);
        if (err)
            emit l->d->q->sigOnHoldFail(l->id);
        else
            emit l->d->q->sigOnHoldOk(l->id);
    }
    return err;
}

void VDKEnginePrivate::progressHandler(const sip_msg *msg, void *arg)
{
    VdkLine *l = live(arg);
    if (!l)
        return;
    const bool sdp = msg->mb && mbuf_get_left(msg->mb) > 0 && msg_ctype_cmp(&msg->ctyp, "application", "sdp");
    if (sdp && l->media)
        l->media->decodeAnswer(msg->mb);
    if (msg->scode == 183 || (msg->scode > 180 && sdp)) {
        l->state = VdkLine::Early;
        emit l->d->q->sigSessionProgress(l->id);
    } else if (msg->scode == 180) {
        emit l->d->q->sigRinging(l->id);
    }
}

void VDKEnginePrivate::establishedHandler(const sip_msg *msg, void *arg)
{
    VdkLine *l = live(arg);
    if (!l)
        return;
    l->state = VdkLine::Established;
    l->answeredMs = tmr_jiffies();
    l->establishedMs = l->answeredMs;
    if (l->incoming) {
        l->localTag = std::string(msg->to.tag.p, msg->to.tag.l);
        l->remoteTag = std::string(msg->from.tag.p, msg->from.tag.l);
    } else {
        l->localTag = std::string(msg->from.tag.p, msg->from.tag.l);
        l->remoteTag = std::string(msg->to.tag.p, msg->to.tag.l);
        l->callId = std::string(msg->callid.p, msg->callid.l);
    }
    emit l->d->q->sigCallEstablished(l->id);
}

void VDKEnginePrivate::infoHandler(struct sip *sipStack, const sip_msg *msg, void *arg)
{
    (void)arg;
    sip_reply(sipStack, msg, 200, "OK");
}

void VDKEnginePrivate::referHandler(struct sip *sipStack, const sip_msg *msg, void *arg)
{
    (void)arg;
    // Transfers asked by the far end are not carried out by this engine.
    sip_reply(sipStack, msg, 603, "Decline");
}

void VDKEnginePrivate::closeHandler(int err, const sip_msg *msg, void *arg)
{
    VdkLine *l = live(arg);
    if (!l)
        return;
    VDKEnginePrivate *d = l->d;
    const int id = l->id;
    const VdkLine::State state = l->state;
    const bool incoming = l->incoming;
    // The session is finished: it is released with the line.
    d->releaseLine(l);
    if (state == VdkLine::Established) {
        emit d->q->sigCallTerminated(id);
        return;
    }
    if (incoming) {
        emit d->q->sigCallCanceled(id);
        return;
    }
    if (msg && msg->scode >= 300) {
        emit d->q->sigSipError(id, msg->scode, plText(msg->reason));
    } else {
        emit d->q->sigSipError(id, err == ETIMEDOUT ? 408 : 503, errnoText(err));
    }
    emit d->q->sigCallTerminated(id);
}

void VDKEnginePrivate::holdTimeout(void *arg)
{
    auto *l = static_cast<VdkLine *>(arg);
    if (!l->holdPending)
        return;
    l->holdPending = false;
    emit l->d->q->sigOnHoldFail(l->id);
}

void VDKEnginePrivate::infoResponse(int err, const sip_msg *msg, void *arg)
{
    (void)err;
    (void)msg;
    VdkLine *l = live(arg);
    if (!l)
        return;
    tmr_start(&l->dtmfTimer, 40, &VDKEnginePrivate::dtmfTimeout, l);
}

void VDKEnginePrivate::dtmfTimeout(void *arg)
{
    auto *l = static_cast<VdkLine *>(arg);
    if (l->dtmfBusy) {
        // end of the digit in progress, then a pause before the next one
        l->dtmfBusy = false;
        if (l->media)
            l->media->endEvent();
        l->dtmfTone = static_cast<mbuf *>(mem_deref(l->dtmfTone));
        tmr_start(&l->dtmfTimer, 60, &VDKEnginePrivate::dtmfTimeout, l);
        return;
    }
    l->d->nextDtmf(l);
}

void VDKEnginePrivate::nextDtmf(VdkLine *l)
{
    if (l->dtmfBusy || l->dtmfQueue.empty() || tmr_isrunning(&l->dtmfTimer))
        return;
    const auto [digit, duration] = l->dtmfQueue.front();
    l->dtmfQueue.pop_front();
    if (dtmfMode == VDK::DtmfSipInfo) {
        mbuf *body = mbuf_alloc(64);
        mbuf_printf(body, "Signal=%c\r\nDuration=%d\r\n", digit, duration);
        body->pos = 0;
        if (sipsess_info(l->sess, "application/dtmf-relay", body, &VDKEnginePrivate::infoResponse, l->ref) != 0)
            tmr_start(&l->dtmfTimer, 40, &VDKEnginePrivate::dtmfTimeout, l);
        mem_deref(body);
        return;
    }
    if (dtmfMode == VDK::DtmfRfc4733 && l->media) {
        l->media->startEvent(digit);
    } else {
        l->dtmfTone = mbuf_alloc(VDK::kSampleRate * 2);
        if (l->dtmfTone && autone_dtmf(l->dtmfTone, VDK::kSampleRate, digit) == 0)
            l->dtmfTone->pos = 0;
        else
            l->dtmfTone = static_cast<mbuf *>(mem_deref(l->dtmfTone));
    }
    l->dtmfBusy = true;
    tmr_start(&l->dtmfTimer, uint64_t(duration), &VDKEnginePrivate::dtmfTimeout, l);
}

void VDKEnginePrivate::referNotify(struct sip *sipStack, const sip_msg *msg, void *arg)
{
    sip_treply(nullptr, sipStack, msg, 200, "OK");
    VdkLine *l = live(arg);
    if (!l)
        return;
    // message/sipfrag: "SIP/2.0 200 OK" ends the transfer; we leave the call.
    if (!msg->mb || l->referDone)
        return;
    const char *p = reinterpret_cast<const char *>(mbuf_buf(msg->mb));
    const size_t n = mbuf_get_left(msg->mb);
    pl frag{p, n}, code;
    if (re_regex(frag.p, frag.l, "SIP/2.0 [0-9]+", &code) == 0) {
        const uint32_t sc = pl_u32(&code);
        if (sc >= 200 && sc < 300 && l->state == VdkLine::Established) {
            l->referDone = true;
            l->d->endLine(l, true);
        } else if (sc >= 300) {
            l->referDone = true;
            emit l->d->q->sigSipError(l->id, int(sc), QStringLiteral("Transfer failed"));
        }
    }
}

void VDKEnginePrivate::referClose(int err, const sip_msg *msg, const sipevent_substate *substate, void *arg)
{
    (void)substate;
    VdkLine *l = live(arg);
    if (!l)
        return;
    if (l->refer) {
        l->d->garbage.push_back(l->refer);
        l->refer = nullptr;
    }
    if (!l->referDone && l->state == VdkLine::Established) {
        l->referDone = true;
        if (msg && msg->scode >= 300)
            emit l->d->q->sigSipError(l->id, msg->scode, plText(msg->reason));
        else if (err)
            emit l->d->q->sigSipError(l->id, 500, errnoText(err));
    }
}

int VDKEnginePrivate::sendRefer(VdkLine *l, const std::string &referTo)
{
    if (l->refer)
        return VDK::ErrWrongState;
    l->referDone = false;
    const std::string hdrs = headers();
    const int err = sipevent_drefer(&l->refer, eventSock, sipsess_dialog(l->sess), user.toUtf8().constData(),
                                    &VDKEnginePrivate::authHandler, this, false, &VDKEnginePrivate::referNotify,
                                    &VDKEnginePrivate::referClose, l->ref, "Refer-To: <%s>\r\nReferred-By: <%s>\r\n%s",
                                    referTo.c_str(), aor().c_str(), hdrs.c_str());
    return err ? VDK::ErrNetwork : 0;
}

// --- audio clock --------------------------------------------------------------------

void VDKEnginePrivate::tickHandler(void *arg)
{
    static_cast<VDKEnginePrivate *>(arg)->onTick();
}

void VDKEnginePrivate::onTick()
{
    // Refs of sessions released before this tick can go once their
    // sessions are gone (handlers may still run while a session is freed).
    std::vector<LineRef *> refs;
    refs.swap(staleRefs);
    for (void *g : garbage)
        mem_deref(g);
    garbage.clear();
    for (LineRef *r : refs)
        delete r;
    if (regFailed && reg) {
        reg = static_cast<sipreg *>(mem_deref(reg));
    }
    const uint64_t now = tmr_jiffies();
    // Nothing to play or send: the clock slows down to 10 ticks a second.
    bool busy = false;
    for (const VdkLine &l : lines)
        busy = busy || l.state != VdkLine::Free;
    for (const VdkDevice &dev : devices)
        busy = busy || (dev.isInput() && !dev.outputs.empty());
    if (!busy) {
        updateSoundDevices();
        nextTickMs = now + 20;
        tmr_start(&tick, 100, &VDKEnginePrivate::tickHandler, this);
        return;
    }
    // Catch up with the wall clock, at most five frames at a time.
    int frames = 0;
    while (nextTickMs <= now && frames < 5) {
        audioFrame();
        nextTickMs += 20;
        ++frames;
    }
    if (nextTickMs + 100 < now)
        nextTickMs = now + 20;
    updateSoundDevices();
    tmr_start(&tick, nextTickMs > now ? nextTickMs - now : 1, &VDKEnginePrivate::tickHandler, this);
}

bool VDKEnginePrivate::reopenFile(VdkDevice &dev)
{
    dev.file = static_cast<aufile *>(mem_deref(dev.file));
    aufile_prm prm{};
    if (aufile_open(&dev.file, &prm, dev.path.c_str(), AUFILE_READ) != 0)
        return false;
    if (prm.srate != VDK::kSampleRate || prm.channels != 1 || prm.fmt != AUFMT_S16LE) {
        dev.file = static_cast<aufile *>(mem_deref(dev.file));
        return false;
    }
    dev.finished = false;
    return true;
}

void VDKEnginePrivate::readInput(VdkDevice &dev)
{
    dev.frame.fill(0);
    if (dev.kind == VdkDevice::SystemIn) {
        if (sound)
            sound->read(dev.name, dev.frame.data(), dev.frame.size());
        if (dev.volume != 100) {
            for (int16_t &s : dev.frame)
                s = int16_t(std::clamp(int(s) * dev.volume / 100, -32768, 32767));
        }
        return;
    }
    if (!dev.file && dev.kind == VdkDevice::TestIn && !dev.finished && !reopenFile(dev))
        dev.finished = true; // no such file: silence
    if (!dev.file || dev.finished)
        return;
    size_t want = sizeof(int16_t) * VDK::kFrameSamples;
    size_t got = want;
    aufile_read(dev.file, reinterpret_cast<uint8_t *>(dev.frame.data()), &got);
    if (got < want) {
        if (dev.loop && reopenFile(dev)) {
            size_t more = want - got;
            aufile_read(dev.file, reinterpret_cast<uint8_t *>(dev.frame.data()) + got, &more);
        } else {
            dev.finished = true;
            emit q->sigFileReadingFinished(dev.id);
        }
    }
    if (dev.volume != 100) {
        for (int16_t &s : dev.frame)
            s = int16_t(std::clamp(int(s) * dev.volume / 100, -32768, 32767));
    }
}

void VDKEnginePrivate::updateSoundDevices()
{
    if (!sound)
        return;
    std::set<int> used;
    for (const VdkLine &l : lines) {
        if (l.state == VdkLine::Free)
            continue;
        used.insert(l.inputs.begin(), l.inputs.end());
        used.insert(l.outputs.begin(), l.outputs.end());
    }
    for (const VdkDevice &dev : devices) {
        if (dev.isInput() && !dev.outputs.empty()) {
            used.insert(dev.id);
            used.insert(dev.outputs.begin(), dev.outputs.end());
        }
    }
    for (const VdkDevice &dev : devices) {
        if (dev.kind != VdkDevice::SystemIn && dev.kind != VdkDevice::SystemOut)
            continue;
        const bool want = used.count(dev.id) > 0;
        const bool open = soundOpen.count(dev.id) > 0;
        if (want == open)
            continue;
        if (want) {
            dev.kind == VdkDevice::SystemIn ? sound->openInput(dev.name) : sound->openOutput(dev.name);
            soundOpen.insert(dev.id);
        } else {
            dev.kind == VdkDevice::SystemIn ? sound->closeInput(dev.name) : sound->closeOutput(dev.name);
            soundOpen.erase(dev.id);
        }
    }
}

// Echo control: speexdsp's adaptive canceller (the "LMS filter") against
// what the reference output played in the previous frame, then its residual
// echo suppressor.
void VDKEnginePrivate::setupEcho(VdkDevice &in, int tailMs)
{
    freeEcho(in);
    const int tail = std::clamp(tailMs, 20, 1000) * VDK::kSampleRate / 1000;
    in.echo = speex_echo_state_init(VDK::kFrameSamples, tail);
    int rate = VDK::kSampleRate;
    speex_echo_ctl(in.echo, SPEEX_ECHO_SET_SAMPLING_RATE, &rate);
    in.pre = speex_preprocess_state_init(VDK::kFrameSamples, VDK::kSampleRate);
    speex_preprocess_ctl(in.pre, SPEEX_PREPROCESS_SET_ECHO_STATE, in.echo);
    speex_preprocess_ctl(in.pre, SPEEX_PREPROCESS_SET_ECHO_SUPPRESS, &in.suppressDb);
    speex_preprocess_ctl(in.pre, SPEEX_PREPROCESS_SET_ECHO_SUPPRESS_ACTIVE, &in.suppressActiveDb);
}

void VDKEnginePrivate::applyEcho(VdkDevice &dev)
{
    const VdkDevice *ref = device(dev.echoRef);
    if (!dev.echo || !ref || (!dev.lms && !dev.suppress))
        return;
    std::array<int16_t, VDK::kFrameSamples> out{};
    speex_echo_cancellation(dev.echo, dev.frame.data(), ref->lastOut.data(), out.data());
    if (dev.lms)
        dev.frame = out;
    if (dev.suppress)
        speex_preprocess_run(dev.pre, dev.frame.data());
}

void VDKEnginePrivate::writeOutput(VdkDevice &dev, const int16_t *pcm)
{
    if (dev.kind == VdkDevice::SystemOut) {
        if (sound)
            sound->write(dev.name, pcm, VDK::kFrameSamples);
        return;
    }
    if (dev.kind != VdkDevice::TestOut)
        return;
    if (!dev.file) {
        aufile_prm prm{VDK::kSampleRate, 1, AUFMT_S16LE};
        if (aufile_open(&dev.file, &prm, dev.path.c_str(), AUFILE_WRITE) != 0)
            return;
    }
    aufile_write(dev.file, reinterpret_cast<const uint8_t *>(pcm), sizeof(int16_t) * VDK::kFrameSamples);
}

void VDKEnginePrivate::audioFrame()
{
    // Inputs that something listens to.
    std::set<int> used;
    for (const VdkLine &l : lines)
        used.insert(l.inputs.begin(), l.inputs.end());
    for (const VdkDevice &dev : devices) {
        if (dev.isInput() && !dev.outputs.empty())
            used.insert(dev.id);
    }
    for (VdkDevice &dev : devices) {
        if (dev.isInput() && used.count(dev.id)) {
            readInput(dev);
            applyEcho(dev);
        }
    }
    const uint64_t now = tmr_jiffies();
    // Lines: send what their inputs give, take what the far end sent.
    for (VdkLine &l : lines) {
        if (l.state == VdkLine::Free || !l.media || !l.media->ready())
            continue;
        std::array<int, VDK::kFrameSamples> mix{};
        if (!l.pauseOut) {
            for (int in : l.inputs) {
                if (const VdkDevice *dev = device(in)) {
                    for (int i = 0; i < VDK::kFrameSamples; ++i)
                        mix[size_t(i)] += dev->frame[size_t(i)];
                }
            }
            if (l.dtmfTone) {
                for (int i = 0; i < VDK::kFrameSamples; ++i) {
                    if (mbuf_get_left(l.dtmfTone) < 2)
                        l.dtmfTone->pos = 0;
                    mix[size_t(i)] += int16_t(mbuf_read_u16(l.dtmfTone));
                }
            }
        }
        std::array<int16_t, VDK::kFrameSamples> out{};
        for (int i = 0; i < VDK::kFrameSamples; ++i)
            out[size_t(i)] = int16_t(std::clamp(mix[size_t(i)], -32768, 32767));
        if (l.state == VdkLine::Established || l.state == VdkLine::Early)
            l.media->sendFrame(out.data());
        l.media->receiveFrame(l.rx.data());
        if (l.pauseIn)
            l.rx.fill(0);
        else if (l.volume != 100) {
            for (int16_t &s : l.rx)
                s = int16_t(std::clamp(int(s) * l.volume / 100, -32768, 32767));
        }
        // Missing media.
        if (l.state == VdkLine::Established && missingMediaSecs > 0 && holdStatus(&l) == VDK::LineFullDuplex) {
            const uint64_t last = std::max(l.media->lastReceiveMs(), l.establishedMs);
            if (now > last + uint64_t(missingMediaSecs) * 1000) {
                if (!l.mediaWarned) {
                    l.mediaWarned = true;
                    log(100, QStringLiteral("no media on line %1 for %2 s").arg(l.id).arg(missingMediaSecs));
                }
                if (hangupOnMissingMedia) {
                    endLine(&l, true);
                    continue;
                }
            } else {
                l.mediaWarned = false;
            }
        }
    }
    // Outputs: lines and input devices routed to them.
    for (VdkDevice &dev : devices) {
        if (dev.isInput())
            continue;
        std::array<int, VDK::kFrameSamples> mix{};
        bool any = false;
        for (const VdkLine &l : lines) {
            if (l.state != VdkLine::Free && l.outputs.count(dev.id)) {
                any = true;
                for (int i = 0; i < VDK::kFrameSamples; ++i)
                    mix[size_t(i)] += l.rx[size_t(i)];
            }
        }
        for (const VdkDevice &in : devices) {
            if (in.isInput() && in.outputs.count(dev.id)) {
                any = true;
                for (int i = 0; i < VDK::kFrameSamples; ++i)
                    mix[size_t(i)] += in.frame[size_t(i)];
            }
        }
        std::array<int16_t, VDK::kFrameSamples> out{};
        int peak = 0;
        for (int i = 0; i < VDK::kFrameSamples; ++i) {
            const int v = std::clamp(mix[size_t(i)] * dev.volume / 100, -32768, 32767);
            out[size_t(i)] = int16_t(v);
            peak = std::max(peak, std::abs(v));
        }
        dev.peak = peak * 100.0 / 32768.0;
        dev.lastOut = out;
        if (any)
            writeOutput(dev, out.data());
    }
    for (VdkDevice &dev : devices) {
        if (!dev.isInput())
            continue;
        int peak = 0;
        for (int16_t s : dev.frame)
            peak = std::max(peak, std::abs(int(s)));
        dev.peak = used.count(dev.id) ? peak * 100.0 / 32768.0 : 0.0;
    }
}

// --- the engine object --------------------------------------------------------------

#define D_TRACE(name, args, expr) d->trace(name, args, (expr))

VDKEngineBackend::VDKEngineBackend(const VDKLogConfig &logConfig, VDK::EngineEvents *events)
    : d(std::make_unique<VDKEnginePrivate>(events))
{
    d->logConfig = logConfig;
    d->tracePath = qEnvironmentVariable("VDK_TRACE");
    d->sipTracePath = qEnvironmentVariable("VDK_SIP_TRACE");
    // Devices: the system's, then the test devices.
    auto add = [this](VdkDevice::Kind kind, const QString &name, const std::string &path) {
        VdkDevice dev;
        dev.id = int(d->devices.size());
        dev.kind = kind;
        dev.name = name;
        dev.path = path;
        d->devices.push_back(dev);
    };
    for (const QAudioDeviceInfo &info : QAudioDeviceInfo::availableDevices(QAudio::AudioInput))
        add(VdkDevice::SystemIn, info.deviceName(), std::string());
    for (const QAudioDeviceInfo &info : QAudioDeviceInfo::availableDevices(QAudio::AudioOutput))
        add(VdkDevice::SystemOut, info.deviceName(), std::string());
    const QString testDir = qEnvironmentVariable("VDK_TEST_DEVICES");
    if (!testDir.isEmpty()) {
        add(VdkDevice::TestIn, QStringLiteral("WAV file"),
            QFile::encodeName(QDir(testDir).filePath(QStringLiteral("input.wav"))).toStdString());
        add(VdkDevice::TestOut, QStringLiteral("capture to WAV file"),
            QFile::encodeName(QDir(testDir).filePath(QStringLiteral("capture.wav"))).toStdString());
    }
}

VDKEngineBackend::~VDKEngineBackend()
{
    shutdown();
}

int VDKEngineBackend::setDefaultSipProxy(const QString &host, int port, int tlsPort)
{
    if (d->initialized)
        return D_TRACE("setDefaultSipProxy", host, VDK::ErrAlreadyInitialized);
    if (port < 0 || port > 65535 || tlsPort < 0 || tlsPort > 65535 || host.size() > 255)
        return D_TRACE("setDefaultSipProxy", host, VDK::ErrInvalidArgument);
    d->proxyHost = host.trimmed();
    d->proxyPort = port ? port : 5060;
    d->proxyTlsPort = tlsPort ? tlsPort : 5061;
    return D_TRACE("setDefaultSipProxy", QStringLiteral("%1,%2,%3").arg(host).arg(port).arg(tlsPort), 0);
}

int VDKEngineBackend::setDefaultSipRegistrar(const QString &host, int port, int tlsPort)
{
    if (d->initialized)
        return VDK::ErrAlreadyInitialized;
    if (port < 0 || port > 65535 || tlsPort < 0 || tlsPort > 65535 || host.trimmed().isEmpty() || host.size() > 255)
        return D_TRACE("setDefaultSipRegistrar", host, VDK::ErrInvalidArgument);
    d->registrarHost = host.trimmed();
    d->registrarPort = port ? port : 5060;
    d->registrarTlsPort = tlsPort ? tlsPort : 5061;
    return D_TRACE("setDefaultSipRegistrar", QStringLiteral("%1,%2,%3").arg(host).arg(port).arg(tlsPort), 0);
}

int VDKEngineBackend::setLocalNetworkAddress(const QString &address)
{
    if (d->initialized)
        return VDK::ErrAlreadyInitialized;
    if (QHostAddress(address).isNull())
        return D_TRACE("setLocalNetworkAddress", address, VDK::ErrInvalidArgument);
    d->localAddress = address;
    return D_TRACE("setLocalNetworkAddress", address, 0);
}

int VDKEngineBackend::setQosDefaultValues(int sipTos, int audioTos, int videoTos)
{
    if (sipTos < 0 || sipTos > 255 || audioTos < 0 || audioTos > 255 || videoTos < 0 || videoTos > 255)
        return VDK::ErrInvalidArgument;
    d->sipTos = sipTos;
    d->audioTos = audioTos;
    return D_TRACE("setQosDefaultValues", QStringLiteral("%1,%2,%3").arg(sipTos).arg(audioTos).arg(videoTos), 0);
}

int VDKEngineBackend::enableTlsUsage(bool on)
{
    if (d->initialized)
        return VDK::ErrAlreadyInitialized;
    d->tlsEnabled = on;
    return D_TRACE("enableTlsUsage", QString::number(on), 0);
}

int VDKEngineBackend::setDefaultSignalingTransportProtocol(int transport)
{
    if (d->initialized)
        return VDK::ErrAlreadyInitialized;
    if (transport < VDK::TransportUdp || transport > VDK::TransportTls)
        return D_TRACE("setDefaultSignalingTransportProtocol", QString::number(transport), VDK::ErrInvalidArgument);
    d->transport = transport;
    return D_TRACE("setDefaultSignalingTransportProtocol", QString::number(transport), 0);
}

int VDKEngineBackend::setTlsCertificateDir(const QString &dir)
{
    if (d->initialized)
        return VDK::ErrAlreadyInitialized;
    d->certDir = dir;
    return D_TRACE("setTlsCertificateDir", dir, 0);
}

int VDKEngineBackend::setSipPort(int port)
{
    if (d->initialized)
        return VDK::ErrAlreadyInitialized;
    if (port < 0 || port > 65535)
        return VDK::ErrInvalidArgument;
    d->sipPort = port;
    return D_TRACE("setSipPort", QString::number(port), 0);
}

int VDKEngineBackend::addSipAccount(const QString &authUser, const QString &password, const QString &user)
{
    auto bad = [](const QString &s) {
        if (s.size() > 128)
            return true;
        for (const QChar ch : s) {
            if (ch.unicode() < 0x20 || ch == QLatin1Char('"') || ch == QLatin1Char('\\'))
                return true;
        }
        return false;
    };
    if (user.trimmed().isEmpty() || bad(authUser) || bad(password) || bad(user) || user.contains(QLatin1Char('@')) ||
        user.contains(QLatin1Char(' ')))
        return D_TRACE("addSipAccount", user, VDK::ErrInvalidArgument);
    auto set = [&] {
        d->authUser = authUser.isEmpty() ? user : authUser;
        d->password = password;
        d->user = user;
        d->haveAccount = true;
        return 0;
    };
    if (d->initialized)
        d->loop.call(set);
    else
        set();
    return D_TRACE("addSipAccount", user, 0);
}

int VDKEngineBackend::setWarningThresholdForMissingMedia(int seconds)
{
    if (seconds < 0 || seconds > 3600)
        return VDK::ErrInvalidArgument;
    if (d->initialized)
        d->loop.call([&] {
            d->missingMediaSecs = seconds;
            return 0;
        });
    else
        d->missingMediaSecs = seconds;
    return D_TRACE("setWarningThresholdForMissingMedia", QString::number(seconds), 0);
}

int VDKEngineBackend::hangupWhenMediaMissingOverThreshold(bool on)
{
    if (d->initialized)
        d->loop.call([&] {
            d->hangupOnMissingMedia = on;
            return 0;
        });
    else
        d->hangupOnMissingMedia = on;
    return D_TRACE("hangupWhenMediaMissingOverThreshold", QString::number(on), 0);
}

int VDKEngineBackend::setMaxUsableLines(int lines, int reserved)
{
    (void)reserved;
    if (d->initialized)
        return VDK::ErrAlreadyInitialized;
    if (lines < 1 || lines > kMaxLines)
        return D_TRACE("setMaxUsableLines", QString::number(lines), VDK::ErrInvalidArgument);
    d->maxLines = lines;
    return D_TRACE("setMaxUsableLines", QString::number(lines), 0);
}

int VDKEngineBackend::init()
{
    if (d->initialized)
        return D_TRACE("init", QString(), VDK::ErrAlreadyInitialized);
    if (d->registrarHost.isEmpty())
        return D_TRACE("init", QString(), VDK::ErrInvalidArgument);
    for (const VdkDevice &dev : d->devices) {
        if ((dev.kind == VdkDevice::SystemIn || dev.kind == VdkDevice::SystemOut) && !d->sound)
            d->sound = std::make_unique<VDK::SoundCard>();
    }
    d->loop.setName("vdk-engine");
    const bool ok = d->loop.start([this] {
        const int err = d->setupStack();
        if (err) {
            d->sessSock = static_cast<sipsess_sock *>(mem_deref(d->sessSock));
            d->eventSock = static_cast<sipevent_sock *>(mem_deref(d->eventSock));
            d->methodFilter = static_cast<sip_lsnr *>(mem_deref(d->methodFilter));
            d->finalizeStack();
        }
        return err;
    });
    if (!ok)
        return D_TRACE("init", QString(), VDK::ErrNetwork);
    d->initialized = true;
    d->log(1000, QStringLiteral("engine started"));
    return D_TRACE("init", QString(), 0);
}

int VDKEngineBackend::shutdown()
{
    if (!d->initialized)
        return 0;
    d->initialized = false;
    d->loop.stop([this] { d->teardownStack(); }, 2000, [this] { d->finalizeStack(); });
    d->sound.reset();
    d->soundOpen.clear();
    return D_TRACE("shutdown", QString(), 0);
}

QString VDKEngineBackend::getVersionInfo() const
{
    return QString::fromLatin1(kVersion);
}

int VDKEngineBackend::disableSipMethod(const QString &method)
{
    const QString m = method.trimmed().toUpper();
    if (m.isEmpty() || m.size() > 32 || m == QLatin1String("INVITE") || m == QLatin1String("ACK") ||
        m == QLatin1String("BYE") || m == QLatin1String("CANCEL"))
        return D_TRACE("disableSipMethod", method, VDK::ErrInvalidArgument);
    auto fn = [&] {
        d->disabledMethods.insert(m.toStdString());
        return 0;
    };
    return D_TRACE("disableSipMethod", method, d->initialized ? d->loop.call(fn) : fn());
}

int VDKEngineBackend::enableSipDebug(bool on)
{
    if (d->initialized)
        d->loop.call([&] {
            d->sipDebug = on;
            return 0;
        });
    else
        d->sipDebug = on;
    return D_TRACE("enableSipDebug", QString::number(on), 0);
}

int VDKEngineBackend::setSipUserAgentString(const QString &userAgent)
{
    QString ua = userAgent;
    for (QChar &ch : ua) {
        if (ch.unicode() < 0x20 || ch.unicode() >= 0x7f)
            ch = QLatin1Char(' ');
    }
    ua = ua.left(128).trimmed();
    if (ua.isEmpty())
        return VDK::ErrInvalidArgument;
    auto fn = [&] {
        d->userAgent = ua.toStdString();
        return 0;
    };
    return D_TRACE("setSipUserAgentString", ua, d->initialized ? d->loop.call(fn) : fn());
}

int VDKEngineBackend::setLinesAudioJitterBufferSize(int minMs, int maxMs)
{
    if (minMs <= 0 || maxMs <= minMs || maxMs > 2000)
        return D_TRACE("setLinesAudioJitterBufferSize", QStringLiteral("%1,%2").arg(minMs).arg(maxMs),
                       VDK::ErrInvalidArgument);
    auto fn = [&] {
        d->jbMinFrames = std::max(1, minMs / 20);
        d->jbMaxFrames = std::max(d->jbMinFrames + 1, maxMs / 20);
        return 0;
    };
    return D_TRACE("setLinesAudioJitterBufferSize", QStringLiteral("%1,%2").arg(minMs).arg(maxMs),
                   d->initialized ? d->loop.call(fn) : fn());
}

int VDKEngineBackend::setDtmfDeliveryMode(VDK::DtmfDeliveryModeType mode)
{
    if (mode < VDK::DtmfInAudio || mode > VDK::DtmfSipInfo)
        return D_TRACE("setDtmfDeliveryMode", QString::number(mode), VDK::ErrInvalidArgument);
    auto fn = [&] {
        d->dtmfMode = mode;
        return 0;
    };
    return D_TRACE("setDtmfDeliveryMode", QString::number(mode), d->initialized ? d->loop.call(fn) : fn());
}

int VDKEngineBackend::disableAudioCodec(const QString &codec)
{
    auto fn = [&] {
        const std::string c = codec.toUpper().toStdString();
        d->codecs.erase(std::remove(d->codecs.begin(), d->codecs.end(), c), d->codecs.end());
        return 0;
    };
    return D_TRACE("disableAudioCodec", codec, d->initialized ? d->loop.call(fn) : fn());
}

int VDKEngineBackend::setAudioCodecPriority(const QStringList &codecs)
{
    std::vector<std::string> list;
    for (const QString &c : codecs) {
        const std::string name = c.trimmed().toUpper().toStdString();
        if (VDK::isKnownCodec(name) && std::find(list.begin(), list.end(), name) == list.end())
            list.push_back(name);
    }
    if (list.empty())
        return D_TRACE("setAudioCodecPriority", codecs.join(QLatin1Char(',')), VDK::ErrCodec);
    auto fn = [&] {
        d->codecs = list;
        return 0;
    };
    return D_TRACE("setAudioCodecPriority", codecs.join(QLatin1Char(',')), d->initialized ? d->loop.call(fn) : fn());
}

QStringList VDKEngineBackend::audioCodecPriority() const
{
    QStringList out;
    auto fn = [&] {
        for (const std::string &c : d->codecs)
            out << QString::fromStdString(c);
        return 0;
    };
    if (d->initialized)
        d->loop.call(fn);
    else
        fn();
    return out;
}

QString VDKEngineBackend::getErrorMessage(int code) const
{
    switch (code) {
    case VDK::ErrOk:
        return QStringLiteral("No error");
    case VDK::ErrNotInitialized:
        return QStringLiteral("Engine not initialized");
    case VDK::ErrInvalidArgument:
        return QStringLiteral("Invalid argument");
    case VDK::ErrInvalidLine:
        return QStringLiteral("Invalid line");
    case VDK::ErrInvalidDevice:
        return QStringLiteral("Invalid device");
    case VDK::ErrWrongState:
        return QStringLiteral("Operation not allowed in the line's state");
    case VDK::ErrNetwork:
        return QStringLiteral("Network or SIP stack error");
    case VDK::ErrTls:
        return QStringLiteral("TLS error");
    case VDK::ErrAlreadyInitialized:
        return QStringLiteral("Engine already initialized");
    case VDK::ErrCodec:
        return QStringLiteral("No usable audio codec");
    case VDK::ErrFile:
        return QStringLiteral("Audio file missing or not 8 kHz mono 16-bit WAV");
    case VDK::ErrModule:
        return QStringLiteral("Engine module not loaded");
    case VDK::ErrNoFreeLine:
        return QStringLiteral("No free line");
    default:
        return QStringLiteral("Error %1").arg(code);
    }
}

// --- account ------------------------------------------------------------------------

int VDKEngineBackend::setActiveSipAccount(int account)
{
    return D_TRACE("setActiveSipAccount", QString::number(account),
                   account == 0 && d->haveAccount ? 0 : VDK::ErrInvalidArgument);
}

int VDKEngineBackend::registerSipAccount(int account)
{
    if (account != 0 || !d->haveAccount)
        return D_TRACE("registerSipAccount", QString::number(account), VDK::ErrInvalidArgument);
    if (!d->initialized)
        return D_TRACE("registerSipAccount", QString::number(account), VDK::ErrNotInitialized);
    const int r = d->loop.call([this] {
        if (d->reg && sipreg_registered(d->reg) && !d->regFailed) {
            // The stack refreshes the binding itself; confirm it again.
            emit d->q->sigRegistrationOk(0, 200, QStringLiteral("OK"));
            return 0;
        }
        d->reg = static_cast<sipreg *>(mem_deref(d->reg));
        d->regFailed = false;
        d->regAuthAnswered = false;
        if (d->credentialsRefused()) {
            // Nothing goes out with credentials the registrar has refused.
            d->regFailed = true;
            emit d->q->sigRegistrationFail(0, d->refused.code, d->refused.reason);
            return 0;
        }
        const int port = d->transport == VDK::TransportTls ? d->registrarTlsPort : d->registrarPort;
        const char *tp = d->transport == VDK::TransportTls   ? ";transport=tls"
                         : d->transport == VDK::TransportTcp ? ";transport=tcp"
                                                             : "";
        const std::string regUri =
            QStringLiteral("sip:%1:%2%3").arg(d->registrarHost).arg(port).arg(QLatin1String(tp)).toStdString();
        const std::string aor = d->aor();
        const std::string hdrs = d->headers();
        const int err = sipreg_register(&d->reg, d->sipStack, regUri.c_str(), aor.c_str(), nullptr, aor.c_str(),
                                        kRegisterExpiresSecs, d->user.toUtf8().constData(), nullptr, 0, 0,
                                        &VDKEnginePrivate::regAuthHandler, d.get(), false,
                                        &VDKEnginePrivate::regResponse, d.get(), nullptr, "%s", hdrs.c_str());
        return err ? int(VDK::ErrNetwork) : 0;
    });
    return D_TRACE("registerSipAccount", QString::number(account), r);
}

int VDKEngineBackend::unregisterSipAccount(int account)
{
    if (account != 0 || !d->haveAccount)
        return D_TRACE("unregisterSipAccount", QString::number(account), VDK::ErrInvalidArgument);
    if (!d->initialized)
        return D_TRACE("unregisterSipAccount", QString::number(account), VDK::ErrNotInitialized);
    const int r = d->loop.call([this] {
        if (!d->reg)
            return int(VDK::ErrWrongState);
        d->reg = static_cast<sipreg *>(mem_deref(d->reg)); // sends REGISTER with Expires 0
        return 0;
    });
    return D_TRACE("unregisterSipAccount", QString::number(account), r);
}

// --- devices ------------------------------------------------------------------------

QStringList VDKEngineBackend::getAudioInputDeviceList() const
{
    QStringList out;
    for (const VdkDevice &dev : d->devices) {
        if (dev.kind == VdkDevice::SystemIn || dev.kind == VdkDevice::TestIn)
            out << dev.name;
    }
    return out;
}

QStringList VDKEngineBackend::getAudioOutputDeviceList() const
{
    QStringList out;
    for (const VdkDevice &dev : d->devices) {
        if (dev.kind == VdkDevice::SystemOut || dev.kind == VdkDevice::TestOut)
            out << dev.name;
    }
    return out;
}

int VDKEngineBackend::getAudioInputDevice(const QString &name, int, int, int)
{
    for (const VdkDevice &dev : d->devices) {
        if ((dev.kind == VdkDevice::SystemIn || dev.kind == VdkDevice::TestIn) && dev.name == name)
            return D_TRACE("getAudioInputDevice", name, dev.id);
    }
    return D_TRACE("getAudioInputDevice", name, VDK::ErrInvalidDevice);
}

int VDKEngineBackend::getAudioOutputDevice(const QString &name, int, int, int)
{
    for (const VdkDevice &dev : d->devices) {
        if ((dev.kind == VdkDevice::SystemOut || dev.kind == VdkDevice::TestOut) && dev.name == name)
            return D_TRACE("getAudioOutputDevice", name, dev.id);
    }
    return D_TRACE("getAudioOutputDevice", name, VDK::ErrInvalidDevice);
}

int VDKEngineBackend::getDefaultAudioInputDevice()
{
    const QString def = QAudioDeviceInfo::defaultInputDevice().deviceName();
    int first = VDK::ErrInvalidDevice;
    for (const VdkDevice &dev : d->devices) {
        if (dev.kind == VdkDevice::SystemIn && dev.name == def)
            return D_TRACE("getDefaultAudioInputDevice", QString(), dev.id);
        if ((dev.kind == VdkDevice::SystemIn || dev.kind == VdkDevice::TestIn) && first < 0)
            first = dev.id;
    }
    return D_TRACE("getDefaultAudioInputDevice", QString(), first);
}

int VDKEngineBackend::getDefaultAudioOutputDevice()
{
    const QString def = QAudioDeviceInfo::defaultOutputDevice().deviceName();
    int first = VDK::ErrInvalidDevice;
    for (const VdkDevice &dev : d->devices) {
        if (dev.kind == VdkDevice::SystemOut && dev.name == def)
            return D_TRACE("getDefaultAudioOutputDevice", QString(), dev.id);
        if ((dev.kind == VdkDevice::SystemOut || dev.kind == VdkDevice::TestOut) && first < 0)
            first = dev.id;
    }
    return D_TRACE("getDefaultAudioOutputDevice", QString(), first);
}

int VDKEngineBackend::getFileInputDevice(const QString &path, bool loop, int)
{
    auto fn = [&]() -> int {
        VdkDevice dev;
        dev.id = int(d->devices.size());
        dev.kind = VdkDevice::FileIn;
        dev.name = path;
        dev.path = QFile::encodeName(path).toStdString();
        dev.loop = loop;
        if (!d->reopenFile(dev))
            return VDK::ErrFile;
        d->devices.push_back(dev);
        return dev.id;
    };
    return D_TRACE("getFileInputDevice", path, d->initialized ? d->loop.call(fn) : fn());
}

int VDKEngineBackend::getDeviceVolumeLevel(int device) const
{
    int out = VDK::ErrInvalidDevice;
    auto fn = [&] {
        if (VdkDevice *dev = d->device(device))
            out = dev->volume;
        return 0;
    };
    d->initialized ? d->loop.call(fn) : fn();
    return out;
}

int VDKEngineBackend::setDeviceVolumeLevel(int device, int level)
{
    if (level < 0 || level > 100)
        return VDK::ErrInvalidArgument;
    auto fn = [&]() -> int {
        VdkDevice *dev = d->device(device);
        if (!dev)
            return VDK::ErrInvalidDevice;
        dev->volume = level;
        return 0;
    };
    return D_TRACE("setDeviceVolumeLevel", QStringLiteral("%1,%2").arg(device).arg(level),
                   d->initialized ? d->loop.call(fn) : fn());
}

namespace
{
template <typename F> int onDevices(VDKEnginePrivate *d, F fn)
{
    return d->initialized ? d->loop.call(fn) : fn();
}
} // namespace

int VDKEngineBackend::enableDeviceMediaCaching(int device, int ms)
{
    const int r = onDevices(d.get(), [&]() -> int {
        VdkDevice *dev = d->device(device);
        if (!dev || dev->isInput())
            return VDK::ErrInvalidDevice;
        if (ms < 0 || ms > 1000)
            return VDK::ErrInvalidArgument;
        dev->cacheMs = ms;
        return 0;
    });
    return D_TRACE("enableDeviceMediaCaching", QStringLiteral("%1,%2").arg(device).arg(ms), r);
}

int VDKEngineBackend::enableEchoCancelBetweenDevices(int inputDevice, int outputDevice)
{
    const int r = onDevices(d.get(), [&]() -> int {
        VdkDevice *in = d->device(inputDevice);
        VdkDevice *out = d->device(outputDevice);
        if (!in || !out || !in->isInput() || out->isInput())
            return VDK::ErrInvalidDevice;
        in->echoRef = outputDevice;
        in->lms = true;
        in->suppress = true;
        d->setupEcho(*in, out->cacheMs > 0 ? out->cacheMs : 250);
        return 0;
    });
    return D_TRACE("enableEchoCancelBetweenDevices", QStringLiteral("%1,%2").arg(inputDevice).arg(outputDevice), r);
}

int VDKEngineBackend::enableDeviceEchoCancelLmsFilter(bool on, int device)
{
    const int r = onDevices(d.get(), [&]() -> int {
        VdkDevice *in = d->device(device);
        if (!in || !in->isInput())
            return VDK::ErrInvalidDevice;
        in->lms = on;
        return 0;
    });
    return D_TRACE("enableDeviceEchoCancelLmsFilter", QStringLiteral("%1,%2").arg(on).arg(device), r);
}

int VDKEngineBackend::enableDeviceEchoSuppression(bool on, int device)
{
    const int r = onDevices(d.get(), [&]() -> int {
        VdkDevice *in = d->device(device);
        if (!in || !in->isInput())
            return VDK::ErrInvalidDevice;
        in->suppress = on;
        return 0;
    });
    return D_TRACE("enableDeviceEchoSuppression", QStringLiteral("%1,%2").arg(on).arg(device), r);
}

int VDKEngineBackend::setDeviceEchoSuppressionParameters(double lowerPercent, double upperPercent, int convergenceMs,
                                                         int divider, int device)
{
    if (!(lowerPercent >= 0 && lowerPercent <= 100 && upperPercent >= 0 && upperPercent <= 100 &&
          convergenceMs >= 1000 && convergenceMs <= 120000 && divider >= 2 && divider <= 50))
        return D_TRACE("setDeviceEchoSuppressionParameters", QString::number(device), VDK::ErrInvalidArgument);
    const int r = onDevices(d.get(), [&]() -> int {
        VdkDevice *in = d->device(device);
        if (!in || !in->isInput())
            return VDK::ErrInvalidDevice;
        // The thresholds become the suppressor's attenuation: the upper one
        // while only the far end talks, the lower one while both do
        // (100 % = 60 dB).
        in->suppressDb = -int(std::lround(upperPercent * 0.6));
        in->suppressActiveDb = -int(std::lround(lowerPercent * 0.6));
        if (in->pre) {
            speex_preprocess_ctl(in->pre, SPEEX_PREPROCESS_SET_ECHO_SUPPRESS, &in->suppressDb);
            speex_preprocess_ctl(in->pre, SPEEX_PREPROCESS_SET_ECHO_SUPPRESS_ACTIVE, &in->suppressActiveDb);
        }
        return 0;
    });
    return D_TRACE("setDeviceEchoSuppressionParameters", QString::number(device), r);
}

int VDKEngineBackend::enableDoNotDisturb(bool on)
{
    auto fn = [&] {
        d->dnd = on;
        return 0;
    };
    return D_TRACE("enableDoNotDisturb", QString::number(on), d->initialized ? d->loop.call(fn) : fn());
}

// --- routing ------------------------------------------------------------------------

namespace
{
enum class Route { DevDev, DevLine, LineDev };
}

static int routeChange(VDKEnginePrivate *d, Route kind, int a, int b, bool on)
{
    if (!d->initialized)
        return VDK::ErrNotInitialized;
    return d->loop.call([&]() -> int {
        if (kind == Route::DevDev) {
            VdkDevice *in = d->device(a);
            VdkDevice *out = d->device(b);
            if (!in || !out || !in->isInput() || out->isInput())
                return VDK::ErrInvalidDevice;
            if (on) {
                if (in->kind == VdkDevice::FileIn && in->finished && !d->reopenFile(*in))
                    return VDK::ErrFile;
                in->outputs.insert(b);
            } else {
                in->outputs.erase(b);
            }
            return 0;
        }
        const int lineId = kind == Route::DevLine ? b : a;
        const int devId = kind == Route::DevLine ? a : b;
        VdkLine *l = d->lineAt(lineId);
        VdkDevice *dev = d->device(devId);
        if (!l)
            return VDK::ErrInvalidLine;
        if (!dev || dev->isInput() != (kind == Route::DevLine))
            return VDK::ErrInvalidDevice;
        if (l->state == VdkLine::Free)
            return VDK::ErrWrongState;
        std::set<int> &set = kind == Route::DevLine ? l->inputs : l->outputs;
        if (on) {
            if (dev->kind == VdkDevice::FileIn && dev->finished && !d->reopenFile(*dev))
                return VDK::ErrFile;
            set.insert(devId);
        } else {
            set.erase(devId);
        }
        return 0;
    });
}

int VDKEngineBackend::connectDevices(int inputDevice, int outputDevice)
{
    return D_TRACE("connectDevices", QStringLiteral("%1,%2").arg(inputDevice).arg(outputDevice),
                   routeChange(d.get(), Route::DevDev, inputDevice, outputDevice, true));
}

int VDKEngineBackend::disconnectDevices(int inputDevice, int outputDevice)
{
    return D_TRACE("disconnectDevices", QStringLiteral("%1,%2").arg(inputDevice).arg(outputDevice),
                   routeChange(d.get(), Route::DevDev, inputDevice, outputDevice, false));
}

int VDKEngineBackend::connectDeviceToLine(int inputDevice, int line)
{
    return D_TRACE("connectDeviceToLine", QStringLiteral("%1,%2").arg(inputDevice).arg(line),
                   routeChange(d.get(), Route::DevLine, inputDevice, line, true));
}

int VDKEngineBackend::connectLineToDevice(int line, int outputDevice)
{
    return D_TRACE("connectLineToDevice", QStringLiteral("%1,%2").arg(line).arg(outputDevice),
                   routeChange(d.get(), Route::LineDev, line, outputDevice, true));
}

int VDKEngineBackend::disconnectDeviceFromLine(int inputDevice, int line)
{
    return D_TRACE("disconnectDeviceFromLine", QStringLiteral("%1,%2").arg(inputDevice).arg(line),
                   routeChange(d.get(), Route::DevLine, inputDevice, line, false));
}

int VDKEngineBackend::disconnectLineFromDevice(int line, int outputDevice)
{
    return D_TRACE("disconnectLineFromDevice", QStringLiteral("%1,%2").arg(line).arg(outputDevice),
                   routeChange(d.get(), Route::LineDev, line, outputDevice, false));
}

// --- calls --------------------------------------------------------------------------

int VDKEngineBackend::startAudioCall(const QString &sipAddress)
{
    if (!d->initialized)
        return D_TRACE("startAudioCall", QString(), VDK::ErrNotInitialized);
    std::string to;
    if (!cleanSipAddress(sipAddress, &to))
        return D_TRACE("startAudioCall", QString(), VDK::ErrInvalidArgument);
    const int r = d->loop.call([&]() -> int {
        VdkLine *l = d->freeLine();
        if (!l)
            return VDK::ErrNoFreeLine;
        auto *media = new VDK::MediaStream;
        mbuf *desc = nullptr;
        if (media->open(d->localIp, d->codecs, d->jbMinFrames, d->jbMaxFrames) != 0 || media->encodeOffer(&desc) != 0) {
            delete media;
            return VDK::ErrNetwork;
        }
        media->setTos(d->audioTos);
        const std::string route = d->routeUri();
        const char *routev[] = {route.c_str()};
        const std::string aor = d->aor();
        const std::string hdrs = d->headers();
        l->media = media;
        l->state = VdkLine::Calling;
        l->incoming = false;
        l->remoteUri = to;
        const int err = sipsess_connect(
            &l->sess, d->sessSock, to.c_str(), nullptr, aor.c_str(), d->user.toUtf8().constData(), routev, 1,
            "application/sdp", desc, &VDKEnginePrivate::authHandler, d.get(), false, &VDKEnginePrivate::offerHandler,
            &VDKEnginePrivate::answerHandler, &VDKEnginePrivate::progressHandler, &VDKEnginePrivate::establishedHandler,
            &VDKEnginePrivate::infoHandler, &VDKEnginePrivate::referHandler, &VDKEnginePrivate::closeHandler,
            d->newRef(l), "%s", hdrs.c_str());
        mem_deref(desc);
        if (err) {
            l->sess = nullptr;
            d->releaseLine(l);
            return VDK::ErrNetwork;
        }
        return l->id;
    });
    return D_TRACE("startAudioCall", QString::fromStdString(to), r);
}

namespace
{
template <typename F> int onLine(VDKEnginePrivate *d, int line, F fn)
{
    if (!d->initialized)
        return VDK::ErrNotInitialized;
    return d->loop.call([&]() -> int {
        VdkLine *l = d->lineAt(line);
        if (!l)
            return VDK::ErrInvalidLine;
        if (l->state == VdkLine::Free)
            return VDK::ErrWrongState;
        return fn(l);
    });
}
} // namespace

int VDKEngineBackend::answerAudioCall(int line)
{
    return D_TRACE("answerAudioCall", QString::number(line), onLine(d.get(), line, [this](VdkLine *l) -> int {
                       if (l->state != VdkLine::Ringing || !l->incoming)
                           return VDK::ErrWrongState;
                       mbuf *desc = nullptr;
                       if (l->media->encodeAnswer(&desc) != 0)
                           return VDK::ErrCodec;
                       const std::string hdrs = d->headers();
                       const int err = sipsess_answer(l->sess, 200, "OK", desc, "%s", hdrs.c_str());
                       mem_deref(desc);
                       if (err)
                           return VDK::ErrNetwork;
                       l->state = VdkLine::Early; // established with the ACK
                       return 0;
                   }));
}

int VDKEngineBackend::refuseCall(int line)
{
    return D_TRACE("refuseCall", QString::number(line), onLine(d.get(), line, [this](VdkLine *l) -> int {
                       if (l->state != VdkLine::Ringing || !l->incoming)
                           return VDK::ErrWrongState;
                       sipsess_reject(l->sess, 486, "Busy Here", nullptr);
                       d->endLine(l, true);
                       return 0;
                   }));
}

int VDKEngineBackend::cancelUnansweredCall(int line)
{
    return D_TRACE("cancelUnansweredCall", QString::number(line), onLine(d.get(), line, [this](VdkLine *l) -> int {
                       if (l->incoming || l->state == VdkLine::Established)
                           return VDK::ErrWrongState;
                       d->endLine(l, true); // releasing the session sends CANCEL
                       return 0;
                   }));
}

int VDKEngineBackend::abortCall(int line)
{
    return D_TRACE("abortCall", QString::number(line), onLine(d.get(), line, [this](VdkLine *l) -> int {
                       if (l->state == VdkLine::Ringing && l->incoming)
                           sipsess_reject(l->sess, 486, "Busy Here", nullptr);
                       d->endLine(l, true); // BYE, or CANCEL before the answer
                       return 0;
                   }));
}

int VDKEngineBackend::redirectEstablishedCallToSipAddress(int line, const QString &sipAddress)
{
    std::string to;
    if (!cleanSipAddress(sipAddress, &to))
        return D_TRACE("redirectEstablishedCallToSipAddress", sipAddress, VDK::ErrInvalidArgument);
    return D_TRACE("redirectEstablishedCallToSipAddress", QString::fromStdString(to),
                   onLine(d.get(), line, [&](VdkLine *l) -> int {
                       if (l->state != VdkLine::Established)
                           return VDK::ErrWrongState;
                       return d->sendRefer(l, to);
                   }));
}

int VDKEngineBackend::redirectIncomingCallToSipAddress(int line, const QString &sipAddress)
{
    std::string to;
    if (!cleanSipAddress(sipAddress, &to))
        return D_TRACE("redirectIncomingCallToSipAddress", sipAddress, VDK::ErrInvalidArgument);
    return D_TRACE(
        "redirectIncomingCallToSipAddress", QString::fromStdString(to), onLine(d.get(), line, [&](VdkLine *l) -> int {
            if (l->state != VdkLine::Ringing || !l->incoming)
                return VDK::ErrWrongState;
            sipsess_reject(l->sess, 302, "Moved Temporarily", "Contact: <%s>\r\nContent-Length: 0\r\n\r\n", to.c_str());
            d->endLine(l, true);
            return 0;
        }));
}

int VDKEngineBackend::bridgeLinesRemotely(int line1, int line2)
{
    if (!d->initialized)
        return VDK::ErrNotInitialized;
    const int r = d->loop.call([&]() -> int {
        VdkLine *a = d->lineAt(line1);
        VdkLine *b = d->lineAt(line2);
        if (!a || !b || line1 == line2)
            return VDK::ErrInvalidLine;
        if (a->state != VdkLine::Established || b->state != VdkLine::Established)
            return VDK::ErrWrongState;
        // The far end of line1 is asked to call the far end of line2 in place
        // of our dialog with it (Replaces), then both our calls end.
        std::string replaces = b->callId + ";to-tag=" + b->remoteTag + ";from-tag=" + b->localTag;
        std::string escaped;
        for (char ch : replaces) {
            if (std::isalnum(static_cast<unsigned char>(ch)) || std::strchr("-_.!~*'()", ch))
                escaped += ch;
            else {
                char buf[4];
                std::snprintf(buf, sizeof buf, "%%%02X", static_cast<unsigned char>(ch));
                escaped += buf;
            }
        }
        const std::string referTo = b->remoteUri + "?Replaces=" + escaped;
        return d->sendRefer(a, referTo);
    });
    return D_TRACE("bridgeLinesRemotely", QStringLiteral("%1,%2").arg(line1).arg(line2), r);
}

int VDKEngineBackend::sendDtmf(int line, char digit, int durationMs)
{
    const char up = char(std::toupper(static_cast<unsigned char>(digit)));
    if (!up || !std::strchr("0123456789*#ABCD", up) || durationMs < 40 || durationMs > 5000)
        return D_TRACE("sendDtmf", QStringLiteral("%1,%2").arg(line).arg(durationMs), VDK::ErrInvalidArgument);
    return D_TRACE("sendDtmf", QStringLiteral("%1,%2,%3").arg(line).arg(QLatin1Char(up)).arg(durationMs),
                   onLine(d.get(), line, [&](VdkLine *l) -> int {
                       if (l->state != VdkLine::Established && l->state != VdkLine::Early)
                           return VDK::ErrWrongState;
                       if (l->dtmfQueue.size() >= 64)
                           return VDK::ErrWrongState;
                       l->dtmfQueue.emplace_back(up, durationMs);
                       d->nextDtmf(l);
                       return 0;
                   }));
}

VDK::LineOnHoldStatusType VDKEngineBackend::getLineOnHoldStatus(int line) const
{
    const int r = onLine(d.get(), line, [this](VdkLine *l) { return d->holdStatus(l); });
    return VDK::LineOnHoldStatusType(r);
}

int VDKEngineBackend::setLineOnHoldStatus(int line, VDK::LineOnHoldStatusType status)
{
    if (status != VDK::LineInactive && status != VDK::LineOnHold && status != VDK::LineFullDuplex)
        return D_TRACE("setLineOnHoldStatus", QString::number(line), VDK::ErrInvalidArgument);
    return D_TRACE("setLineOnHoldStatus", QStringLiteral("%1,%2").arg(line).arg(int(status)),
                   onLine(d.get(), line, [&](VdkLine *l) -> int {
                       if (l->state != VdkLine::Established || l->holdPending)
                           return VDK::ErrWrongState;
                       const int dir = status == VDK::LineInactive ? SDP_INACTIVE
                                       : status == VDK::LineOnHold ? SDP_SENDONLY
                                                                   : SDP_SENDRECV;
                       l->media->setLocalDirection(dir);
                       mbuf *desc = nullptr;
                       if (l->media->encodeOffer(&desc) != 0)
                           return VDK::ErrGeneric;
                       const int err = sipsess_modify(l->sess, desc);
                       mem_deref(desc);
                       if (err)
                           return VDK::ErrNetwork;
                       l->holdPending = true;
                       tmr_start(&l->holdTimer, kHoldAnswerTimeoutMs, &VDKEnginePrivate::holdTimeout, l);
                       return 0;
                   }));
}

int VDKEngineBackend::pauseLineIncomingAudio(bool pause, int line)
{
    return D_TRACE("pauseLineIncomingAudio", QStringLiteral("%1,%2").arg(pause).arg(line),
                   onLine(d.get(), line, [&](VdkLine *l) {
                       l->pauseIn = pause;
                       return 0;
                   }));
}

int VDKEngineBackend::pauseLineOutgoingAudio(bool pause, int line)
{
    return D_TRACE("pauseLineOutgoingAudio", QStringLiteral("%1,%2").arg(pause).arg(line),
                   onLine(d.get(), line, [&](VdkLine *l) {
                       l->pauseOut = pause;
                       return 0;
                   }));
}

int VDKEngineBackend::setLineIncomingVolumeLevel(int line, int level)
{
    if (level < 0 || level > 100)
        return VDK::ErrInvalidArgument;
    return D_TRACE("setLineIncomingVolumeLevel", QStringLiteral("%1,%2").arg(line).arg(level),
                   onLine(d.get(), line, [&](VdkLine *l) {
                       l->volume = level;
                       return 0;
                   }));
}

int VDKEngineBackend::getCallDuration(int line) const
{
    return onLine(d.get(), line, [](VdkLine *l) -> int {
        if (l->state != VdkLine::Established)
            return 0;
        return int((tmr_jiffies() - l->answeredMs) / 1000);
    });
}

double VDKEngineBackend::getDevicePeakLevel(int device, int channelType, int *error) const
{
    (void)channelType;
    double peak = 0.0;
    int r = VDK::ErrNotInitialized;
    if (d->initialized) {
        r = d->loop.call([&]() -> int {
            VdkDevice *dev = d->device(device);
            if (!dev)
                return VDK::ErrInvalidDevice;
            peak = dev->peak;
            return 0;
        });
    }
    if (error)
        *error = r;
    return r < 0 ? double(r) : peak;
}

int VDKEngineBackend::getNumberOfFreeLines() const
{
    if (!d->initialized)
        return d->maxLines;
    return d->loop.call([this] {
        int n = 0;
        for (int i = 0; i < d->maxLines; ++i)
            n += d->lines[size_t(i)].state == VdkLine::Free ? 1 : 0;
        return n;
    });
}

int VDKEngineBackend::getNumberOfBusyLines() const
{
    if (!d->initialized)
        return 0;
    return d->loop.call([this] {
        int n = 0;
        for (int i = 0; i < d->maxLines; ++i)
            n += d->lines[size_t(i)].state != VdkLine::Free ? 1 : 0;
        return n;
    });
}

// --- diagnostics --------------------------------------------------------------------

QString VDKEngineBackend::getLocalSipAddress(int transport) const
{
    if (!d->initialized || transport < VDK::TransportUdp || transport > VDK::TransportTls)
        return QString();
    QString out;
    d->loop.call([&] {
        sa laddr;
        const sip_transp tp = transport == VDK::TransportUdp   ? SIP_TRANSP_UDP
                              : transport == VDK::TransportTcp ? SIP_TRANSP_TCP
                                                               : SIP_TRANSP_TLS;
        if (sip_transp_laddr(d->sipStack, &laddr, tp, nullptr) == 0) {
            char buf[64];
            sa_ntop(&laddr, buf, sizeof buf);
            out = QStringLiteral("%1:%2").arg(QLatin1String(buf)).arg(sa_port(&laddr));
        }
        return 0;
    });
    return out;
}

QString VDKEngineBackend::getLineMediaAddress(int line) const
{
    QString out;
    onLine(d.get(), line, [&](VdkLine *l) {
        if (l->media) {
            char buf[64];
            sa_ntop(&d->localIp, buf, sizeof buf);
            out = QStringLiteral("%1:%2").arg(QLatin1String(buf)).arg(l->media->localPort());
        }
        return 0;
    });
    return out;
}

int VDKEngineBackend::getLineMediaStatistics(int line, quint64 *received, quint64 *dropped, quint64 *lost) const
{
    return onLine(d.get(), line, [&](VdkLine *l) -> int {
        if (!l->media)
            return VDK::ErrWrongState;
        const VDK::MediaStats &st = l->media->stats();
        if (received)
            *received = st.received;
        if (dropped)
            *dropped = st.dropped;
        if (lost)
            *lost = st.lost;
        return 0;
    });
}
