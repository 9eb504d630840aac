// Screenshots of every call line widget in each status and of the balloons,
// checked for text that does not fit its label at 96 dpi. It needs a real
// display server and its fonts, so it runs only when asked:
//
//     DESKLINE_SCREENSHOTS=/tmp/shots xvfb-run -a tests/test_widgets_linescreenshots -platform xcb
//
// The pictures are written to the folder named by DESKLINE_SCREENSHOTS.
#include "desklineresources.h"
#include "testmain.h"
#include "widgets/wdgactiveline.h"
#include "widgets/wdgballoonmessage.h"
#include "widgets/wdgbookedline.h"
#include "widgets/wdgincomingcallline.h"
#include "widgets/wdgonholdline.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>

class TestLineScreenshots : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void lines_data();
    void lines();

private:
    QDir m_dir;
};

namespace
{
const int lineWidth = 452; // the narrowest line form

// Texts of the visible labels that do not fit them, with their sizes.
QStringList clippedLabels(QWidget *top)
{
    QStringList clipped;
    for (QLabel *label : top->findChildren<QLabel *>()) {
        if (!label->isVisibleTo(top) || label->text().isEmpty() || label->hasScaledContents())
            continue;
        const QRect inside =
            label->contentsRect().adjusted(label->margin(), label->margin(), -label->margin(), -label->margin());
        const QFontMetrics fm(label->font());
        QSize needed;
        if (label->wordWrap()) {
            needed = QSize(0, label->heightForWidth(label->width()));
            needed.setHeight(needed.height() - label->contentsMargins().top() - label->contentsMargins().bottom());
        } else {
            const int indent = label->indent() > 0 ? label->indent() : 0;
            needed = QSize(fm.horizontalAdvance(label->text()) + indent, fm.height());
        }
        const QRect onTop(label->mapTo(top, QPoint(0, 0)), label->size());
        if (needed.width() > inside.width() || needed.height() > inside.height() || !top->rect().contains(onTop))
            clipped << QStringLiteral("%1 \"%2\" needs %3x%4, has %5x%6")
                           .arg(label->objectName(), label->text())
                           .arg(needed.width())
                           .arg(needed.height())
                           .arg(inside.width())
                           .arg(inside.height());
    }
    return clipped;
}
} // namespace

void TestLineScreenshots::initTestCase()
{
    const QString dir = qEnvironmentVariable("DESKLINE_SCREENSHOTS");
    if (dir.isEmpty())
        QSKIP("set DESKLINE_SCREENSHOTS to a folder and run under a display server (xvfb-run)");
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        QSKIP("needs a display server: run with -platform xcb under xvfb-run");
    initDesklineResources();
    QVERIFY(QDir().mkpath(dir));
    m_dir = QDir(dir);
}

void TestLineScreenshots::lines_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("role");
    for (int status : {-1, 0, 1, 2, 3})
        QTest::addRow("active %d", status) << "active" << status << -1;
    QTest::newRow("consultation 1") << "active" << 1 << 1;
    QTest::newRow("ringing normal") << "ringing" << 0 << -1;
    QTest::newRow("ringing highlighted") << "ringing" << 1 << -1;
    QTest::newRow("held") << "held" << 0 << -1;
    QTest::newRow("booked") << "booked" << 0 << -1;
    QTest::newRow("balloon incoming") << "balloon" << 0 << -1;
    QTest::newRow("balloon update") << "balloon" << 5 << -1;
}

void TestLineScreenshots::lines()
{
    QFETCH(QString, kind);
    QFETCH(int, status);
    QFETCH(int, role);
    const QString name = QStringLiteral("Mario Rossi");
    const QString number = QStringLiteral("+39 02 1234 5678");
    std::unique_ptr<QWidget> widget;
    if (kind == "active") {
        auto *w = new wdgActiveLine(MSETTINGS::AppModeSoftphone, true, false, 1, role, false);
        w->setRemoteName(name);
        w->setRemoteNum(number);
        w->setQueueInfo(QStringLiteral("Assistenza tecnica"));
        w->updateCallDuration(3725);
        w->setRecordingStatus(true, true);
        if (status == -1)
            w->notifyError(QStringLiteral("Numero non raggiungibile"));
        else if (status == 2)
            w->setTransferInProgress(true, QStringLiteral("Giulia Bianchi"));
        else
            w->setCallStatus(status);
        widget.reset(w);
    } else if (kind == "ringing") {
        auto *w = new wdgIncomingCallLine(nullptr, MSETTINGS::AppModeSoftphone, false);
        w->setRemoteName(QStringLiteral("c2c: ") + name);
        w->setRemoteNum(number);
        w->setGroupInfo(QStringLiteral("Commerciale"));
        for (int tick = 0; tick < status; ++tick)
            w->blinkWidget();
        widget.reset(w);
    } else if (kind == "held") {
        auto *w = new wdgOnHoldLine(1, "uid", "SIP/201-1", false);
        w->setRemoteName(name);
        w->setRemoteNum(number);
        w->updateCallDuration(95);
        widget.reset(w);
    } else if (kind == "booked") {
        auto *w = new wdgBookedLine;
        w->setRemoteName(name);
        w->setRemoteNum(QStringLiteral("201"));
        widget.reset(w);
    } else {
        std::unique_ptr<Balloon::BalloonInfo> info;
        QString message;
        if (status == 0) {
            info = std::make_unique<Balloon::IncomingCallBaloonInfo>(
                Balloon::IncomingCallBalloon, 1, number, name, QStringLiteral("Coda:"), QStringLiteral("Assistenza"));
            message = QStringLiteral("Chiamata in arrivo da %1\n%2").arg(name, number);
        } else {
            info = std::make_unique<Balloon::UpdatesBaloonInfo>(QStringLiteral("3.12.4"));
            message = QStringLiteral("Nuova versione disponibile: 3.12.4\nAggiornare ora?");
        }
        auto *b = new wdgBalloonMessage(MSETTINGS::AppModeSoftphone, *info);
        b->setMessage(message);
        b->updateBalloonInfo(*info);
        widget.reset(b);
    }
    if (kind != "balloon")
        widget->resize(lineWidth, widget->height());
    widget->show();
    QVERIFY(QTest::qWaitForWindowExposed(widget.get()));
    QCoreApplication::processEvents();
    const QString file = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_') + ".png");
    QVERIFY(widget->grab().save(file));
    const QStringList clipped = clippedLabels(widget.get());
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join("; ")));
    for (QPushButton *button : widget->findChildren<QPushButton *>())
        if (button->isVisibleTo(widget.get()))
            QVERIFY2(widget->rect().contains(QRect(button->mapTo(widget.get(), QPoint()), button->size())),
                     qPrintable(button->objectName()));
}

DESKLINE_TEST_MAIN(TestLineScreenshots)
#include "tst_linescreenshots.moc"
