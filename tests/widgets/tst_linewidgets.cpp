// The ringing, on-hold and booked lines, the clickable label, the shared
// line styling and the base item delegate.
#include "desklineresources.h"
#include "directory/customtreeview.h"
#include "testmain.h"
#include "widgets/customitemdelegate.h"
#include "widgets/linewidgetstyle.h"
#include "widgets/mpclickablelabel.h"
#include "widgets/wdgbookedline.h"
#include "widgets/wdgincomingcallline.h"
#include "widgets/wdgonholdline.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTimer>

namespace
{
class PlainDelegate : public CustomItemDelegate
{
public:
    using CustomItemDelegate::CustomItemDelegate;
    void paint(QPainter *, const QStyleOptionViewItem &, const QModelIndex &) const override {}
    QSize sizeHint(const QStyleOptionViewItem &o, const QModelIndex &i) const override
    {
        return CustomItemDelegate::sizeHint(o, i);
    }
    QStyleOptionViewItem optionFor(const QModelIndex &index, QStyle::State state) const
    {
        QStyleOptionViewItem option;
        option.state = state;
        option.showDecorationSelected = true;
        initStyleOption(&option, index);
        return option;
    }
};

QStringList shownButtons(const QWidget &w, const QStringList &names)
{
    QStringList shown;
    for (const QString &name : names)
        if (!w.findChild<QPushButton *>(name)->isHidden())
            shown << name;
    return shown;
}
} // namespace

class TestLineWidgets : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { initDesklineResources(); }
    void ringingButtons_data();
    void ringingButtons();
    void ringingButtonsSendLineAndNumber();
    void ringingBlinks();
    void ringingParty_data();
    void ringingParty();
    void ringingInfoRow();
    void callerTextIsPlain();
    void onHoldLine();
    void bookedLine();
    void clickableLabel();
    void sizeClasses_data();
    void sizeClasses();
    void styleSheetsFromResources();
    void delegate();
};

void TestLineWidgets::ringingButtons_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("phoneApi");
    QTest::addColumn<bool>("clickToCall");
    QTest::addColumn<QStringList>("shown");
    const QStringList all{"btnAnswerCall", "btnRefuseCall", "btnTransferCall", "btnIgnoreCall"};
    for (bool c2c : {false, true}) {
        const auto without = [c2c](QStringList l) {
            if (c2c)
                l.removeAll("btnTransferCall");
            return l;
        };
        const char *kind = c2c ? "click-to-call" : "ordinary call";
        QTest::addRow("mode 0, %s", kind) << 0 << false << c2c << QStringList{"btnRefuseCall"};
        QTest::addRow("mode 1 without desk phone, %s", kind)
            << 1 << false << c2c << without({"btnRefuseCall", "btnTransferCall"});
        QTest::addRow("mode 1 with desk phone, %s", kind)
            << 1 << true << c2c << without({"btnAnswerCall", "btnRefuseCall", "btnTransferCall"});
        QTest::addRow("mode 2, %s", kind) << 2 << false << c2c << without(all);
    }
}

void TestLineWidgets::ringingButtons()
{
    QFETCH(int, mode);
    QFETCH(bool, phoneApi);
    QFETCH(bool, clickToCall);
    QFETCH(QStringList, shown);
    wdgIncomingCallLine w(nullptr, MSETTINGS::AppMode(mode), false);
    if (mode != 2)
        w.setMctiMode(phoneApi);
    w.setCallType(clickToCall ? CTILIB::CallAttributeFlags(CTILIB::CallAttrClickToCall | CTILIB::CallAttrExternal)
                              : CTILIB::CallAttributeFlags(CTILIB::CallAttrExternal));
    // A later call type without the attribute does not bring the button back.
    w.setCallType(CTILIB::CallAttributeFlags(CTILIB::CallAttrQueue));
    QCOMPARE(shownButtons(w, {"btnAnswerCall", "btnRefuseCall", "btnTransferCall", "btnIgnoreCall"}), shown);
}

void TestLineWidgets::ringingButtonsSendLineAndNumber()
{
    wdgIncomingCallLine w(nullptr, MSETTINGS::AppModeSoftphone, false);
    w.setLineId(77);
    w.setRemoteNum(QStringLiteral("+39 (06) 123"));
    w.show();
    QSignalSpy answer(&w, &wdgIncomingCallLine::sigAnswerIncomingCall);
    QSignalSpy refuse(&w, &wdgIncomingCallLine::sigRefuseIncomingCall);
    QSignalSpy transfer(&w, &wdgIncomingCallLine::sigTransferIncomingCall);
    QSignalSpy ignore(&w, &wdgIncomingCallLine::sigIgnoreIncomingCall);
    for (const char *name : {"btnAnswerCall", "btnRefuseCall", "btnTransferCall", "btnIgnoreCall"})
        QTest::mouseClick(w.findChild<QPushButton *>(name), Qt::LeftButton);
    for (QSignalSpy *spy : {&answer, &refuse, &transfer, &ignore}) {
        QCOMPARE(spy->count(), 1);
        QCOMPARE(spy->at(0).at(0).toLongLong(), 77LL);
        QCOMPARE(spy->at(0).at(1).toString(), QStringLiteral("+39 (06) 123"));
    }
}

