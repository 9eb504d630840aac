// The directories over the PBX simulator's generated data set (50,000
// contacts, 5,000 extensions, 10,000 call records), the simulator on its own
// thread, the main window logged in on the offscreen platform. Every figure
// is the median [min-max] of its rounds; the targets are checked on the
// medians. What the window's user feels is the GUI thread's work, so that is
// measured in the GUI thread's processor time (a busy machine that lets it
// wait longer does not make its work longer):
//  - delivery to the four lists shown: time from the requests to the three
//    new models installed and painted (500 ms, wall time), and the longest
//    run of GUI-thread work meanwhile without a return to the event loop
//    (16 ms), beside the anchor: the same delivery to a bare CTI client in
//    the same run;
//  - switching to the phone-book tab and back, painted: longest run (16 ms);
//  - typing in the phone-book search, key by key, each search run and its
//    result painted: GUI work per keystroke (8 ms) and longest run of a round
//    of typing (16 ms);
//  - the periodic call-history refresh, asked and installed: GUI work (16 ms);
//  - a status map of every extension applied (50 ms);
//  - 1,000 single BLF updates (100 ms, i.e. 10 % of one core for a second's
//    worth);
//  - the call-history model with name resolution, wall time (200 ms);
//  - an incoming call's contact lookup (1 ms);
//  - resident memory with all of it loaded, once settled (150 MiB).
// Exits with 1 when a target is missed.
#include "app/mcticonfig.h"
#include "app/memorytuning.h"
#include "ctilib.h"
#include "demologin.h"
#include "desklineresources.h"
#include "directory/cdrmodel.h"
#include "directory/cdrrules.h"
#include "directory/contactfilterproxymodel.h"
#include "directory/contactrows.h"
#include "directory/contactsmodel.h"
#include "directory/customtreeview.h"
#include "directory/directorypanel.h"
#include "directory/extensionsmodel.h"
#include "directory/wordfilterproxymodel.h"
#include "framework/simpleobfuscator.h"
#include "mainwindow/mpgui.h"
#include "mainwindow/session/pbxtrust.h"
#include "pbxsimulator.h"
#include "procmemory.h"
#include "scriptedprompts.h"
#include "settings/msettings.h"
#include "widgets/customsearchlineedit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QSslConfiguration>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <malloc.h>
#include <vector>

