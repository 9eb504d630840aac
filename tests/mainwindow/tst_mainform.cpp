// The main window's form built on a plain QMainWindow: object names and
// classes, placement, texts, start pages, tab order, states of actions and
// buttons, the style-sheet states (line-button colours, large-font view), and
// screenshots for a look by eye: run with DESKLINE_SCREENSHOT_DIR=<folder>
// (under xvfb-run with QT_QPA_PLATFORM=xcb for the real font rendering).
#include "desklineresources.h"
#include "mainwindow/mainformtabchain.h"
#include "testmain.h"
#include "ui_wdgveloraphone.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QLayout>
#include <QMainWindow>
#include <QSet>
#include <QStyle>

#include <memory>

namespace
{

// The chat panel is a promoted widget with a form of its own (tested with
// the panel): its inner widgets are not the main form's.
bool insideChatPanel(const QObject *o)
{
    for (const QObject *p = o->parent(); p; p = p->parent())
        if (p->inherits("wdgChatPanel"))
            return true;
    return false;
}

struct Form {
    QMainWindow window;
    Ui::wdgVeloraPhone ui;
    Form() { ui.setupUi(&window); }

    // The main form's own objects of that name.
    QList<QObject *> named(const QString &name) const
    {
        QList<QObject *> found;
        for (QObject *o : window.findChildren<QObject *>(name))
            if (!insideChatPanel(o))
                found << o;
        return found;
    }

    template <typename T = QObject> T *find(const QString &name) const
    {
        for (QObject *o : named(name))
            if (T *t = qobject_cast<T *>(o))
                return t;
        return nullptr;
    }
};

// Re-applies the style sheets after a dynamic property changed, as the main
// window does for its visual states.
void repolish(QWidget *root)
{
    QList<QWidget *> widgets = root->findChildren<QWidget *>();
    widgets.prepend(root);
    for (QWidget *w : widgets) {
        w->style()->unpolish(w);
        w->style()->polish(w);
    }
}

QString screenshotDir()
{
    // the folder DESKLINE_SCREENSHOT_DIR names (the screenshots run sets it)
    const QString dir = qEnvironmentVariable("DESKLINE_SCREENSHOT_DIR", testsupport::isolatedHome() + "/screenshots");
    QDir().mkpath(dir);
    return dir;
}

} // namespace

class TestMainForm : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();

    void objectNames_data();
    void objectNames();
    void noOtherNamedObjects();
    void placement_data();
    void placement();
    void texts_data();
    void texts();
    void tabs();
    void startPages();
    void tabOrder();
    void actionsAndMenus();
    void initialStates();
    void windowAndPromotedWidgets();
    void lineButtonColours_data();
    void lineButtonColours();
    void fontSizes_data();
    void fontSizes();
    void screenshots();

private:
    QList<QPair<QString, QString>> m_expected; // object name, class name
    std::unique_ptr<Form> m_shared;            // for the checks that change nothing
};