void TestLineWidgets::ringingBlinks()
{
    wdgIncomingCallLine w(nullptr, MSETTINGS::AppModeSoftphone, false);
    auto *timer = w.findChild<QTimer *>("blinkTimer");
    QVERIFY(timer);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 1000);
    QVERIFY(!timer->isSingleShot());
    QSignalSpy blink(&w, &wdgIncomingCallLine::sigBlinking);
    QStringList looks;
    for (int tick = 0; tick < 3; ++tick) {
        QMetaObject::invokeMethod(timer, "timeout");
        looks << w.property("status").toString();
    }
    QCOMPARE(looks, (QStringList{"highlighted", "normal", "highlighted"}));
    QCOMPARE(blink.count(), 3);
}

void TestLineWidgets::ringingParty_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("speaker");
    QTest::addColumn<QString>("letter");
    QTest::addColumn<QString>("shownNumber");
    QTest::addColumn<QString>("remoteName");
    QTest::newRow("click-to-call name") << "c2c: Reception"
                                        << "201"
                                        << "c2c: Reception"
                                        << "R"
                                        << "201"
                                        << "c2c: Reception";
    QTest::newRow("number only") << ""
                                 << "06 (123) 45-6"
                                 << "06 (123) 45-6"
                                 << "0"
                                 << "06123456"
                                 << "";
    QTest::newRow("prefix alone") << "c2c: "
                                  << "201"
                                  << "c2c: "
                                  << ""
                                  << "201"
                                  << "c2c: ";
}

void TestLineWidgets::ringingParty()
{
    QFETCH(QString, name);
    QFETCH(QString, number);
    QFETCH(QString, speaker);
    QFETCH(QString, letter);
    QFETCH(QString, shownNumber);
    QFETCH(QString, remoteName);
    wdgIncomingCallLine w(nullptr, MSETTINGS::AppModeSoftphone, false);
    if (!name.isEmpty())
        w.setRemoteName(name);
    w.setRemoteNum(number);
    QCOMPARE(w.findChild<QLabel *>("lblSpeaker")->text(), speaker);
    QCOMPARE(w.findChild<QLabel *>("lblPic")->text(), letter);
    QCOMPARE(w.findChild<QLabel *>("lblNum")->text(), shownNumber);
    QCOMPARE(w.getRemoteName(), remoteName);
    QCOMPARE(w.getRemoteNum(), number);
}

void TestLineWidgets::ringingInfoRow()
{
    wdgIncomingCallLine w(nullptr, MSETTINGS::AppModeSoftphone, false);
    w.setGroupInfo(QStringLiteral("Commerciale"));
    w.setQueueInfo(QStringLiteral("  "));
    QCOMPARE(w.getGroupInfo(), QStringLiteral("Commerciale"));
    QCOMPARE(w.getQueueInfo(), QString());
    w.setQueueInfo(QStringLiteral("Vendite "));
    QCOMPARE(w.getQueueInfo(), QStringLiteral("Vendite"));
    QCOMPARE(w.getGroupInfo(), QString());
    QCOMPARE(w.getAdditionalInfo(), QString());
}

void TestLineWidgets::callerTextIsPlain()
{
    const QString hostile = QStringLiteral("<img src=\"http://127.0.0.1/x.png\">Mario");
    wdgIncomingCallLine ringing(nullptr, MSETTINGS::AppModeSoftphone, false);
    ringing.setRemoteName(hostile);
    ringing.setXferReturnInfo(hostile);
    wdgOnHoldLine held(1, "c", "ch", false);
    held.setRemoteName(hostile);
    wdgBookedLine booked;
    booked.setRemoteName(hostile);
    for (QWidget *w :
         {static_cast<QWidget *>(&ringing), static_cast<QWidget *>(&held), static_cast<QWidget *>(&booked)})
        for (QLabel *label : w->findChildren<QLabel *>())
            QVERIFY2(label->textFormat() == Qt::PlainText, qPrintable(label->objectName()));
    QCOMPARE(ringing.findChild<QLabel *>("lblSpeaker")->text(), hostile);
}