namespace
{
bool waitUntil(const std::function<bool()> &done, int ms, int wakeMs = 5)
{
    QElapsedTimer t;
    t.start();
    // A timer wakes the loop at least every few ms (each wake-up is a little
    // work of the GUI thread: a figure of all its work wakes it seldom);
    // waiting blocks, so the loop itself adds no other work.
    QTimer wake;
    wake.start(wakeMs);
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    return done();
}

double cpuMs()
{
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

// Processor time of the calling thread, ms.
double threadCpuMs()
{
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

// The GUI thread's work while it lives: a timer every 2 ms notes the thread's
// processor time; the longest gap between two ticks is the longest run of
// work without a return to the event loop (the window frozen that long on
// an idle machine), the sum is all the work.
// With DIRBENCH_DETAIL: told of every tick's gap.
std::function<void(double)> tickHook;

// The ticks cost the thread some work of their own (a wake-up every 2 ms):
// a figure of all the work is taken without them (`Ticks::Off`).
struct GuiWork {
    enum class Ticks { On, Off };
    QTimer tick;
    double start = threadCpuMs();
    double last = start;
    double longest = 0;
    explicit GuiWork(Ticks ticks = Ticks::On)
    {
        if (ticks == Ticks::Off)
            return;
        tick.setInterval(2);
        QObject::connect(&tick, &QTimer::timeout, [this] {
            const double now = threadCpuMs();
            longest = qMax(longest, now - last);
            if (tickHook)
                tickHook(now - last);
            last = now;
        });
        tick.start();
    }
    double total() const { return threadCpuMs() - start; }
    double longestRun()
    {
        const double now = threadCpuMs();
        return qMax(longest, now - last);
    }
};

// Runs the event loop for `ms` of wall time: what was posted gets delivered
// and painted.
void settle(int ms)
{
    waitUntil([] { return false; }, ms);
}

struct Figures {
    std::vector<double> values;
    void add(double v) { values.push_back(v); }
    double median() const
    {
        std::vector<double> v = values;
        std::sort(v.begin(), v.end());
        const size_t n = v.size();
        return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    }
    double min() const { return values.empty() ? 0 : *std::min_element(values.begin(), values.end()); }
    double max() const { return values.empty() ? 0 : *std::max_element(values.begin(), values.end()); }
};

// With DIRBENCH_DETAIL: names the event whose handling took the GUI thread
// more than 8 ms of processor time.
struct EventTracer : QObject {
    double since = 0;
    QByteArray last;
    QHash<QByteArray, double> spent; // by receiver and event type
    struct Share {
        int count = 0;
        double ms = 0;
    };
    QHash<QByteArray, Share> recent; // the events since the last tick
    void account(double now)
    {
        if (!last.isEmpty())
            spent[last] += now - since;
    }
    bool eventFilter(QObject *receiver, QEvent *event) override
    {
        if (QThread::currentThread() != thread())
            return false;
        const double now = threadCpuMs();
        account(now);
        if (now - since > 8 && !last.isEmpty())
            std::printf("detail: %.1f ms in %s\n", now - since, last.constData());
        if (!last.isEmpty()) {
            Share &share = recent[last];
            ++share.count;
            share.ms += now - since;
        }
        last = QByteArray(receiver->metaObject()->className()) + " " + receiver->objectName().toLatin1() + " event " +
               QByteArray::number(int(event->type()));
        since = threadCpuMs();
        return false;
    }
};

// The heap's blocks in use, all threads' pools and separately mapped blocks.
double heapInUseMiB()
{
    const struct mallinfo2 m = mallinfo2();
    return (m.uordblks + m.hblkhd) / 1048576.0;
}

// With DIRBENCH_TRIM: the allocator's own account of the heap, all threads'
// pools together: blocks in use, free blocks held, separately mapped blocks.
void printHeap(const char *when)
{
    std::printf("detail: resident %s: %.1f MiB anonymous, %.1f MiB of files\n", when,
                benchmem::statusValue("RssAnon") / 1024.0, benchmem::statusValue("RssFile") / 1024.0);
    const struct mallinfo2 m = mallinfo2();
    std::printf("detail: heap %s: %.1f MiB in use, %.1f MiB free in the pools, %.1f MiB mapped apart\n", when,
                m.uordblks / 1048576.0, m.fordblks / 1048576.0, m.hblkhd / 1048576.0);
}

bool report(const char *what, double value, double target, const char *unit)
{
    const bool ok = value <= target;
    std::printf("%-58s %10.2f %s (target %.0f) %s\n", what, value, unit, target, ok ? "ok" : "MISSED");
    return ok;
}

bool report(const char *what, const Figures &f, double target, const char *unit)
{
    const double value = f.median();
    const bool ok = value <= target;
    std::printf("%-52s %9.2f [%.2f-%.2f] %s (target %.0f) %s\n", what, value, f.min(), f.max(), unit, target,
                ok ? "ok" : "MISSED");
    return ok;
}

// The bare client's delivery: the anchor of the end-to-end figure.
qint64 anchorDelivery(quint16 port)
{
    CtiLib cti(QStringLiteral("linux"), QString(), QStringLiteral("MCTI"), QStringLiteral("bench"),
               QStringLiteral("bench"), QString());
    cti.init();
    // The PBX's own authorities, as the window's link trusts them.
    cti.setExtraCaCertificates(PbxTrust::load());
    cti.setServerAddress(QStringLiteral("127.0.0.1:%1").arg(port));
    bool logged = false, books = false, exten = false, cdr = false;
    QObject::connect(&cti, &CtiLib::loggedToServer, [&] { logged = true; });
    QObject::connect(&cti, &CtiLib::disconnectedFromServer,
                     [](const QString &reason) { std::fprintf(stderr, "bare client: %s\n", qPrintable(reason)); });
    QObject::connect(&cti, &CtiLib::sigPhonebookChanged, [&] { books = true; });
    QObject::connect(&cti, &CtiLib::sigExtenStatusMapChanged, [&] { exten = true; });
    QObject::connect(&cti, &CtiLib::sigCdrChanged, [&] { cdr = true; });
    cti.connectToServer(QStringLiteral("luca"), QStringLiteral("luca"), QString(), 0);
    if (!waitUntil([&] { return logged; }, 10000))
        return -1;
    waitUntil([] { return false; }, 300); // let the post-log-in messages pass
    books = exten = cdr = false;
    QElapsedTimer clock;
    clock.start();
    cti.getContactsList(false, CTILIB::PhonebookAll);
    cti.getExtenStatus();
    cti.getCDR(false, QString());
    if (!waitUntil([&] { return books && exten && cdr; }, 30000))
        return -1;
    const qint64 ms = clock.elapsed();
    cti.logout();
    waitUntil([] { return false; }, 100);
    return ms;
}
} // namespace

int main(int argc, char *argv[])
{
    // The program's own allocator setting (its main() makes it first).
    keepLargeBlocksMapped();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    initDesklineResources();
    MSETTINGS::setSettingsDirPath(dir.path());
    MSETTINGS::setFontSizeIncrement(0);
    ScriptedPrompts prompts;

    QElapsedTimer gen;
    gen.start();
    const PbxSimData data = PbxSimData::generate(50000, 5000, 10000);
    std::printf("data set generated in %lld ms\n", static_cast<long long>(gen.elapsed()));

    QThread simThread;
    auto *sim = new PbxSimulator;
    sim->setData(data);
    sim->moveToThread(&simThread);
    simThread.start();
    quint16 port = 0;
    QMetaObject::invokeMethod(
        sim, [&] { port = sim->listen(QHostAddress::LocalHost, 0) ? sim->serverPort() : 0; },
        Qt::BlockingQueuedConnection);
    if (!port) {
        std::fprintf(stderr, "simulator did not start\n");
        return 2;
    }

    // The simulator keeps its own copy of the data set in this process.
    const double baseMiB = benchmem::statusValue("VmRSS") / 1024.0;
    if (qEnvironmentVariableIsSet("DIRBENCH_TRIM"))
        printHeap("before the client");
    if (qEnvironmentVariableIsSet("DIRBENCH_SIZES")) {
        PhoneBookList books;
        PhoneBook shared;
        shared.source = QStringLiteral("velora");
        shared.visibility = QStringLiteral("Public");
        for (const PhoneBookEntry &e : data.sharedContacts) {
            PhoneBookEntry copy = e; // own strings, as a decoded delivery has
            copy.firstName = QString(e.firstName.constData(), e.firstName.size());
            copy.lastName = QString(e.lastName.constData(), e.lastName.size());
            shared.entries << copy;
        }
        books << shared;
        const double m0 = benchmem::statusValue("VmRSS") / 1024.0;
        const double h0 = heapInUseMiB();
        ContactsBuild build = DirectoryModels::buildContactsModel(books, QThread::currentThread());
        const double m1 = benchmem::statusValue("VmRSS") / 1024.0;
        const double h1 = heapInUseMiB();
        books = PhoneBookList(); // what stays is what the model and the index hold
        const double h2 = heapInUseMiB();
        build.index = ContactNumberIndex();
        const double h3 = heapInUseMiB();
        // The entries' other texts are shared with the simulator's data set:
        // the figures once the books are freed are the model's and the
        // index's own blocks (with the name copies the rows keep).
        std::printf("detail: contacts model of %d rows: %.1f MiB resident, %.1f MiB of heap; %.1f MiB held once the "
                    "books are freed, of which the number index %.1f MiB\n",
                    build.model->rowCount(), m1 - m0, h1 - h0, h2 - h0, h2 - h3);
        delete build.model;
    }
    MPGui *w = benchgui::loggedInDemoWindow(port);
    if (!w)
        return 2;
    DirectoryPanel *panel = w->directoryPanel();
    const auto filled = [&] {
        return panel->contactsBookModel()->rowCount() >= 50000 && panel->extensionsModel()->rowCount() >= 4999 &&
               panel->callHistoryModel()->rowCount() > 0 && !panel->isContactsBuildPending();
    };
    if (!waitUntil(filled, 60000)) {
        std::fprintf(stderr, "lists did not fill\n");
        return 2;
    }
    waitUntil([] { return false; }, 300);
    if (qEnvironmentVariableIsSet("DIRBENCH_DETAIL"))
        std::printf("detail: resident memory after the first delivery: %.1f MiB\n",
                    benchmem::statusValue("VmRSS") / 1024.0 - baseMiB);

    bool ok = true;
    const int rounds = 5;
    const bool detail = qEnvironmentVariableIsSet("DIRBENCH_DETAIL");

    EventTracer tracer;
    if (detail) {
        tracer.since = threadCpuMs();
        app.installEventFilter(&tracer);
        // A long run: the events it was made of.
        tickHook = [&tracer](double gap) {
            if (gap > 12) {
                QByteArray text;
                for (auto it = tracer.recent.cbegin(); it != tracer.recent.cend(); ++it) {
                    if (it->ms > 0.5)
                        text += " | " + QByteArray::number(it->ms, 'f', 1) + " ms in " + QByteArray::number(it->count) +
                                "x " + it.key();
                }
                std::printf("detail: run of %.1f ms:%s\n", gap, text.constData());
            }
            tracer.recent.clear();
        };
    }
    auto *tabs = w->findChild<QTabWidget *>(QStringLiteral("tabContactsWidget"));
    auto *contactsTab = w->findChild<QWidget *>(QStringLiteral("contactsTabWidget"));
    auto *extensionsTab = w->findChild<QWidget *>(QStringLiteral("extTabWidget"));
    if (!tabs || !contactsTab || !extensionsTab) {
        std::fprintf(stderr, "directory tabs not found\n");
        return 2;
    }
    tabs->setCurrentWidget(contactsTab);
    settle(200);

    if (qEnvironmentVariableIsSet("DIRBENCH_IDLE")) {
        EventTracer idle;
        idle.since = threadCpuMs();
        app.installEventFilter(&idle);
        GuiWork work;
        settle(2000);
        app.removeEventFilter(&idle);
        std::printf("detail: GUI work in 2 s idle: %.1f ms\n", work.total());
        for (auto it = idle.spent.cbegin(); it != idle.spent.cend(); ++it)
            if (it.value() > 1)
                std::printf("detail:   %.1f ms %s\n", it.value(), it.key().constData());
    }
    // --- delivery to the shown lists
    Figures deliveryMs, deliveryRun, deliveryWork;
    for (int round = 0; round < rounds; ++round) {
        QAbstractItemModel *contacts = panel->contactsBookModel();
        QAbstractItemModel *extensions = panel->extensionsModel();
        QAbstractItemModel *cdr = panel->callHistoryModel();
        GuiWork work;
        QElapsedTimer clock;
        clock.start();
        w->refreshContactsList();
        panel->refreshCdr(false);
        const bool done = waitUntil(
            [&] {
                return panel->contactsBookModel() != contacts && panel->extensionsModel() != extensions &&
                       panel->callHistoryModel() != cdr && !panel->isContactsBuildPending() &&
                       !panel->isCdrBuildPending();
            },
            60000);
        // Painted: the paint of the new rows is the next event-loop turn.
        QCoreApplication::processEvents();
        const qint64 total = done ? clock.elapsed() : 999999;
        settle(300);
        std::printf("round %d: %d contacts, %d extensions, %d call records shown in %lld ms; GUI work %.1f ms, "
                    "longest run %.1f ms\n",
                    round, panel->contactsBookModel()->rowCount(), panel->extensionsModel()->rowCount(),
                    panel->callHistoryModel()->rowCount(), static_cast<long long>(total), work.total(),
                    work.longestRun());
        deliveryMs.add(total);
        deliveryRun.add(work.longestRun());
        deliveryWork.add(work.total());
        if (detail)
            std::printf("detail: resident after round %d: %.1f MiB\n", round,
                        benchmem::statusValue("VmRSS") / 1024.0 - baseMiB);
    }
    app.removeEventFilter(&tracer);
    const qint64 anchor = anchorDelivery(port);
    // What the anchor's bare client allocated and freed is not the client's:
    // hand those free pages back so that the memory figure below does not
    // count them.
    malloc_trim(0);
    std::printf("anchor: the same delivery to a bare CTI client: %lld ms\n", static_cast<long long>(anchor));
    if (anchor < 0) {
        std::fprintf(stderr, "the bare client's delivery did not come\n");
        ok = false;
    }
    ok &= report("delivered and shown", deliveryMs, 500, "ms");
    ok &= report("longest GUI run during the delivery", deliveryRun, 16, "ms");
    std::printf("%-52s %9.2f [%.2f-%.2f] ms (reported)\n", "GUI work of a delivery", deliveryWork.median(),
                deliveryWork.min(), deliveryWork.max());

    if (detail)
        app.installEventFilter(&tracer);
    // --- switching to the phone book's tab and back
    Figures tabRun;
    for (int round = 0; round < rounds; ++round) {
        tabs->setCurrentWidget(extensionsTab);
        settle(150);
        GuiWork work;
        tabs->setCurrentWidget(contactsTab);
        settle(150);
        tabRun.add(work.longestRun());
    }
    ok &= report("longest GUI run switching to the phone book", tabRun, 16, "ms");

    // --- typing in the phone-book search, key by key
    auto *search = w->findChild<CustomSearchLineEdit *>(QStringLiteral("txtContactsSearch"));
    auto *tvContacts = w->findChild<CustomTreeView *>(QStringLiteral("tvContacts"));
    if (!search || !tvContacts) {
        std::fprintf(stderr, "phone-book search not found\n");
        return 2;
    }
    auto *shown = qobject_cast<WordFilterProxyModel *>(tvContacts->model());
    if (!shown) {
        std::fprintf(stderr, "phone-book filter not found\n");
        return 2;
    }
    search->setFocus();
    // Every keystroke runs its search at once (no pause in typing merges
    // keystrokes): the most work a keystroke can cause, measured over the
    // shortest time, which keeps the window's other work out of the figure.
    const int debounce = panel->searchDebounceMs();
    panel->setSearchDebounceMs(0);
    // The work of each keystroke; the stall figure of a round is the longest
    // run of any of its keystrokes (typing must never freeze the window).
    Figures keyWork, keyRun;
    const QString typed = QStringLiteral("mar ros");
    for (int round = 0; round < 3; ++round) {
        double roundRun = 0;
        std::vector<int> keys;
        for (const QChar c : typed)
            keys.push_back(c.unicode());
        for (int i = 0; i < typed.size(); ++i)
            keys.push_back(Qt::Key_Backspace);
        for (int key : keys) {
            GuiWork work;
            if (key == Qt::Key_Backspace)
                QTest::keyClick(search, Qt::Key_Backspace);
            else
                QTest::keyClick(search, char(key));
            // The search runs after the pause in typing, then its result is shown.
            const bool searched = waitUntil(
                [&] { return shown->searchText() == search->text() && !panel->isContactSearchPending(); }, 10000);
            QCoreApplication::processEvents();
            const double ms = work.total();
            if (!searched) {
                std::fprintf(stderr, "the search for \"%s\" did not finish\n", qPrintable(search->text()));
                ok = false;
            }
            settle(20);
            keyWork.add(ms);
            roundRun = qMax(roundRun, work.longestRun());
            if (detail)
                std::printf("key %d: \"%s\": %d rows, GUI work %.2f ms, longest run %.2f ms\n", key,
                            qPrintable(search->text()), shown->rowCount(), ms, work.longestRun());
        }
        keyRun.add(roundRun);
    }
    panel->setSearchDebounceMs(debounce);
    ok &= report("GUI work per search keystroke", keyWork, 8, "ms");
    ok &= report("longest GUI run while typing a search", keyRun, 16, "ms");

    // --- the periodic call-history refresh
    tracer.spent.clear();
    // Each round refreshes twice: once for all the work (no ticks), once
    // for the longest run.
    Figures cdrWork, cdrRun;
    for (int round = 0; round < 2 * rounds; ++round) {
        QAbstractItemModel *cdr = panel->callHistoryModel();
        const bool whole = round % 2 == 0;
        GuiWork work(whole ? GuiWork::Ticks::Off : GuiWork::Ticks::On);
        panel->refreshCdr(false);
        const bool installed = waitUntil(
            [&] { return panel->callHistoryModel() != cdr && !panel->isCdrBuildPending(); }, 30000, whole ? 100 : 5);
        QCoreApplication::processEvents();
        if (!installed) {
            std::fprintf(stderr, "the call history was not refreshed\n");
            ok = false;
        }
        if (whole)
            cdrWork.add(work.total());
        else
            cdrRun.add(work.longestRun());
        settle(100);
    }
    app.removeEventFilter(&tracer);
    if (detail) {
        for (auto it = tracer.spent.cbegin(); it != tracer.spent.cend(); ++it)
            if (it.value() > 2)
                std::printf("detail: refreshes: %.1f ms %s\n", it.value(), it.key().constData());
    }
    ok &= report("GUI work of a periodic call-history refresh", cdrWork, 16, "ms");
    std::printf("%-52s %9.2f [%.2f-%.2f] ms (reported)\n", "longest GUI run of it", cdrRun.median(), cdrRun.min(),
                cdrRun.max());

    // --- a status map of every extension
    BuddyStatusMap statuses;
    const QStringList numbers = panel->extensions().keys();
    int n = 0;
    for (const QString &number : numbers) {
        BuddyStatus s;
        s.exten = number;
        s.presence = n % 6;
        s.blfStatus = (n % 3 == 0) ? 1 : 0;
        s.accounts = QStringList{QStringLiteral("sip:") + number};
        statuses.insert(number, s);
        ++n;
    }
    const double map0 = threadCpuMs();
    panel->updateExtenListStatus(statuses);
    ok &= report("status map of every extension applied", threadCpuMs() - map0, 50, "ms");

    // --- 1,000 single BLF updates
    const double cpu0 = cpuMs();
    for (int i = 0; i < 1000; ++i) {
        BuddyStatus s = statuses.value(numbers.at((i * 7) % numbers.size()));
        s.blfStatus = (i % 2) ? 2 : 0;
        panel->updateExtenStatus(s);
    }
    QCoreApplication::processEvents();
    ok &= report("1,000 single BLF updates, CPU", cpuMs() - cpu0, 100, "ms");

    if (qEnvironmentVariableIsSet("DIRBENCH_DETAIL"))
        std::printf("detail: resident after the status updates: %.1f MiB\n",
                    benchmem::statusValue("VmRSS") / 1024.0 - baseMiB);
    // --- call history with name resolution
    const Cdr calls = data.cdrs.value(QStringLiteral("demo"));
    QElapsedTimer cdrClock;
    cdrClock.start();
    panel->recvdCdr(calls);
    waitUntil([&] { return !panel->isCdrBuildPending(); }, 10000);
    ok &= report("call-history model of the records, names resolved", cdrClock.nsecsElapsed() / 1e6, 200, "ms");
    std::printf("call-history rows: %d\n", panel->callHistoryModel()->rowCount());

    // --- contact lookup of an incoming call
    const PhoneBookEntry &last = data.sharedContacts.last();
    const QString number = last.contacts.isEmpty() ? QStringLiteral("+390000") : last.contacts.first().value;
    QElapsedTimer lookupClock;
    lookupClock.start();
    int found = 0;
    for (int i = 0; i < 1000; ++i)
        found += w->resolveContactNumber(number).isNull() ? 0 : 1;
    const double lookupMs = lookupClock.nsecsElapsed() / 1e6 / 1000;
    std::printf("lookup of %s: %s\n", qPrintable(number), found ? "found" : "not found");
    ok &= report("one contact lookup", lookupMs, 1, "ms");

    // The client hands the free pages of its search passes back once they
    // have settled (a second after the last one): the figure is the resident
    // size then, as an operator's machine sees it between searches.
    waitUntil([] { return false; }, 1500);
    const double rssMiB = benchmem::statusValue("VmRSS") / 1024.0;
    if (qEnvironmentVariableIsSet("DIRBENCH_TRIM")) {
        printHeap("settled");
        malloc_trim(0);
        std::printf("detail: after malloc_trim %.1f MiB\n", benchmem::statusValue("VmRSS") / 1024.0 - baseMiB);
        printHeap("trimmed");
    }
    std::printf("resident memory: %.1f MiB in all, %.1f MiB before the client started (simulator and data)\n", rssMiB,
                baseMiB);
    ok &= report("resident memory of the client, all loaded and settled", rssMiB - baseMiB, 150, "MiB");

    delete w;
    QMetaObject::invokeMethod(
        sim, [sim] { delete sim; }, Qt::BlockingQueuedConnection);
    simThread.quit();
    simThread.wait();
    return ok ? 0 : 1;
}