void TestMainForm::initTestCase()
{
    initDesklineResources();
    for (const char *f : {":/fonts/roboto", ":/fonts/roboto-light", ":/fonts/roboto-bold"})
        QVERIFY(QFontDatabase::addApplicationFont(QString::fromLatin1(f)) >= 0);
    QApplication::setFont(QFont(QStringLiteral("Roboto")));

    const auto add = [this](const char *cls, std::initializer_list<const char *> names) {
        for (const char *n : names)
            m_expected.append({QString::fromLatin1(n), QString::fromLatin1(cls)});
    };
    add("QAction",
        {"m_actionExtendedMode", "m_actionsSlimMode", "m_alwaysOnTopAction", "m_Layered_0_Action",
         "m_Layered_20_Action", "m_Layered_40_Action", "m_Layered_60_Action", "m_Layered_80_Action",
         "m_actionsShowKeypad", "m_actionsShowFunctions", "m_actionsShowQCallsCount", "m_actionsShowVolumes"});
    add("QWidget",
        {"centralwidget", "wdgLines", "topFrame", "wdgCommand", "wdgProfile", "favouritesTabWidget", "extTabWidget",
         "contactsTabWidget", "pageContacts", "pageContactsUpdating", "cdrTabWidget", "pageCdrNoResults", "pageCdr",
         "queueTabWidget", "chatTabWidget", "voiceMailTabWidget", "pageVoicemailNoResults", "pageVoicemail"});
    add("QGridLayout",
        {"gridLayout_7",  "gridLayout_18", "gridLayout",   "gridLayout_9", "gridLayout_11", "gridLayout_10",
         "gridLayout_17", "gridLayout_5",  "gridLayout_3", "gridLayout_2", "gridLayout_16", "gridLayout_12",
         "gridLayout_13", "gridLayout_15", "gridLayout_4", "gridLayout_6", "gridLayout_8",  "gridLayout_14",
         "gridLayout_19", "gridLayout_21", "gridLayout_20"});
    add("QHBoxLayout", {"horizontalLayout_2", "horizontalLayout", "horizontalLayout_3", "horizontalLayout_5",
                        "horizontalLayout_4", "horizontalLayout_6"});
    add("QVBoxLayout", {"verticalLayout_2", "verticalLayout", "VoicemailLayout"});
    add("QPushButton", {"btnLine4",
                        "btnLine3",
                        "btnLine2",
                        "btnLine1",
                        "bt3",
                        "bt2",
                        "bt6",
                        "bt5",
                        "bt4",
                        "btAst",
                        "btPound",
                        "bt9",
                        "bt8",
                        "bt7",
                        "bt1",
                        "bt0",
                        "btnStartAudioCall",
                        "btnRedirect",
                        "btnDnd",
                        "btnMail",
                        "btnDualRingToggle",
                        "btnSVP",
                        "btnPauseAll",
                        "btnSendSMS",
                        "btnConference",
                        "btnInputAudio",
                        "btnOutputAudio",
                        "btnAddContact",
                        "cdrFilterButton"});
    add("QStackedWidget", {"vLineLayout", "stackedContacts", "cdrStckWidget", "voicemailStckWidget"});
    add("QFrame", {"gbKeyPad", "callLineFrame", "buttonsFrame", "volumesFrame", "queuesCountFrame", "wdgStatusLine",
                   "line_2", "frUpdating"});
    add("QSlider", {"hsldInputAudio", "hsldOutputAudio"});
    add("QLabel", {"lblEmpty",       "lblConnectedName",
                   "lblNum",         "lblCompany",
                   "lblAccountInfo", "lblQueueLabel",
                   "lblQueueCount",  "lblLedStatus",
                   "lblStatusText",  "lblContactsUpdating",
                   "lblQueueStatus", "lblLedQueueStatus",
                   "lblUpdating",    "lblAdvise",
                   "label",          "lblDateTo",
                   "lblDateFrom",    "label_3",
                   "label_2",        "lblFromPeriod",
                   "lblToPeriod",    "lblQueueStatsDescription",
                   "label_4"});
    add("QProgressBar", {"pbMos"});
    add("QTabWidget", {"tabContactsWidget"});
    add("QDateEdit", {"cdrDateFrom", "cdrDateTo"});
    add("QMenuBar", {"menubar"});
    add("QMenu", {"menuImpostazioni", "menuVisualizza", "transparencyMenu"});
    add("CustomLineEdit", {"edtCallerNumber"});
    add("wdgProfileImage", {"wdgPicture"});
    add("CustomTreeView", {"tvFavourites", "tvExtensions", "tvContacts", "tvCdr"});
    add("CustomSearchLineEdit", {"txtExtSearch", "txtContactsSearch", "txtCdrSearch"});
    add("queueScrollArea", {"qscrollArea"});
    add("wdgQueues", {"queuesGui"});
    add("wdgChatPanel", {"chatPanel"});
    m_shared = std::make_unique<Form>();
}

void TestMainForm::objectNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    for (const auto &e : qAsConst(m_expected))
        QTest::newRow(qPrintable(e.first)) << e.first << e.second;
}

void TestMainForm::objectNames()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    const Form &f = *m_shared;
    const QList<QObject *> found = f.named(name);
    QCOMPARE(found.size(), 1);
    QCOMPARE(QString::fromLatin1(found.first()->metaObject()->className()), className);
}

// Nothing is named that the form does not define: catches misspelt names,
// which the code that reaches the widgets by name would silently miss.
void TestMainForm::noOtherNamedObjects()
{
    Form f;
    QSet<QString> expected;
    for (const auto &e : qAsConst(m_expected))
        expected.insert(e.first);
    QStringList extra;
    for (QObject *o : f.window.findChildren<QObject *>()) {
        const QString n = o->objectName();
        // names Qt gives the inner parts of its own widgets
        static const QStringList qtInner{"_layout", "ScrollLeftButton", "ScrollRightButton"};
        if (n.isEmpty() || n.startsWith(QLatin1String("qt_")) || qtInner.contains(n) || expected.contains(n) ||
            insideChatPanel(o))
            continue;
        extra << n + QLatin1Char('/') + QLatin1String(o->metaObject()->className());
    }
    QVERIFY2(extra.isEmpty(), qPrintable(extra.join(QLatin1String(", "))));
}