void TestLineWidgets::onHoldLine()
{
    wdgOnHoldLine w(5, QStringLiteral("uid-1"), QStringLiteral("SIP/201-0001"), false);
    w.show();
    QSignalSpy retrieve(&w, &wdgOnHoldLine::sigRetrieveCall);
    QTest::mouseClick(w.findChild<QPushButton *>("btnHold"), Qt::LeftButton);
    w.setLineId(6);
    QTest::mouseClick(w.findChild<QPushButton *>("btnHold"), Qt::LeftButton);
    QCOMPARE(retrieve.count(), 2);
    QCOMPARE(retrieve.at(0).at(0).toLongLong(), 5LL);
    QCOMPARE(retrieve.at(1).at(0).toLongLong(), 6LL);
    QCOMPARE(shownButtons(w, {"btnHold", "btnHangup", "btnDualRing"}), QStringList{"btnHold"});

    w.setRemoteChannel(QString());
    QCOMPARE(w.getRemoteChannel(), QStringLiteral("SIP/201-0001"));
    w.setAccountInfo(QStringLiteral("201"));
    QCOMPARE(w.findChild<QLabel *>("lblAccountInfo")->text(), QStringLiteral("SIP Account: 201"));
    QVERIFY(w.findChild<QLabel *>("lblAccountInfo")->isHidden());
    w.setRemoteNum(QStringLiteral("0039 (02) 123"));
    QCOMPARE(w.findChild<QLabel *>("lblNum")->text(), QStringLiteral("003902123"));
    QCOMPARE(w.findChild<QLabel *>("lblSpeaker")->text(), QStringLiteral("003902123"));
    QCOMPARE(w.findChild<QLabel *>("lblPic")->text(), QStringLiteral("0"));
    QCOMPARE(w.getRemoteName(), QString());
    w.updateCallDuration(59);
    QCOMPARE(w.findChild<QLabel *>("lblCallTimer")->text(), QStringLiteral("00:00:59"));
    w.updateCallDuration(90061);
    QCOMPARE(w.findChild<QLabel *>("lblCallTimer")->text(), QStringLiteral("25:01:01"));
    w.setRemoteName(QString());
    QCOMPARE(w.findChild<QLabel *>("lblPic")->text(), QString());
}

void TestLineWidgets::bookedLine()
{
    wdgBookedLine w;
    w.show();
    w.setRemoteNum(QStringLiteral("201"));
    QCOMPARE(w.findChild<QLabel *>("lblSpeaker")->text(), QStringLiteral("201"));
    QCOMPARE(w.findChild<QLabel *>("lblNum")->text(), QStringLiteral("201"));
    QCOMPARE(w.getRemoteName(), QString());
    w.setRemoteName(QString());
    QCOMPARE(w.findChild<QLabel *>("lblPic")->text(), QString());
    QCOMPARE(w.findChild<QLabel *>("lblCallStatus")->text(), QStringLiteral("Chiamata prenotata"));
    QSignalSpy cancel(&w, &wdgBookedLine::sigCancelCallBooking);
    auto *button = w.findChild<QPushButton *>("btBookingCancel");
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(cancel.count(), 2);
    QVERIFY(w.isVisible());
}

