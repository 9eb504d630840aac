// Feeds arbitrary bytes to the CTI frame reader in pieces, decodes every frame
// as a message envelope and its body as each kind of record.
#include "ctijson.h"
#include "ctijsontext.h"
#include "ctiprotocol.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace
{

template <typename T> void decodeAs(const QJsonValue &value)
{
    T out;
    QString error;
    CtiJson::fromJson(value, out, &error);
}

void decodeBody(const QJsonObject &body)
{
    const QJsonValue whole(body);
    decodeAs<LoginDetails>(whole);
    decodeAs<SipConfiguration>(whole);
    decodeAs<IncomingCallEvent>(whole);
    decodeAs<FinishedCallEvent>(whole);
    decodeAs<BuddyStatus>(whole);
    decodeAs<PhoneBook>(whole);
    decodeAs<CdrEntry>(whole);
    decodeAs<ChatMessage>(whole);
    decodeAs<VoicemailMessage>(whole);
    decodeAs<QueueStats>(whole);
    decodeAs<QueuePeriodicStatsList>(whole);
    decodeAs<CallCenterReport>(whole);
    // The containers the events carry under their own keys.
    for (auto it = body.constBegin(); it != body.constEnd(); ++it) {
        decodeAs<ServicesDialCodesMap>(it.value());
        decodeAs<BuddyStatusMap>(it.value());
        decodeAs<PhoneBook>(it.value());
        decodeAs<LoginDetails>(it.value());
    }
}

// What the text reader takes, the general decoder takes the same way.
template <typename T> void sameFromText(const QByteArray &frame)
{
    T fromText;
    QString name;
    const bool taken = CtiProtocol::readEventText(
        frame, &name, [&](const QString &, CtiJson::TextReader &t) { return CtiJson::fromJsonText(t, fromText); });
    if (!taken)
        return;
    CtiProtocol::Message msg;
    QString error;
    T general;
    if (!CtiProtocol::parseMessage(frame, &msg, &error) || msg.name != name ||
        !CtiJson::fromJson(QJsonValue(msg.body), general, &error) || !(general == fromText))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const int piece = 1 + data[0] % 128;
    CtiProtocol::FrameReader reader(64 * 1024);
    const char *bytes = reinterpret_cast<const char *>(data + 1);
    const int n = int(size - 1);
    for (int at = 0; at < n; at += piece) {
        if (!reader.append(QByteArray(bytes + at, qMin(piece, n - at))))
            break;
        QByteArray frame;
        while (reader.next(&frame)) {
            CtiProtocol::Message msg;
            QString error;
            CtiProtocol::hasDuplicateKey(frame);
            sameFromText<PhoneBook>(frame);
            sameFromText<CdrEntry>(frame);
            sameFromText<BuddyStatus>(frame);
            if (CtiProtocol::parseMessage(frame, &msg, &error))
                decodeBody(msg.body);
        }
    }
    return 0;
}