void TestMainForm::placement_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QString>("widget");
    QTest::addColumn<QRect>("cell"); // x = column, y = row, width = column span, height = row span
    QTest::newRow("top area") << "gridLayout_7"
                              << "topFrame" << QRect(0, 0, 3, 1);
    QTest::newRow("call lines") << "gridLayout_7"
                                << "wdgLines" << QRect(1, 2, 1, 1);
    QTest::newRow("tabs") << "gridLayout_7"
                          << "tabContactsWidget" << QRect(0, 5, 3, 1);
    QTest::newRow("status line") << "gridLayout_7"
                                 << "wdgStatusLine" << QRect(0, 7, 3, 1);
    QTest::newRow("profile") << "gridLayout"
                             << "wdgProfile" << QRect(0, 0, 1, 1);
    QTest::newRow("keypad") << "gridLayout"
                            << "gbKeyPad" << QRect(1, 0, 1, 2);
    QTest::newRow("volumes") << "gridLayout"
                             << "volumesFrame" << QRect(2, 0, 1, 2);
    QTest::newRow("command") << "gridLayout"
                             << "wdgCommand" << QRect(0, 1, 1, 1);
    QTest::newRow("line 1") << "gridLayout_18"
                            << "btnLine1" << QRect(0, 0, 1, 1);
    QTest::newRow("line 4") << "gridLayout_18"
                            << "btnLine4" << QRect(0, 3, 1, 1);
    QTest::newRow("line stack") << "gridLayout_18"
                                << "vLineLayout" << QRect(1, 0, 1, 4);
    QTest::newRow("key 1") << "gridLayout_9"
                           << "bt1" << QRect(0, 0, 1, 1);
    QTest::newRow("key 6") << "gridLayout_9"
                           << "bt6" << QRect(2, 1, 1, 1);
    QTest::newRow("key 7 (row 2 empty)") << "gridLayout_9"
                                         << "bt7" << QRect(0, 3, 1, 1);
    QTest::newRow("key *") << "gridLayout_9"
                           << "btAst" << QRect(0, 4, 1, 1);
    QTest::newRow("key 0") << "gridLayout_9"
                           << "bt0" << QRect(1, 4, 1, 1);
    QTest::newRow("key #") << "gridLayout_9"
                           << "btPound" << QRect(2, 4, 1, 1);
    QTest::newRow("input volume") << "gridLayout_10"
                                  << "hsldInputAudio" << QRect(0, 0, 1, 1);
    QTest::newRow("output volume") << "gridLayout_10"
                                   << "hsldOutputAudio" << QRect(1, 0, 1, 1);
    QTest::newRow("ext search") << "gridLayout_3"
                                << "txtExtSearch" << QRect(0, 0, 5, 1);
    QTest::newRow("ext list") << "gridLayout_3"
                              << "tvExtensions" << QRect(0, 1, 5, 1);
    QTest::newRow("favourites") << "gridLayout_5"
                                << "tvFavourites" << QRect(1, 0, 1, 1);
    QTest::newRow("cdr search") << "gridLayout_15"
                                << "txtCdrSearch" << QRect(0, 3, 6, 1);
    QTest::newRow("cdr filter") << "gridLayout_15"
                                << "cdrFilterButton" << QRect(0, 5, 1, 1);
    QTest::newRow("cdr from label") << "gridLayout_15"
                                    << "lblDateFrom" << QRect(2, 5, 1, 1);
    QTest::newRow("cdr from") << "gridLayout_15"
                              << "cdrDateFrom" << QRect(3, 5, 1, 1);
    QTest::newRow("cdr to label") << "gridLayout_15"
                                  << "lblDateTo" << QRect(4, 5, 1, 1);
    QTest::newRow("cdr to") << "gridLayout_15"
                            << "cdrDateTo" << QRect(5, 5, 1, 1);
    QTest::newRow("cdr pages") << "gridLayout_15"
                               << "cdrStckWidget" << QRect(0, 6, 6, 1);
    QTest::newRow("queue period") << "gridLayout_8"
                                  << "lblQueueStatsDescription" << QRect(0, 0, 1, 1);
    QTest::newRow("queue list") << "gridLayout_8"
                                << "qscrollArea" << QRect(0, 1, 2, 1);
    QTest::newRow("queue from") << "gridLayout_14"
                                << "lblFromPeriod" << QRect(1, 0, 1, 1);
    QTest::newRow("queue to") << "gridLayout_14"
                              << "lblToPeriod" << QRect(1, 1, 1, 1);
    QTest::newRow("chat") << "gridLayout_19"
                          << "chatPanel" << QRect(0, 0, 2, 1);
    QTest::newRow("updating label") << "gridLayout_13"
                                    << "lblUpdating" << QRect(1, 1, 1, 1);
    QTest::newRow("updating advice") << "gridLayout_13"
                                     << "lblAdvise" << QRect(0, 2, 3, 1);
}

void TestMainForm::placement()
{
    QFETCH(QString, layout);
    QFETCH(QString, widget);
    QFETCH(QRect, cell);
    const Form &f = *m_shared;
    auto *grid = f.find<QGridLayout>(layout);
    QVERIFY(grid);
    const int index = grid->indexOf(f.find<QWidget>(widget));
    QVERIFY2(index >= 0, qPrintable(widget));
    int row, col, rs, cs;
    grid->getItemPosition(index, &row, &col, &rs, &cs);
    QCOMPARE(QRect(col, row, cs, rs), cell);
}