void TestLineWidgets::clickableLabel()
{
    QWidget parent;
    struct PressCounter : QObject {
        int presses = 0;
        bool eventFilter(QObject *, QEvent *e) override
        {
            if (e->type() == QEvent::MouseButtonPress)
                ++presses;
            return false;
        }
    } counter;
    parent.installEventFilter(&counter);
    auto *label = new MPClickableLabel(&parent);
    label->resize(40, 20);
    parent.show();
    QSignalSpy clicked(label, &MPClickableLabel::clicked);
    QTest::mousePress(label, Qt::RightButton);
    QTest::mousePress(label, Qt::MiddleButton);
    QCOMPARE(clicked.count(), 0);
    QTest::mousePress(label, Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(counter.presses, 3); // the parent still sees every press
    QCOMPARE(label->focusPolicy(), Qt::NoFocus);
    label->showAsImage(":/images/veloraCTI.png");
    QVERIFY(!label->pixmap(Qt::ReturnByValue).isNull());
    label->showAsImage(nullptr);
    QVERIFY(label->pixmap(Qt::ReturnByValue).isNull());
    label->showAsImage(":/images/none.png");
    QVERIFY(label->pixmap(Qt::ReturnByValue).isNull());
}

void TestLineWidgets::sizeClasses_data()
{
    QTest::addColumn<bool>("large");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<int>("active");
    QTest::addColumn<int>("ringing");
    QTest::addColumn<int>("held");
    QTest::newRow("normal on a wide screen") << false << 2560 << "14pt"
                                             << "12pt" << -1 << 130 << 130;
    QTest::newRow("normal on a small screen") << false << 800 << "14pt"
                                              << "12pt" << -1 << 130 << 130;
    QTest::newRow("large, 1600") << true << 1600 << "28pt"
                                 << "24pt" << 165 << 190 << -1;
    QTest::newRow("large, 1599") << true << 1599 << "22pt"
                                 << "19pt" << 160 << 175 << -1;
    QTest::newRow("large, 1400") << true << 1400 << "22pt"
                                 << "19pt" << 160 << 175 << -1;
    QTest::newRow("large, 1399") << true << 1399 << "18pt"
                                 << "16pt" << 150 << 160 << -1;
    QTest::newRow("large, 1280") << true << 1280 << "18pt"
                                 << "16pt" << 150 << 160 << -1;
    QTest::newRow("large, 1279") << true << 1279 << "16pt"
                                 << "14pt" << 130 << 135 << -1;
}

void TestLineWidgets::sizeClasses()
{
    QFETCH(bool, large);
    QFETCH(int, width);
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(int, active);
    QFETCH(int, ringing);
    QFETCH(int, held);
    const LineStyle::SizeClass c = LineStyle::sizeClass(large, width);
    QCOMPARE(LineStyle::fontSizes(c).first, first);
    QCOMPARE(LineStyle::fontSizes(c).second, second);
    QCOMPARE(LineStyle::fixedHeight(LineStyle::LineKind::Active, c), active);
    QCOMPARE(LineStyle::fixedHeight(LineStyle::LineKind::Incoming, c), ringing);
    QCOMPARE(LineStyle::fixedHeight(LineStyle::LineKind::OnHold, c), held);
    QCOMPARE(LineStyle::fillSizes(QStringLiteral("a{font:%F} b{font:%S} c{font:%F}"), LineStyle::fontSizes(c)),
             QStringLiteral("a{font:%1} b{font:%2} c{font:%1}").arg(first, second));
}

void TestLineWidgets::styleSheetsFromResources()
{
    // The line sheets are not in the program's resources: the form's sheet
    // gives way to an empty one and the heights follow the size class.
    QCOMPARE(LineStyle::readStyleSheet(QStringLiteral(":/qss/activeLineNormalStyle.qss")), QString());
    QCOMPARE(LineStyle::readStyleSheet(QStringLiteral(":/qss/normalStyle.qss")).isEmpty(), false);
    wdgOnHoldLine held(1, "c", "ch", false);
    held.loadMatcStylesheet();
    QCOMPARE(held.styleSheet(), QString());
    QCOMPARE(held.height(), 130);
    wdgIncomingCallLine ringing(nullptr, MSETTINGS::AppModeSoftphone, false);
    ringing.loadMatcStylesheet();
    QCOMPARE(ringing.height(), 130);
    QVERIFY(ringing.styleSheet().contains("rgba(255, 75, 75, 255)"));
    QVERIFY(ringing.styleSheet().contains("font-size: 14pt"));
    QVERIFY(ringing.styleSheet().contains("font-size: 12pt"));
}

void TestLineWidgets::delegate()
{
    CustomTreeView view;
    view.setIconSize(QSize(24, 24));
    QStandardItemModel model(1, 1);
    view.setModel(&model);
    PlainDelegate d(&view, 30);
    view.setIconSize(QSize(48, 48));
    QCOMPARE(d.iconSize(), QSize(24, 24));
    QCOMPARE(d.sizeHint(QStyleOptionViewItem(), model.index(0, 0)), QSize(16, 30));
    QCOMPARE(d.hoverColor(), QColor(214, 237, 250));
    QCOMPARE(d.selectionColor(), d.hoverColor());
    d.setAlternativeSelectionColor(true);
    d.initColors();
    QCOMPARE(d.selectionColor(), QColor(0, 192, 240));
    QCOMPARE(d.hoverColor(), QColor(214, 237, 250));
    const QStyleOptionViewItem option =
        d.optionFor(model.index(0, 0), QStyle::State_Selected | QStyle::State_HasFocus | QStyle::State_MouseOver);
    QVERIFY(!option.state.testFlag(QStyle::State_Selected));
    QVERIFY(!option.state.testFlag(QStyle::State_HasFocus));
    QVERIFY(option.state.testFlag(QStyle::State_MouseOver));
    QVERIFY(!option.showDecorationSelected);
}

DESKLINE_TEST_MAIN(TestLineWidgets)
#include "tst_linewidgets.moc"
