// The RTP audio stream alone: the jitter buffer with packets reordered and
// lost keeps playing the sender's tone.
#include "vdkmedia.h"
#include "vdkreloop.h"

#include "testmain.h"

#include <QUdpSocket>
#include <QtTest>

#include <re.h>

#include <cmath>

class TestVdkMedia : public QObject
{
    Q_OBJECT
private slots:
    void jitterBufferReorderAndLoss()
    {
        QUdpSocket sender;
        QVERIFY(sender.bind(QHostAddress(QHostAddress::LocalHost), 0));
        VDK::ReLoop loop;
        VDK::MediaStream *ms = nullptr;
        const QByteArray offer = "v=0\r\no=- 1 1 IN IP4 127.0.0.1\r\ns=-\r\nc=IN IP4 127.0.0.1\r\nt=0 0\r\n"
                                 "m=audio " +
                                 QByteArray::number(sender.localPort()) + " RTP/AVP 0\r\n";
        QVERIFY(loop.start([&]() -> int {
            ms = new VDK::MediaStream;
            sa ip;
            sa_set_str(&ip, "127.0.0.1", 0);
            int err = ms->open(ip, {"PCMU"}, 2, 12);
            mbuf *mb = mbuf_alloc(512);
            mbuf_write_mem(mb, reinterpret_cast<const uint8_t *>(offer.constData()), size_t(offer.size()));
            mb->pos = 0;
            if (!err)
                err = ms->decodeOffer(mb);
            mem_deref(mb);
            return err;
        }));
        // Released on the loop thread whatever the test's outcome.
        struct Stop {
            VDK::ReLoop &loop;
            VDK::MediaStream *&ms;
            ~Stop()
            {
                loop.stop([this] {
                    delete ms;
                    ms = nullptr;
                    re_cancel();
                });
            }
        } stop{loop, ms};
        const quint16 port = quint16(loop.call([&] { return int(ms->localPort()); }));
        QVERIFY(port > 0);

        // 20 blocks of 10 frames of 1000 Hz: in each block two pairs swap
        // places and one frame is lost.
        auto stats = [&] {
            VDK::MediaStats s;
            loop.call([&] {
                s = ms->stats();
                return 0;
            });
            return s;
        };
        QVector<qint16> played;
        double phase = 0.0;
        int lostSent = 0;
        int sent = 0;
        for (int block = 0; block < 20; ++block) {
            QList<QByteArray> packets;
            for (int i = 0; i < 10; ++i) {
                const int seq = block * 10 + i;
                QByteArray pkt(12 + 160, '\0');
                pkt[0] = char(0x80);
                pkt[1] = 0;
                pkt[2] = char(seq >> 8);
                pkt[3] = char(seq);
                const quint32 ts = quint32(seq * 160);
                for (int b = 0; b < 4; ++b)
                    pkt[4 + b] = char(ts >> (24 - 8 * b));
                pkt[11] = 7; // ssrc
                int16_t pcm[160];
                for (int k = 0; k < 160; ++k) {
                    pcm[k] = int16_t(std::lround(9000.0 * std::sin(phase)));
                    phase += 2.0 * M_PI * 1000.0 / 8000.0;
                }
                VDK::encodeG711(0, pcm, 160, reinterpret_cast<uint8_t *>(pkt.data() + 12));
                packets << pkt;
            }
            packets.swapItemsAt(1, 2);
            packets.swapItemsAt(6, 7);
            packets.removeAt(4);
            ++lostSent;
            for (const QByteArray &pkt : packets)
                sender.writeDatagram(pkt, QHostAddress::LocalHost, port);
            sent += packets.size();
            // The block is in once the stream has taken it; a datagram the
            // kernel did not deliver only ends the wait at its limit.
            (void)QTest::qWaitFor([&] { return int(stats().received) >= sent; }, 5000);
            for (int i = 0; i < 9; ++i) {
                int16_t frame[160];
                if (loop.call([&] { return ms->receiveFrame(frame) ? 1 : 0; }) == 1)
                    played += QVector<qint16>(frame, frame + 160);
            }
        }
        const VDK::MediaStats st = stats();
        // Every sequence number up to the last one is either received or
        // lost: the swapped packets came late and count as received, the
        // left-out ones (and any the kernel dropped) as lost.
        QCOMPARE(int(st.received + st.lost), 20 * 10);
        QVERIFY2(int(st.lost) >= lostSent, qPrintable(QString::number(st.lost)));
        QVERIFY2(played.size() >= 160 * 150, qPrintable(QString::number(played.size() / 160)));
        const double power =
            VDK::tonePower(reinterpret_cast<const int16_t *>(played.constData()), size_t(played.size()), 1000);
        QVERIFY2(power > 0.8, qPrintable(QString::number(power)));
    }
};

DESKLINE_TEST_MAIN(TestVdkMedia)
#include "tst_vdkmedia.moc"