void TestMainForm::texts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QString>("text");
    const QString emptyTip = QStringLiteral("<html><head/><body><p><br/></p></body></html>");
    const struct {
        const char *name, *digit;
    } keys[] = {{"bt0", "0"}, {"bt1", "1"}, {"bt2", "2"}, {"bt3", "3"}, {"bt4", "4"},   {"bt5", "5"},
                {"bt6", "6"}, {"bt7", "7"}, {"bt8", "8"}, {"bt9", "9"}, {"btAst", "*"}, {"btPound", "#"}};
    for (const auto &k : keys) {
        QTest::addRow("%s text", k.name) << k.name << QByteArray("text") << k.digit;
        QTest::addRow("%s description", k.name) << k.name << QByteArray("accessibleDescription") << k.digit;
        QTest::addRow("%s tooltip", k.name) << k.name << QByteArray("toolTip") << emptyTip;
    }
    for (int i = 1; i <= 4; ++i)
        QTest::addRow("line %d", i) << QStringLiteral("btnLine%1").arg(i) << QByteArray("text") << QString::number(i);
    const struct {
        const char *name, *prop, *text;
    } rows[] = {
        {"edtCallerNumber", "accessibleDescription", "Numero da chiamare"},
        {"btnStartAudioCall", "toolTip", "<html><head/><body><p>Avvia chiamata</p></body></html>"},
        {"btnStartAudioCall", "accessibleDescription", "Avvia chiamata"},
        {"btnStartAudioCall", "text", ""},
        {"btnRedirect", "text", ""},
        {"btnConference", "text", ""},
        {"btnSendSMS", "text", "SMS"},
        {"btnInputAudio", "toolTip", "Mute/Unmute Input Audio"},
        {"lblQueueLabel", "text", "Ch. in coda"},
        {"lblQueueCount", "text", "0"},
        {"lblStatusText", "toolTip", "Stato connessione MCTI"},
        {"lblStatusText", "text", "Stato: NON CONNESSO"},
        {"pbMos", "toolTip", "Qualità della chiamata"},
        {"lblEmpty", "text", ""},
        {"lblContactsUpdating", "text", ""},
        {"lblQueueStatus", "text", ""},
        {"lblLedStatus", "text", ""},
        {"lblLedQueueStatus", "text", ""},
        {"menuImpostazioni", "title", "Opzioni"},
        {"menuVisualizza", "title", "Visualizza"},
        {"transparencyMenu", "title", "Trasparenza"},
        {"m_actionsShowKeypad", "text", "Mostra tastierino numerico"},
        {"m_actionsShowFunctions", "text", "Mostra pulsanti funzione"},
        {"m_actionsShowVolumes", "text", "Mostra volumi"},
        {"m_actionsShowQCallsCount", "text", "Mostra numero chiamate in coda"},
        {"m_actionExtendedMode", "text", "Modalità estesa"},
        {"m_actionsSlimMode", "text", "Modalità ridotta"},
        {"m_alwaysOnTopAction", "text", "Sempre in primo piano"},
        {"m_Layered_0_Action", "text", "0% (opaco)"},
        {"m_Layered_20_Action", "text", "20%"},
        {"m_Layered_40_Action", "text", "40%"},
        {"m_Layered_60_Action", "text", "60%"},
        {"m_Layered_80_Action", "text", "80% (appena visibile)"},
        {"tabContactsWidget", "toolTip", ""},
        {"txtExtSearch", "accessibleDescription", "Cerca interno"},
        {"txtExtSearch", "placeholderText", "Cerca interno"},
        {"txtExtSearch", "text", ""},
        {"txtContactsSearch", "placeholderText", "Cerca contatto in rubrica"},
        {"btnAddContact", "toolTip", "<html><head/><body><p>Aggiungi contatto<br/>in rubrica</p></body></html>"},
        {"btnAddContact", "accessibleDescription", "Aggiungi contatto"},
        {"btnAddContact", "text", ""},
        {"lblUpdating", "text", ""},
        {"lblAdvise", "text", "Attendere prego - Importazione contatti in corso..."},
        {"cdrDateFrom", "accessibleDescription", "Filtro - dalla data"},
        {"cdrDateTo", "accessibleDescription", "Filtro - alla data"},
        {"label", "text", "Non sono presenti chiamate nell'intervallo temporale selezionato."},
        {"lblDateFrom", "text", "Da"},
        {"lblDateTo", "text", "A"},
        {"cdrFilterButton", "toolTip", "Filtro Registro"},
        {"cdrFilterButton", "text", "Filtro Registro"},
        {"txtCdrSearch", "accessibleDescription", "Cerca contatto"},
        {"txtCdrSearch", "placeholderText", "Cerca nel registro chiamate"},
        {"label_2", "text", "Da:"},
        {"label_3", "text", "A:"},
        {"lblFromPeriod", "text", ""},
        {"lblToPeriod", "text", ""},
        {"lblQueueStatsDescription", "text", " Periodo di raccolta delle statistiche:"},
        {"label_4", "text", "Nessun messaggio in casella vocale"},
    };
    for (const auto &r : rows)
        QTest::addRow("%s %s", r.name, r.prop) << r.name << QByteArray(r.prop) << QString::fromUtf8(r.text);
}

void TestMainForm::texts()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, property);
    QFETCH(QString, text);
    const Form &f = *m_shared;
    QObject *o = f.find(name);
    QVERIFY(o);
    const QVariant v = o->property(property.constData());
    QVERIFY2(v.isValid(), property.constData());
    QCOMPARE(v.toString(), text);
}

void TestMainForm::tabs()
{
    Form f;
    QTabWidget *tabs = f.ui.tabContactsWidget;
    const struct {
        QWidget *page;
        const char *title, *off, *on;
    } expected[] = {
        {f.ui.favouritesTabWidget, "Preferiti", "favouritesIconWhite", "favouritesIcon"},
        {f.ui.extTabWidget, "Interni", "extenListWhite", "extenList"},
        {f.ui.contactsTabWidget, "Rubrica", "addressBookWhite", "addressBook"},
        {f.ui.cdrTabWidget, "Recenti", "cdrIconWhite", "cdrIcon"},
        {f.ui.queueTabWidget, "Code", "queuesWhite", "queues"},
        {f.ui.chatTabWidget, "Chat", "chatIconWhite", "chatIcon"},
        {f.ui.voiceMailTabWidget, "Voicemail", "voicemailIconWhite", "voicemailIcon"},
    };
    QCOMPARE(tabs->count(), 7);
    QCOMPARE(tabs->iconSize(), QSize(16, 16));
    for (int i = 0; i < 7; ++i) {
        QCOMPARE(tabs->widget(i), expected[i].page);
        QCOMPARE(tabs->tabText(i), QString::fromLatin1(expected[i].title));
        // white picture when not selected (Off), coloured one when selected (On)
        const QIcon icon = tabs->tabIcon(i);
        const QImage off = icon.pixmap(QSize(16, 16), QIcon::Normal, QIcon::Off).toImage();
        const QImage on = icon.pixmap(QSize(16, 16), QIcon::Normal, QIcon::On).toImage();
        const QSize s(16, 16);
        QCOMPARE(off, QPixmap(QStringLiteral(":/images/%1.png").arg(QLatin1String(expected[i].off)))
                          .scaled(s, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                          .toImage()
                          .convertToFormat(off.format()));
        QCOMPARE(on, QPixmap(QStringLiteral(":/images/%1.png").arg(QLatin1String(expected[i].on)))
                         .scaled(s, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                         .toImage()
                         .convertToFormat(on.format()));
        QVERIFY(off != on);
    }
    // pages are created without parent and then owned by the tab widget's stack
    QVERIFY(f.ui.favouritesTabWidget->parentWidget() != nullptr);
    QVERIFY(tabs->isAncestorOf(f.ui.voiceMailTabWidget));
}

void TestMainForm::startPages()
{
    Form f;
    QCOMPARE(f.ui.tabContactsWidget->currentWidget(), f.ui.extTabWidget);
    QCOMPARE(f.ui.stackedContacts->currentWidget(), f.ui.pageContactsUpdating);
    QCOMPARE(f.ui.stackedContacts->indexOf(f.ui.pageContacts), 0);
    QCOMPARE(f.ui.cdrStckWidget->currentWidget(), f.ui.pageCdrNoResults);
    QCOMPARE(f.ui.cdrStckWidget->indexOf(f.ui.pageCdr), 1);
    QCOMPARE(f.ui.voicemailStckWidget->currentWidget(), f.ui.pageVoicemailNoResults);
    QCOMPARE(f.ui.voicemailStckWidget->indexOf(f.ui.pageVoicemail), 1);
    QCOMPARE(f.ui.vLineLayout->count(), 0);
}

void TestMainForm::tabOrder()
{
    Form f;
    const QStringList expected{"edtCallerNumber",
                               "btnStartAudioCall",
                               "btnRedirect",
                               "btnDnd",
                               "btnMail",
                               "btnDualRingToggle",
                               "btnSVP",
                               "btnPauseAll",
                               "btnSendSMS",
                               "bt1",
                               "bt2",
                               "bt3",
                               "bt4",
                               "bt5",
                               "bt6",
                               "bt7",
                               "bt8",
                               "bt9",
                               "btAst",
                               "bt0",
                               "btPound",
                               "hsldInputAudio",
                               "btnInputAudio",
                               "hsldOutputAudio",
                               "btnOutputAudio",
                               "btnLine1",
                               "btnLine2",
                               "btnLine3",
                               "btnLine4",
                               "tabContactsWidget",
                               "tvFavourites",
                               "txtExtSearch",
                               "tvExtensions",
                               "txtContactsSearch",
                               "btnAddContact",
                               "tvContacts",
                               "txtCdrSearch",
                               "cdrDateFrom",
                               "cdrDateTo",
                               "tvCdr",
                               "qscrollArea"};
    const QSet<QString> names(expected.begin(), expected.end());
    // The form links each stop to the next (QWidget::setTabOrder). Qt keeps
    // every link but the one from the tab widget into its own pages: the tab
    // widget hands its focus to its tab bar, and the pages' stops end up in a
    // focus cycle of their own (see mainformtabchain.h). As built, the order
    // holds in two runs (which the chat panel's own widgets may join).
    const auto namedChain = [&names](QWidget *start) {
        QStringList chain;
        QWidget *w = start;
        do {
            if (names.contains(w->objectName()))
                chain << w->objectName();
            w = w->nextInFocusChain();
        } while (w != start);
        return chain;
    };
    const int split = expected.indexOf(QStringLiteral("tvFavourites"));
    QCOMPARE(namedChain(f.ui.edtCallerNumber).mid(0, split), expected.mid(0, split));
    QCOMPARE(namedChain(f.ui.tvFavourites).mid(0, expected.size() - split), expected.mid(split));
    // the conference button is not in the chain: the SMS button leads to the keypad
    QCOMPARE(f.ui.btnSendSMS->nextInFocusChain(), static_cast<QWidget *>(f.ui.bt1));

    // relinked: one cycle in the form's order, and Tab in a page reaches the dial field again
    relinkMainFormTabArea(f.ui);
    QCOMPARE(namedChain(f.ui.edtCallerNumber), expected);
    f.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    f.ui.txtExtSearch->setFocus();
    QStringList visited;
    for (int i = 0; i < 12 && QApplication::focusWidget() != f.ui.edtCallerNumber; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    QVERIFY2(QApplication::focusWidget() == f.ui.edtCallerNumber, qPrintable(visited.join(QLatin1Char(' '))));
    // on the extensions page the search box leads to its list
    QCOMPARE(visited.value(0), QStringLiteral("tvExtensions"));
    // relinking twice changes nothing
    relinkMainFormTabArea(f.ui);
    QCOMPARE(namedChain(f.ui.edtCallerNumber), expected);
}

void TestMainForm::actionsAndMenus()
{
    Form f;
    const struct {
        QAction *a;
        bool checkable, checked, enabled;
    } states[] = {
        {f.ui.m_actionsShowKeypad, true, true, true},   {f.ui.m_actionsShowFunctions, true, true, true},
        {f.ui.m_actionsShowVolumes, true, true, false}, {f.ui.m_actionsShowQCallsCount, true, false, false},
        {f.ui.m_actionExtendedMode, true, true, false}, {f.ui.m_actionsSlimMode, true, false, true},
        {f.ui.m_alwaysOnTopAction, true, false, true},  {f.ui.m_Layered_0_Action, false, false, true},
        {f.ui.m_Layered_20_Action, false, false, true}, {f.ui.m_Layered_40_Action, false, false, true},
        {f.ui.m_Layered_60_Action, false, false, true}, {f.ui.m_Layered_80_Action, false, false, true},
    };
    for (const auto &s : states) {
        QVERIFY2(s.a->isCheckable() == s.checkable, qPrintable(s.a->objectName()));
        QVERIFY2(s.a->isChecked() == s.checked, qPrintable(s.a->objectName()));
        QVERIFY2(s.a->isEnabled() == s.enabled, qPrintable(s.a->objectName()));
        QCOMPARE(s.a->parent(), &f.window);
    }
    QCOMPARE(f.ui.m_actionsShowKeypad->shortcut(), QKeySequence(QStringLiteral("Ctrl+K")));

    const QList<QAction *> view = f.ui.menuVisualizza->actions();
    QCOMPARE(view.size(), 10);
    const QList<QAction *> expected{f.ui.m_actionsShowKeypad, f.ui.m_actionsShowFunctions, f.ui.m_actionsShowVolumes,
                                    f.ui.m_actionsShowQCallsCount};
    QCOMPARE(view.mid(0, 4), expected);
    QVERIFY(view.at(4)->isSeparator());
    QCOMPARE(view.at(5), f.ui.m_actionExtendedMode);
    QCOMPARE(view.at(6), f.ui.m_actionsSlimMode);
    QVERIFY(view.at(7)->isSeparator());
    QCOMPARE(view.at(8), f.ui.m_alwaysOnTopAction);
    QCOMPARE(view.at(9), f.ui.transparencyMenu->menuAction());
    QCOMPARE(f.ui.transparencyMenu->parent(), f.ui.menuVisualizza);
    QVERIFY(!f.ui.transparencyMenu->isEnabled());
    const QList<QAction *> transparency{f.ui.m_Layered_0_Action, f.ui.m_Layered_20_Action, f.ui.m_Layered_40_Action,
                                        f.ui.m_Layered_60_Action, f.ui.m_Layered_80_Action};
    QCOMPARE(f.ui.transparencyMenu->actions(), transparency);
    QVERIFY(f.ui.menuImpostazioni->actions().isEmpty());
    const QList<QAction *> bar{f.ui.menuImpostazioni->menuAction(), f.ui.menuVisualizza->menuAction()};
    QCOMPARE(f.ui.menubar->actions(), bar);
    QCOMPARE(f.window.menuBar(), f.ui.menubar);

    // Ctrl+K reaches the keypad action from anywhere in the window
    f.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    QSignalSpy spy(f.ui.m_actionsShowKeypad, &QAction::triggered);
    f.ui.tvExtensions->setFocus();
    QTest::keyClick(f.ui.tvExtensions, Qt::Key_K, Qt::ControlModifier);
    QCOMPARE(spy.count(), 1);
    QVERIFY(!f.ui.m_actionsShowKeypad->isChecked());
}

void TestMainForm::initialStates()
{
    Form f;
    for (QPushButton *b : {f.ui.btnStartAudioCall, f.ui.btnRedirect, f.ui.btnDnd, f.ui.btnMail, f.ui.btnDualRingToggle,
                           f.ui.btnSVP, f.ui.btnPauseAll, f.ui.btnSendSMS, f.ui.btnConference}) {
        QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
        QVERIFY(b->isFlat());
        if (b != f.ui.btnStartAudioCall) {
            QCOMPARE(b->minimumSize(), QSize(30, 25));
            QCOMPARE(b->maximumSize(), QSize(30, 25));
        }
    }
    for (QPushButton *b : {f.ui.btnInputAudio, f.ui.btnOutputAudio, f.ui.btnAddContact, f.ui.bt5})
        QVERIFY(b->isEnabled());
    QVERIFY(!f.ui.btnAddContact->isFlat());
    QCOMPARE(f.ui.btnRedirect->iconSize(), QSize(14, 14));
    QCOMPARE(f.ui.btnMail->iconSize(), QSize(16, 16));
    QCOMPARE(f.ui.btnSendSMS->iconSize(), QSize(20, 16));
    QCOMPARE(f.ui.btnConference->iconSize(), QSize(22, 16));
    QVERIFY(f.ui.btnSendSMS->icon().isNull());
    QVERIFY(!f.ui.btnConference->icon().isNull());
    QVERIFY(!f.ui.btnStartAudioCall->icon().isNull());
    QVERIFY(!f.ui.cdrFilterButton->icon().isNull());

    QCOMPARE(f.ui.hsldInputAudio->orientation(), Qt::Vertical);
    QCOMPARE(f.ui.hsldInputAudio->minimum(), 0);
    QCOMPARE(f.ui.hsldInputAudio->maximum(), 100);
    QCOMPARE(f.ui.hsldOutputAudio->value(), 50);
    QCOMPARE(f.ui.pbMos->maximum(), 5);
    QCOMPARE(f.ui.pbMos->value(), 0);
    QVERIFY(!f.ui.pbMos->isTextVisible());

    QVERIFY(f.ui.edtCallerNumber->dragEnabled());
    QVERIFY(!f.ui.edtCallerNumber->hasFrame());
    QCOMPARE(f.ui.edtCallerNumber->focusPolicy(), Qt::StrongFocus);
    QCOMPARE(f.ui.edtCallerNumber->inputMethodHints(), Qt::ImhDigitsOnly);

    for (CustomTreeView *tv : {f.ui.tvFavourites, f.ui.tvExtensions, f.ui.tvContacts, f.ui.tvCdr}) {
        QVERIFY2(!tv->showDropIndicator(), qPrintable(tv->objectName()));
        QCOMPARE(tv->selectionMode(), QAbstractItemView::NoSelection);
        QCOMPARE(tv->editTriggers(), QAbstractItemView::NoEditTriggers);
        QCOMPARE(tv->focusPolicy(), Qt::TabFocus);
        QVERIFY(tv->isSortingEnabled());
        QVERIFY(tv->uniformRowHeights());
        QVERIFY(!tv->rootIsDecorated());
        QVERIFY(tv->dragEnabled()); // from the view's own constructor
    }
    QCOMPARE(f.ui.tvFavourites->defaultDropAction(), Qt::IgnoreAction);
    QCOMPARE(f.ui.tvContacts->indentation(), 11);
    QCOMPARE(f.ui.tvContacts->selectionBehavior(), QAbstractItemView::SelectRows);
    QVERIFY(f.ui.tvCdr->header()->isSortIndicatorShown());

    for (QDateEdit *d : {f.ui.cdrDateFrom, f.ui.cdrDateTo}) {
        QVERIFY(d->calendarPopup());
        QCOMPARE(d->minimumWidth(), 90);
    }
}

void TestMainForm::windowAndPromotedWidgets()
{
    {
        Form f;
        QCOMPARE(f.window.objectName(), QStringLiteral("wdgVeloraPhone"));
        QCOMPARE(f.window.size(), QSize(625, 688));
        QCOMPARE(f.window.font().family(), QStringLiteral("Roboto"));
        QVERIFY(!f.window.windowIcon().isNull());
        QVERIFY(f.window.styleSheet().contains(QLatin1String("QWidget[incrsize=\"1\"]")));
        QCOMPARE(f.window.centralWidget(), f.ui.centralwidget);
        QCOMPARE(f.ui.wdgPicture->minimumSize(), QSize(90, 90));
        QCOMPARE(f.ui.wdgPicture->maximumSize(), QSize(90, 90));
        // the scroll area owns the queue list
        QCOMPARE(f.ui.qscrollArea->widget(), static_cast<QWidget *>(f.ui.queuesGui));
        QVERIFY(f.ui.qscrollArea->widgetResizable());
        QCOMPARE(f.ui.VoicemailLayout->spacing(), 12);
        QCOMPARE(f.ui.VoicemailLayout->count(), 1); // the spacer the voicemail entries go above
    }
    {
        // a window that already has a name keeps it
        QMainWindow named;
        named.setObjectName(QStringLiteral("otherName"));
        Ui::wdgVeloraPhone ui;
        ui.setupUi(&named);
        QCOMPARE(named.objectName(), QStringLiteral("otherName"));
    }
}

void TestMainForm::lineButtonColours_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QColor>("background");
    QTest::addColumn<bool>("rightBorder");
    QTest::newRow("idle other line") << "0"
                                     << "" << QColor("#e6e6e6") << true;
    QTest::newRow("starting") << "0"
                              << "starting" << QColor("#feff92") << true;
    QTest::newRow("ringing0") << "0"
                              << "ringing0" << QColor("#ffff4d") << true;
    QTest::newRow("inprogress") << "0"
                                << "inprogress" << QColor("#59e9a4") << true;
    QTest::newRow("onhold") << "0"
                            << "onhold" << QColor("#adadad") << true;
    QTest::newRow("transfer") << "0"
                              << "transfer" << QColor("#ffc043") << true;
    QTest::newRow("finished") << "0"
                              << "finished" << QColor("#ff7676") << true;
    QTest::newRow("error") << "0"
                           << "error" << QColor("#ff7676") << true;
    QTest::newRow("booking") << "0"
                             << "booking" << QColor("#76bbff") << true;
    QTest::newRow("current in progress") << "1"
                                         << "inprogress" << QColor("#59e9a4") << false;
}

void TestMainForm::lineButtonColours()
{
    QFETCH(QString, current);
    QFETCH(QString, status);
    QFETCH(QColor, background);
    QFETCH(bool, rightBorder);
    Form f;
    QPushButton *b = f.ui.btnLine2;
    b->setProperty("current", current);
    b->setProperty("status", status);
    repolish(b);
    const QImage img = b->grab().toImage();
    QCOMPARE(img.size(), QSize(25, 25));
    QCOMPARE(img.pixelColor(3, 20).name(), background.name());
    QCOMPARE(img.pixelColor(24, 20).name(), rightBorder ? QStringLiteral("#ffffff") : background.name());
    QCOMPARE(img.pixelColor(3, 0).name(), QStringLiteral("#ffffff")); // top border on lines 2 to 4
}

void TestMainForm::fontSizes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("large");
    QTest::addColumn<int>("pointSize"); // -1: given in pixels
    QTest::addColumn<int>("pixelSize");
    QTest::newRow("status text") << "lblStatusText" << false << 8 << -1;
    QTest::newRow("status text large") << "lblStatusText" << true << 12 << -1;
    QTest::newRow("name") << "lblConnectedName" << false << 11 << -1;
    QTest::newRow("name large") << "lblConnectedName" << true << 15 << -1;
    QTest::newRow("number") << "lblNum" << false << 11 << -1;
    QTest::newRow("number large") << "lblNum" << true << 15 << -1;
    QTest::newRow("company") << "lblCompany" << false << 8 << -1;
    QTest::newRow("company large") << "lblCompany" << true << 12 << -1;
    QTest::newRow("queue count") << "lblQueueCount" << false << 23 << -1;
    QTest::newRow("queue count large") << "lblQueueCount" << true << 27 << -1;
    QTest::newRow("dial field") << "edtCallerNumber" << false << 12 << -1;
    QTest::newRow("dial field large") << "edtCallerNumber" << true << 18 << -1;
    QTest::newRow("sms") << "btnSendSMS" << false << -1 << 12;
    QTest::newRow("sms large") << "btnSendSMS" << true << 16 << -1;
    QTest::newRow("keypad") << "bt5" << false << -1 << 22;
    QTest::newRow("keypad large") << "bt5" << true << 24 << -1;
}

void TestMainForm::fontSizes()
{
    QFETCH(QString, name);
    QFETCH(bool, large);
    QFETCH(int, pointSize);
    QFETCH(int, pixelSize);
    Form f;
    if (large)
        f.window.setProperty("incrsize", QStringLiteral("1"));
    repolish(&f.window);
    QWidget *w = f.find<QWidget>(name);
    QVERIFY(w);
    QCOMPARE(w->font().pointSize(), pointSize);
    QCOMPARE(w->font().pixelSize(), pixelSize);
    QCOMPARE(w->font().family(), QStringLiteral("Roboto"));
}

void TestMainForm::screenshots()
{
    Form f;
    // the main window paints its background picture itself; do the same here
    // so the white texts of the profile area can be seen
    f.window.setStyleSheet(f.window.styleSheet() +
                           QStringLiteral("\n#wdgVeloraPhone { background-image: url(:/images/background.jpg); }"));
    f.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    // the pictures are taken only when a folder is named (ctest -L screenshots)
    const bool keep = !qEnvironmentVariableIsEmpty("DESKLINE_SCREENSHOT_DIR");
    const QString dir = keep ? screenshotDir() : QString();
    for (int i = 0; keep && i < f.ui.tabContactsWidget->count(); ++i) {
        f.ui.tabContactsWidget->setCurrentIndex(i);
        QApplication::processEvents();
        QVERIFY(f.window.grab().save(QStringLiteral("%1/mainform-tab%2.png").arg(dir).arg(i)));
    }
    f.ui.tabContactsWidget->setCurrentIndex(1);
    f.window.setProperty("incrsize", QStringLiteral("1"));
    repolish(&f.window);
    QApplication::processEvents();
    if (keep)
        QVERIFY(f.window.grab().save(dir + QStringLiteral("/mainform-large.png")));

    // Nothing of the top area is cut: every text fits its widget.
    f.window.setProperty("incrsize", QVariant());
    repolish(&f.window);
    QApplication::processEvents();
    for (QWidget *w : f.ui.topFrame->findChildren<QWidget *>()) {
        QString text;
        if (auto *b = qobject_cast<QPushButton *>(w))
            text = b->text();
        else if (auto *l = qobject_cast<QLabel *>(w); l && !l->wordWrap())
            text = l->text();
        if (text.isEmpty() || !w->isVisible())
            continue;
        QVERIFY2(w->fontMetrics().horizontalAdvance(text) <= w->width(), qPrintable(w->objectName()));
        QVERIFY2(w->fontMetrics().height() <= w->height() + 2, qPrintable(w->objectName()));
    }
}

DESKLINE_TEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
