#include "mspmainwidget.h"

#include "app/globallogger.h"
#include "ctilib.h"
#include "customtablewidget.h"
#include "dlgperiod.h"
#include "framework/promptservice.h"
#include "operatorcell.h"
#include "operatorwidgets.h"
#include "widgets/guiutils.h"
#include "widgets/mpclickablelabel.h"

#include <QAction>
#include <QComboBox>
#include <QDebug>
#include <QFrame>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMovie>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

namespace
{
enum QueueRow {
    RowWaiting = 0,
    RowOldest = 1,
    RowLastHourMwt = 2,
    RowOperators = 3,
    RowLost = 4,
    RowServed = 5,
    RowMwt = 6,
    RowMct = 7
};
enum LoadKind { LoadLost = 0, LoadServed = 1, LoadMwt = 2, LoadMct = 3 };
using OperatorRoles::Blf;
using OperatorRoles::Ringing;
const QString accountSeparator = QStringLiteral("*->*");
} // namespace

// Reports are queued: one posted before close() is dropped when it arrives.
template <typename Signal, typename... Args>
void MspMainWidget::follow(Signal signal, void (MspMainWidget::*slot)(Args...))
{
    connect(
        &ctiLib, signal, this,
        [this, slot](Args... args) {
            if (sessionRunning)
                (this->*slot)(args...);
        },
        Qt::QueuedConnection);
}

MspMainWidget::MspMainWidget(CtiLib &cti, QMap<QString, MctiExtenDetails> *extensions, const MctiConfig &cfg,
                             QWidget *parent)
    : QWidget(parent), ctiLib(cti), config(cfg)
{
    refreshSecs = QueueRules::refreshIntervalSecs(cfg.queueStatsRefreshTimeoutSecs);
    CTILIB::registerMetaTypes();
    qRegisterMetaType<QMap<int, QVector<int>>>("QMap<int,QVector<int> >");
    qRegisterMetaType<QMap<QString, QString>>("QMap<QString,QString>");
    qRegisterMetaType<QMap<int, int>>("QMap<int,int>");
    qRegisterMetaType<QList<int>>("QList<int>");
    refreshTimer.setObjectName(QStringLiteral("queueStatsRefreshTimer"));
    refreshTimer.setParent(this);
    clockTimer.setObjectName(QStringLiteral("supervisorClockTimer"));
    clockTimer.setParent(this);
    addMemberAction = new QAction(QIcon(QStringLiteral(":images/addContactIcon.png")), QString(), this);
    addMemberAction->setObjectName(QStringLiteral("addQueueMemberAction"));
    removeMemberAction = new QAction(QIcon(QStringLiteral(":/images/IgnoreIncomingCall.png")), QString(), this);
    removeMemberAction->setObjectName(QStringLiteral("removeQueueMemberAction"));
    setupGuiLayout();
    extenDetails = extensions;
    // The requests of period statistics and the client's queue reports.
    const auto q = Qt::QueuedConnection;
    connect(this, &MspMainWidget::sigGetAllQueuePeriodicStats, &cti, &CtiLib::getAllQueuePeriodicStats, q);
    connect(this, &MspMainWidget::sigGetAllOperatorPeriodicStats, &cti, &CtiLib::getAllQueueOperatorPeriodicStats, q);
    connect(this, &MspMainWidget::sigGetQueuePeriodicStats, &cti, &CtiLib::getQueuePeriodicStats, q);
    connect(this, &MspMainWidget::sigGetOperatorPeriodicStats, &cti, &CtiLib::getQueueOperatorPeriodicStats, q);
    follow(&CtiLib::sigAllQueuesStatsReceived, &MspMainWidget::onQueueStatsRcvd);
    follow(&CtiLib::sigQueuePeriodicStatsReceived, &MspMainWidget::onQueuePeriodicStatsRcvd);
    follow(&CtiLib::sigAllQueuesPeriodicStatsReceived, &MspMainWidget::onAllQueuePeriodicStatsRcvd);
    follow(&CtiLib::sigQueueOperatorPeriodicStatsReceived, &MspMainWidget::onOperatorPeriodicStatsRcvd);
    follow(&CtiLib::sigAllQueueOperatorsPeriodicStatsReceived, &MspMainWidget::onAllOperatorPeriodicStatsRcvd);
    follow(&CtiLib::sigQueueMemberPauseChanged, &MspMainWidget::onQueueMemberPauseChanged);
    follow(&CtiLib::sigQueueMemberAdded, &MspMainWidget::onQueueMemberAdded);
    follow(&CtiLib::sigQueueMemberRemoved, &MspMainWidget::onQueueMemberRemoved);
    follow(&CtiLib::sigQueueEvent, &MspMainWidget::onQueueEvent);
    follow(&CtiLib::sigIdentitiesChanged, &MspMainWidget::setIdentities);
    ownExtension = cti.getUserExtension();
    capabilities = cti.getPbxCapabilities();
    queueRole = cti.getQueueRole();
    connect(&refreshTimer, &QTimer::timeout, this, &MspMainWidget::refreshQueueStats);
    refreshCoalesceTimer.setObjectName(QStringLiteral("queueStatsCoalesceTimer"));
    refreshCoalesceTimer.setParent(this);
    refreshCoalesceTimer.setSingleShot(true);
    refreshCoalesceTimer.setInterval(300);
    connect(&refreshCoalesceTimer, &QTimer::timeout, this, &MspMainWidget::refreshQueueStats);
    countsDisplayTimer.setObjectName(QStringLiteral("operatorCountsDisplayTimer"));
    countsDisplayTimer.setParent(this);
    countsDisplayTimer.setSingleShot(true);
    countsDisplayTimer.setInterval(100);
    connect(&countsDisplayTimer, &QTimer::timeout, this, [this] {
        const QSet<QString> ids = std::exchange(countsToShow, {});
        for (const QString &id : ids) {
            const auto q = queueModel.queues.constFind(id);
            if (q != queueModel.queues.constEnd())
                updateDisplayedOperatorsNum(*q);
        }
    });
    const QString names = cfg.queueNames;
    if (!names.isEmpty())
        logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Queue names in mcti.ini: " << names;
    else
        logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "No Queue names in mcti.ini";
    nameFilterList = QueueRules::nameFilter(names);
}

MspMainWidget::~MspMainWidget()
{
    refreshTimer.stop();
    clockTimer.stop();
    if (ringingMovie)
        ringingMovie->stop();
    if (loaderMovie)
        loaderMovie->stop();
    delete contextMenu.data();
}

void MspMainWidget::setupGuiLayout()
{
    setObjectName(QStringLiteral("mspMainWidget"));
    resize(755, 480);
    setStyleSheet(QStringLiteral("#lblTotCall { font-size: 35pt; font-weight: 600; }\n#lblClock { font-size: 30pt; "
                                 "font-weight: 600; }\n#tbQueues { font-size: 23pt; }\n#tbQueues QHeaderView, "
                                 "#tbOperators QHeaderView { font-size: 15pt; }"));
    auto *grid = new QGridLayout(this);
    grid->setObjectName(QStringLiteral("gridLayout"));
    grid->setHorizontalSpacing(3);
    grid->setVerticalSpacing(1);
    grid->setContentsMargins(3, 3, 3, 2);
    lblLogo = new QLabel(this);
    lblLogo->setObjectName(QStringLiteral("lblLogo"));
    lblLogo->setMinimumHeight(60);
    grid->addWidget(lblLogo, 0, 0);
    grid->addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum), 0, 1);
    lblClock = new QLabel(this);
    lblClock->setObjectName(QStringLiteral("lblClock"));
    lblClock->setMinimumWidth(150);
    lblClock->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    lblClock->setAlignment(Qt::AlignCenter);
    grid->addWidget(lblClock, 0, 2);
    grid->addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum), 0, 3);
    lblTotCall = new QLabel(QStringLiteral("0"), this);
    lblTotCall->setObjectName(QStringLiteral("lblTotCall"));
    grid->addWidget(lblTotCall, 0, 4);
    auto *loading = new QVBoxLayout;
    loading->setSpacing(0);
    lblLoading = new QLabel(this);
    lblLoading->setObjectName(QStringLiteral("lblLoading"));
    lblLoading->setFixedSize(32, 32);
    lblLoadingProgress = new QLabel(this);
    lblLoadingProgress->setObjectName(QStringLiteral("lblLoadingProgress"));
    lblLoadingProgress->setMinimumWidth(50);
    lblLoadingProgress->setAlignment(Qt::AlignCenter);
    loading->addWidget(lblLoading, 0, Qt::AlignHCenter);
    loading->addWidget(lblLoadingProgress);
    grid->addLayout(loading, 0, 5);
    auto *period = new QGridLayout;
    period->setContentsMargins(3, 3, 3, 3);
    cbTimeRange = new QComboBox(this);
    cbTimeRange->setObjectName(QStringLiteral("cbTimeRange"));
    cbTimeRange->setMinimumWidth(150);
    period->addWidget(cbTimeRange, 0, 0, 1, 2);
    auto *from = new QLabel(tr("Da:"), this);
    from->setMaximumWidth(15);
    period->addWidget(from, 1, 0);
    lblFromPeriod = new MPClickableLabel(this);
    lblFromPeriod->setObjectName(QStringLiteral("lblFromPeriod"));
    lblFromPeriod->setAlignment(Qt::AlignCenter);
    period->addWidget(lblFromPeriod, 1, 1);
    auto *to = new QLabel(tr("A:"), this);
    to->setMaximumWidth(15);
    period->addWidget(to, 2, 0);
    lblToPeriod = new MPClickableLabel(this);
    lblToPeriod->setObjectName(QStringLiteral("lblToPeriod"));
    lblToPeriod->setAlignment(Qt::AlignCenter);
    period->addWidget(lblToPeriod, 2, 1);
    grid->addLayout(period, 0, 7);
    auto *line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    grid->addWidget(line, 1, 0, 1, 9);
    auto *splitter = new QSplitter(Qt::Vertical, this);
    splitter->setObjectName(QStringLiteral("splitter"));
    tbQueues = new CustomTableWidget(splitter);
    tbQueues->setObjectName(QStringLiteral("tbQueues"));
    tbQueues->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tbQueues->setAlternatingRowColors(true);
    tbQueues->setSelectionMode(QAbstractItemView::NoSelection);
    tbQueues->setSelectionBehavior(QAbstractItemView::SelectColumns);
    tbQueues->horizontalHeader()->setStretchLastSection(true);
    tbOperators = new QTableWidget(splitter);
    tbOperators->setObjectName(QStringLiteral("tbOperators"));
    tbOperators->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tbOperators->setAlternatingRowColors(true);
    tbOperators->setSelectionMode(QAbstractItemView::NoSelection);
    tbOperators->setIconSize(QSize(15, 15));
    tbOperators->horizontalHeader()->setMinimumSectionSize(35);
    tbOperators->horizontalHeader()->setStretchLastSection(true);
    tbOperators->verticalHeader()->hide();
    tbOperators->verticalHeader()->setDefaultSectionSize(48);
    grid->addWidget(splitter, 2, 0, 1, 9);
    lblBottomStatus = new QLabel(this);
    lblBottomStatus->setObjectName(QStringLiteral("lblBottomStatus"));
    lblBottomStatus->setFixedHeight(18);
    lblBottomStatus->setAlignment(Qt::AlignCenter);
    grid->addWidget(lblBottomStatus, 3, 0, 1, 9);
    for (QLabel *l : std::initializer_list<QLabel *>{lblClock, lblTotCall, lblLoadingProgress, lblFromPeriod,
                                                     lblToPeriod, lblBottomStatus})
        l->setTextFormat(Qt::PlainText);

    const char *icons[5] = {":/images/led_gray.png", ":/images/led_red.png", ":/images/led_green.png",
                            ":/images/led_yellow.png", ":/images/led_orange.png"};
    for (int i = 0; i < 5; ++i)
        stateIcons[i] = QIcon(QString::fromLatin1(icons[i]));
    donePixmap = QPixmap(QStringLiteral(":/images/v.png"));
    ringingMovie = new QMovie(QStringLiteral(":/images/m_blinking_animation_15.gif"), QByteArray(), this);
    ringingMovie->setObjectName(QStringLiteral("ringingMovie"));
    // One shared movie: each frame repaints the lamp column once; the
    // delegate draws the frame into every ringing lamp on screen.
    connect(ringingMovie, &QMovie::frameChanged, this, [this]() {
        if (!tbOperators->isVisible() || tbOperators->columnCount() < 2)
            return;
        QWidget *viewport = tbOperators->viewport();
        viewport->update(
            QRect(tbOperators->columnViewportPosition(1), 0, tbOperators->columnWidth(1), viewport->height()));
    });
    ringingMovie->start();
    ringingMovie->setPaused(true); // until the panel is shown
    cellDelegate = new OperatorCellDelegate(ringingMovie, tbOperators);
    tbOperators->setItemDelegate(cellDelegate);
    connect(cellDelegate, &OperatorCellDelegate::pauseRequested, this, &MspMainWidget::onOperatorPausedRequest);
    // The cell under the mouse becomes a real operator widget.
    tbOperators->setMouseTracking(true);
    tbOperators->viewport()->setMouseTracking(true);
    tbOperators->viewport()->installEventFilter(this);
    connect(tbOperators, &QAbstractItemView::entered, this, &MspMainWidget::hoverOperatorCell);
    loaderMovie = new QMovie(QStringLiteral(":/images/loader.gif"), QByteArray(), this);
    loaderMovie->setObjectName(QStringLiteral("loaderMovie"));
    loaderMovie->start();
    loaderMovie->setPaused(true); // until the panel is shown
    resetUpdating();
    for (const QueueRules::PeriodChoice &c : QueueRules::periodChoices())
        cbTimeRange->addItem(tr(c.text), c.type);
    cbTimeRange->setCurrentIndex(1);
    tbOperators->setContextMenuPolicy(Qt::CustomContextMenu);
    periodDialog = new dlgPeriod(this);
    // A click on the period's bounds lets the user set his own.
    for (MPClickableLabel *bound : {lblFromPeriod, lblToPeriod}) {
        bound->setToolTip(tr("Clicca per scegliere il periodo"));
        connect(bound, &MPClickableLabel::clicked, this, &MspMainWidget::openChangePeriodDialog);
    }
    connect(cbTimeRange, QOverload<int>::of(&QComboBox::currentIndexChanged), this, &MspMainWidget::onPeriodChanged);
    connect(&clockTimer, &QTimer::timeout, this, &MspMainWidget::onUpdateDateTime);
    // The operator cells show the age of their pause state: one repaint of
    // what is on screen each second.
    connect(&clockTimer, &QTimer::timeout, this, [this]() {
        if (tbOperators->isVisible() && tbOperators->columnCount() > 2)
            updateVisibleOperatorCells();
        if (auto *hovered = qobject_cast<wdgOperatorInfo *>(tbOperators->indexWidget(hoveredCell)))
            hovered->updatePauseStatusLastChange();
    });
    connect(tbQueues, &CustomTableWidget::sigTableResized, this, &MspMainWidget::adjustTbOperatorColumns);
    connect(tbOperators, &QTableWidget::customContextMenuRequested, this, &MspMainWidget::ops_cxtMenu,
            Qt::UniqueConnection);
    connect(addMemberAction, &QAction::triggered, this, &MspMainWidget::addQueueMember);
    connect(removeMemberAction, &QAction::triggered, this, &MspMainWidget::removeQueueMember);
    resetTables();
}

void MspMainWidget::updateThresholdLists(const QList<int> &answered, const QList<int> &lost)
{
    if (answered != answeredCallsThresholds)
        answeredCallsThresholds = answered;
    if (lost != lostCallsThresholds)
        lostCallsThresholds = lost;
}

void MspMainWidget::updateLogoFile(const QString &path)
{
    logoPath = path;
    const QPixmap logo(path);
    if (!logo.isNull())
        lblLogo->setPixmap(logo.scaledToHeight(qMax(60, lblLogo->height()), Qt::SmoothTransformation));
}

bool MspMainWidget::connected() const
{
    return sessionRunning && ctiLib.isConnected();
}

void MspMainWidget::requestStatsNow()
{
    if (!connected() || !QueueRules::isQueueRole(queueRole))
        return;
    refreshCoalesceTimer.stop();
    refreshTimer.start(refreshSecs * 1000);
    statsGate.request();
}

bool MspMainWidget::sendPeerListRequest()
{
    if (!connected())
        return false;
    ctiLib.getPeerList();
    return true;
}

bool MspMainWidget::sendStatsRequest()
{
    if (!connected() || !QueueRules::isQueueRole(queueRole))
        return false;
    ctiLib.getAllQueuesStats();
    return true;
}

void MspMainWidget::requestFullRefresh()
{
    // Membership events come in bursts: one request for the whole burst.
    if (!connected() || !QueueRules::isQueueRole(queueRole))
        return;
    if (!refreshCoalesceTimer.isActive())
        refreshCoalesceTimer.start();
}

// --- live statistics --------------------------------------------------------

void MspMainWidget::refreshQueueStats()
{
    requestStatsNow();
}

void MspMainWidget::refreshStats()
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Refresh stats in supervisor panel";
    if (customPeriod) {
        // The user's own bounds stay until he picks a period again.
        resetUpdating();
        requestPeriodicData();
        return;
    }
    onPeriodChanged(cbTimeRange->currentIndex());
}

QStringList MspMainWidget::getIdentityNames(const IdentityList &list) const
{
    QStringList names;
    for (const IdentityEntry &e : list)
        names << e.identifier;
    return names;
}

void MspMainWidget::setIdentities(const IdentityList &list)
{
    if (!connected())
        return;
    const QStringList names = getIdentityNames(list);
    if (queueRole == QueueRules::RoleSupervisor)
        peerListGate.request();
    if (firstIdentitiesPending) {
        ownNames = names;
        firstIdentitiesPending = false;
        emit sigUpdatedQueuesList(queueModel.ownQueues);
        requestStatsNow();
        return;
    }
    if (names == ownNames)
        return;
    ownNames = names;
    queueModel.rebuildOwnQueues(ownNames);
    emit sigUpdatedQueuesList(queueModel.ownQueues);
    requestStatsNow();
}

void MspMainWidget::onQueueStatsRcvd(const QueueStatsList &list)
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Got queue stats map";
    statsGate.answered();
    queueModel.applyStats(list, queueRole, ownNames, nameFilterList, extenDetails);
    emit sigUpdatedQueuesList(queueModel.ownQueues);
    refreshQueuesView();
    refreshOperatorsView();
    refreshStats();
}

QString MspMainWidget::resolveQueueName(const QString &id) const
{
    return queueModel.queues.value(id).name;
}

QString MspMainWidget::resolveQueueId(const QString &name) const
{
    return queueModel.queueIdOf(name);
}

QueueStatus MspMainWidget::getQueueInfo(const QString &name) const
{
    const QString qid = resolveQueueId(name);
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Q with name" << name << " resolved to qid: " << qid;
    const auto it = queueModel.queues.constFind(qid);
    if (it != queueModel.queues.constEnd() && !it->stale) {
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Retrieving info about Q " << qid;
        return *it;
    }
    logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "There is no info about Q: " << qid;
    qDebug() << "current contents of the map are: " << queueModel.queues.keys();
    return QueueStatus();
}

// --- tables ------------------------------------------------------------------

void MspMainWidget::resetTables()
{
    tbQueues->clear();
    tbQueues->setColumnCount(1);
    tbQueues->setRowCount(8);
    tbQueues->setVerticalHeaderLabels({tr("Utenti in coda"), tr("Ch. più antica"), tr("T.M. attesa"), tr("Operatori"),
                                       tr("Ch. perse\n(periodo)"), tr("Ch. servite\n(periodo)"),
                                       tr("T.M. attesa\n(periodo)"), tr("T.M. conv.\n(periodo)")});
    tbQueues->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    tbQueues->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    clearOperatorTable();
}

void MspMainWidget::clearOperatorTable()
{
    // The add row's widgets go with the table's clear(); their forms go with
    // them, and so does the widget of the cell under the mouse.
    hoverOperatorCell(QModelIndex());
    tbOperators->clear();
    tbOperators->setRowCount(0);
    tbOperators->setColumnCount(0);
}

void MspMainWidget::updateVisibleOperatorCells()
{
    // Only the operator cells on screen are painted again, not the whole
    // table.
    QWidget *viewport = tbOperators->viewport();
    const int lastRow = tbOperators->rowCount() - 2; // the add row has no cells
    int top = tbOperators->rowAt(0);
    int bottom = tbOperators->rowAt(viewport->height() - 1);
    int left = tbOperators->columnAt(0);
    int right = tbOperators->columnAt(viewport->width() - 1);
    if (top < 0 || lastRow < 0)
        return;
    bottom = bottom < 0 ? lastRow : qMin(bottom, lastRow);
    left = qMax(2, left);
    right = right < 0 ? tbOperators->columnCount() - 1 : right;
    for (int r = top; r <= bottom; ++r) {
        for (int c = left; c <= right; ++c) {
            const QTableWidgetItem *item = tbOperators->item(r, c);
            if (item && item->data(OperatorRoles::Cell).isValid())
                viewport->update(tbOperators->visualItemRect(item));
        }
    }
}

void MspMainWidget::hoverOperatorCell(const QModelIndex &index)
{
    if (index == hoveredCell)
        return;
    if (hoveredCell.isValid())
        static_cast<QAbstractItemView *>(tbOperators)->closePersistentEditor(hoveredCell);
    hoveredCell = QPersistentModelIndex();
    if (index.isValid() && index.data(OperatorRoles::Cell).isValid()) {
        hoveredCell = index;
        static_cast<QAbstractItemView *>(tbOperators)->openPersistentEditor(index);
    }
}

bool MspMainWidget::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == tbOperators->viewport() && event->type() == QEvent::Leave)
        hoverOperatorCell(QModelIndex());
    return QWidget::eventFilter(watched, event);
}

void MspMainWidget::refreshQueuesView()
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Refresh view for queues in supervisor panel";
    std::sort(queueModel.queueNames.begin(), queueModel.queueNames.end());
    tbQueues->setColumnCount(queueModel.queueNames.size());
    tbQueues->setHorizontalHeaderLabels(queueModel.queueNames);
    tbQueues->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft);
    for (int c = 0; c < queueModel.queueNames.size(); ++c) {
        const QString id = queueModel.queueIdOf(queueModel.queueNames.at(c));
        auto it = queueModel.queues.find(id);
        if (it == queueModel.queues.end())
            continue;
        it->column = c;
        updateDisplayedQueueCallsCountAndLht(*it);
        updateDisplayedOperatorsNum(*it);
    }
    updateTotalCallsCount();
}

void MspMainWidget::refreshOperatorsView()
{
    logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Refresh view for operators in supervisor panel";
    // Thousands of cells: lay them out once, when the table shows again.
    const bool wasVisible = !tbOperators->isHidden();
    tbOperators->setUpdatesEnabled(false);
    tbOperators->hide();
    clearOperatorTable();
    accountRows.clear();
    const QStringList &names = queueModel.queueNames;
    tbOperators->setColumnCount(names.size() + 2);
    tbOperators->setHorizontalHeaderLabels(QStringList{tr("Operatori"), tr("T")} + names);
    tbOperators->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft);
    tbOperators->setColumnWidth(0, qMax(20, tbQueues->verticalHeader()->width() - 20));
    tbOperators->setColumnWidth(1, 20);
    tbOperators->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Fixed);
    tbOperators->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Fixed);
    int rows = 0;
    for (const QStringList &ids : qAsConst(queueModel.memberQueues))
        rows += ids.isEmpty() ? 0 : 1;
    tbOperators->setRowCount(rows);
    int row = 0;
    for (auto it = queueModel.memberQueues.cbegin(); it != queueModel.memberQueues.cend(); ++it) {
        if (it.value().isEmpty())
            continue;
        const QString &account = it.key();
        const QString extension = queueModel.memberExtension.value(account);
        QString text = extension;
        int state = -1;
        if (extenDetails && extenDetails->contains(extension)) {
            const MctiExtenDetails &rec = (*extenDetails)[extension];
            if (!rec.name.isEmpty())
                text = rec.name + QStringLiteral(" (") + extension + QLatin1Char(')');
            state = rec.blfState;
        }
        text += QStringLiteral(" \nSIP/") + account;
        auto *nameItem = new QTableWidgetItem(text);
        nameItem->setData(Qt::UserRole, account);
        nameItem->setToolTip(extension + QStringLiteral(" SIP/") + account);
        nameItem->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        QFont f = nameItem->font();
        f.setPointSize(10);
        nameItem->setFont(f);
        tbOperators->setItem(row, 0, nameItem);
        accountRows.insert(account, row);
        auto *lamp = new QTableWidgetItem;
        tbOperators->setItem(row, 1, lamp);
        changeBlfStatusOnItem(lamp, state, tbOperators);
        ++row;
    }
    for (auto q = queueModel.queues.cbegin(); q != queueModel.queues.cend(); ++q) {
        if (q->stale)
            continue;
        for (const QueueUserStatus &m : q->members)
            addOperatorInfoWdg(m, q.key());
    }
    const int addRow = tbOperators->rowCount();
    tbOperators->insertRow(addRow);
    for (int c = 2; c < tbOperators->columnCount(); ++c) {
        const QString qid = queueModel.queueIdOf(names.value(c - 2));
        const bool penalty = capabilities & QueueRules::CapMemberPenalty;
        auto *adder = new wdgNewOperator(qid, penalty, extenDetails);
        connect(adder, &wdgNewOperator::sigAddOperatorRequested, this,
                [this](const QString &queueId, const QString &account, int memberPenalty) {
                    if (connected())
                        ctiLib.addQueueDynamicMember(queueId, account, memberPenalty);
                });
        tbOperators->setCellWidget(addRow, c, adder);
    }
    adjustTbOperatorColumns();
    if (wasVisible)
        tbOperators->show();
    tbOperators->setUpdatesEnabled(true);
}

int MspMainWidget::rowOfAccount(const QString &account) const
{
    // The account is the name cell's user data (its text ends with it too).
    // Rows are only made by the rebuild, which records each: a lookup is one
    // step whatever the size of the table.
    const int known = accountRows.value(account, -1);
    if (known >= 0 && known < tbOperators->rowCount()) {
        const QTableWidgetItem *item = tbOperators->item(known, 0);
        if (item && item->data(Qt::UserRole).toString() == account)
            return known;
    }
    return -1;
}

QTableWidgetItem *MspMainWidget::operatorItem(const QString &queueId, const QString &account, int *row,
                                              int *column) const
{
    if (row)
        *row = -1;
    if (column)
        *column = -1;
    const auto q = queueModel.queues.constFind(queueId);
    if (q == queueModel.queues.constEnd())
        return nullptr;
    const int r = rowOfAccount(account);
    if (r < 0 || q->column < 0)
        return nullptr;
    const int c = q->column + 2;
    if (row)
        *row = r;
    if (column)
        *column = c;
    QTableWidgetItem *item = tbOperators->item(r, c);
    return item && item->data(OperatorRoles::Cell).isValid() ? item : nullptr;
}

std::optional<OperatorCell> MspMainWidget::operatorCell(const QString &queueId, const QString &account) const
{
    if (const QTableWidgetItem *item = operatorItem(queueId, account))
        return item->data(OperatorRoles::Cell).value<OperatorCell>();
    return std::nullopt;
}

void MspMainWidget::changeOperatorCell(QTableWidgetItem *item, const std::function<void(OperatorCell &)> &change)
{
    OperatorCell cell = item->data(OperatorRoles::Cell).value<OperatorCell>();
    change(cell);
    item->setData(OperatorRoles::Cell, QVariant::fromValue(cell)); // repaints this one cell
}

void MspMainWidget::addOperatorInfoWdg(const QueueUserStatus &member, const QString &queueId)
{
    int row = -1;
    int column = -1;
    operatorItem(queueId, member.memberId, &row, &column);
    if (row >= 0 && column >= 0) {
        QTableWidgetItem *item = tbOperators->item(row, column);
        if (!item) {
            item = new QTableWidgetItem;
            tbOperators->setItem(row, column, item);
        }
        OperatorCell cell;
        if (item->data(OperatorRoles::Cell).isValid())
            cell = item->data(OperatorRoles::Cell).value<OperatorCell>();
        cell.opNum = member.memberId;
        cell.queueId = queueId;
        cell.status = member.memberType;
        cell.penalty = member.penalty;
        cell.paused = member.paused;
        cell.lastPauseChange = member.lastPauseChange;
        cell.setStats(member.completedCalls, member.lastCall, 0, 0);
        item->setData(OperatorRoles::Cell, QVariant::fromValue(cell));
    }
    if (member.extension == ownExtension) {
        emit sigUpdatedOperatorCompletedCalls(queueId, member.memberId, member.completedCalls);
        emit sigUpdatedLastCall(queueId, member.lastCall);
    }
    if (ownNames.contains(member.memberId))
        emit sigQueueMemberPauseChange(queueId, member.memberId, member.lastPauseChange, member.paused);
}

void MspMainWidget::removeOperatorInfoWdg(const QString &queueId, const QString &account)
{
    int row = -1;
    int column = -1;
    QTableWidgetItem *cell = operatorItem(queueId, account, &row, &column);
    if (row < 0 || column < 0) {
        requestFullRefresh();
        return;
    }
    if (cell) {
        if (hoveredCell == tbOperators->model()->index(row, column))
            hoverOperatorCell(QModelIndex());
        cell->setData(OperatorRoles::Cell, QVariant());
    }
    bool any = false;
    for (int c = 2; c < tbOperators->columnCount() && !any; ++c) {
        const QTableWidgetItem *item = tbOperators->item(row, c);
        any = item && item->data(OperatorRoles::Cell).isValid();
    }
    // A row left without memberships stays, empty, until the next rebuild
    // (asked for here) leaves it out: the rows below keep their places, and
    // the table's layout is not worked out again for each event.
    if (!any)
        requestFullRefresh();
}

QTableWidgetItem *MspMainWidget::queueCell(int row, const QueueStatus &q, bool bold)
{
    QTableWidgetItem *item = tbQueues->item(row, q.column);
    if (!item) {
        item = new QTableWidgetItem;
        item->setTextAlignment(Qt::AlignCenter);
        if (bold) {
            QFont f = item->font();
            f.setWeight(75);
            item->setFont(f);
        }
        tbQueues->setItem(row, q.column, item);
    }
    return item;
}

void MspMainWidget::updateDisplayedQueueCallsCountAndLht(const QueueStatus &q)
{
    if (q.column < 0 || q.stale)
        return;
    queueCell(RowWaiting, q, true)->setText(QString::number(q.waitingCount));
    QTableWidgetItem *oldest = queueCell(RowOldest, q);
    if (q.oldestCallTime.isNull())
        oldest->setText(QString());
    else
        oldest->setText(QueueRules::minSecText(q.oldestCallTime.secsTo(QDateTime::currentDateTime())));
    const auto it = queueModel.queues.constFind(q.id);
    if (it == queueModel.queues.constEnd())
        return;
    for (const QueueUserStatus &m : it->members) {
        if (m.extension == ownExtension) {
            emit sigQueueCallsStatsUpdated(q.id, int(q.waitingCount), q.oldestCallTime);
            break;
        }
    }
}

void MspMainWidget::updateDisplayedOperatorsNum(const QueueStatus &q)
{
    if (q.column < 0 || q.stale)
        return;
    const QString text = QStringLiteral("%1/%2/%3/%4")
                             .arg(q.availableCount)
                             .arg(q.busyCount)
                             .arg(q.pausedCount)
                             .arg(q.unregisteredCount);
    QTableWidgetItem *item = tbQueues->item(RowOperators, q.column);
    if (!item) {
        item = queueCell(RowOperators, q);
        item->setToolTip(tr("Operatori Disponibili/Occupati/In pausa/Non registrati"));
    }
    item->setText(text);
}

void MspMainWidget::updateTotalCallsCount()
{
    const int total = queueModel.waitingTotal(false, ownExtension);
    lblTotCall->setText(QString::number(total));
    emit sigGlobalAllQueuesCallsCountUpdated(total);
    emit sigLocalAllQueuesCallsCountUpdated(queueModel.waitingTotal(true, ownExtension));
}

void MspMainWidget::onQueueEvent(const QueueEvent &event)
{
    auto it = queueModel.queues.find(event.queueId);
    if (it == queueModel.queues.end())
        return;
    it->waitingCount = quint32(qMax(0, event.waitingCalls));
    it->oldestCallTime = event.waitingCalls >= 1 ? event.oldestCallTime : QDateTime();
    updateDisplayedQueueCallsCountAndLht(*it);
    updateTotalCallsCount();
}

// --- operators ------------------------------------------------------------------

void MspMainWidget::changeBlfStatusOnItem(QTableWidgetItem *item, int state, QTableWidget *table)
{
    if (!item)
        return;
    item->setData(Blf, state);
    item->setData(Ringing, QVariant());
    const int row = table ? item->row() : -1;
    switch (state) {
    case -1:
    case 4:
        item->setIcon(stateIcons[0]);
        item->setToolTip(tr("Stato dell'interno non disponibile"));
        break;
    case 0:
        item->setIcon(stateIcons[2]);
        item->setToolTip(tr("Interno libero"));
        break;
    case 1:
        item->setIcon(stateIcons[1]);
        item->setToolTip(tr("Interno in conversazione"));
        break;
    case 2:
        item->setIcon(stateIcons[1]);
        item->setToolTip(tr("Interno occupato"));
        break;
    case 8:
    case 9:
        item->setIcon(stateIcons[3]);
        item->setToolTip(tr("L'interno sta squillando"));
        // The lamp blinks with the ringing animation: the delegate paints
        // the shared movie's frame in place of the icon.
        if (table && row >= 0 && ringingMovie && ringingMovie->state() != QMovie::NotRunning) {
            item->setData(Ringing, true);
            item->setIcon(QIcon());
        }
        break;
    case 16:
    case 17:
        item->setIcon(stateIcons[4]);
        item->setToolTip(tr("Interno in attesa"));
        break;
    default:
        break;
    }
}

void MspMainWidget::showCountsSoon(const QString &queueId)
{
    countsToShow.insert(queueId);
    if (!countsDisplayTimer.isActive())
        countsDisplayTimer.start();
}

void MspMainWidget::recalculateOperatorsNum(const QString &queueId)
{
    auto it = queueModel.queues.find(queueId);
    if (it == queueModel.queues.end())
        return;
    const QueueRules::OperatorCounts counts = QueueRules::countMembers(it->members, extenDetails);
    it->availableCount = counts.available;
    it->busyCount = counts.busy;
    it->pausedCount = counts.paused;
    it->unregisteredCount = counts.unregistered;
    if (counts.total() != it->members.size())
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Operators count is not correct";
    updateDisplayedOperatorsNum(*it);
}

void MspMainWidget::onQueueOperatorStatusChanged(const QString &extension)
{
    if (!extenDetails || !extenDetails->contains(extension) || tbOperators->rowCount() == 0)
        return;
    const int state = extenDetails->value(extension).blfState;
    QSet<QString> queuesToCount;
    const QStringList accounts = queueModel.extensionMembers.value(extension);
    for (const QString &account : QSet<QString>(accounts.cbegin(), accounts.cend())) {
        const int row = rowOfAccount(account);
        if (row >= 0)
            changeBlfStatusOnItem(tbOperators->item(row, 1), state, tbOperators);
        for (const QString &qid : queueModel.memberQueues.value(account))
            queuesToCount.insert(qid);
    }
    for (const QString &qid : qAsConst(queuesToCount))
        recalculateOperatorsNum(qid);
}

void MspMainWidget::onOperatorPausedRequest(const QString &opNum, const QString &queueId, bool pause)
{
    if (connected())
        ctiLib.pauseOperators(pause, QStringList{opNum}, QStringLiteral("SupervisorRequest"), queueId);
}

void MspMainWidget::onQueueMemberPauseChanged(const QueueMember &member, bool isPaused)
{
    auto q = queueModel.queues.find(member.queueId);
    if (q != queueModel.queues.end()) {
        const auto m = q->members.find(member.account);
        if (m != q->members.end()) {
            const QueueRules::CountClass before = QueueRules::classify(*m, extenDetails);
            m->paused = isPaused;
            m->lastPauseChange = QDateTime::currentDateTime();
            const QueueRules::CountClass after = QueueRules::classify(*m, extenDetails);
            QueueRules::moveCount(*q, &before, &after);
            showCountsSoon(member.queueId);
        }
    }
    const QDateTime now = QDateTime::currentDateTime();
    if (QTableWidgetItem *cell = operatorItem(member.queueId, member.account))
        changeOperatorCell(cell, [&](OperatorCell &c) {
            c.paused = isPaused;
            c.lastPauseChange = now;
        });
    if (ownNames.contains(member.account))
        emit sigQueueMemberPauseChange(member.queueId, member.account, now, isPaused);
}

void MspMainWidget::onQueueMemberAdded(const QueueMember &member)
{
    QStringList &ids = queueModel.memberQueues[member.account];
    if (!ids.contains(member.queueId))
        ids << member.queueId;
    auto q = queueModel.queues.find(member.queueId);
    if (q != queueModel.queues.end()) {
        queueModel.queueMembers[member.queueId].insert(member.account);
        queueModel.memberExtension[member.account] = member.exten;
        QStringList &em = queueModel.extensionMembers[member.exten];
        if (!em.contains(member.account))
            em << member.account;
        const auto known = q->members.constFind(member.account);
        const bool wasMember = known != q->members.constEnd();
        const QueueRules::CountClass before =
            wasMember ? QueueRules::classify(*known, extenDetails) : QueueRules::Unregistered;
        QueueUserStatus &entry = q->members[member.account];
        entry.memberId = member.account;
        entry.extension = member.exten;
        entry.penalty = member.penalty;
        entry.lastPauseChange = QDateTime::currentDateTime();
        entry.paused = false;
        entry.memberType = member.memberType != 0 ? 1 : 0;
        // The main window hears of members whose extension it knows.
        if (extenDetails && extenDetails->contains(member.exten)) {
            entry.name = extenDetails->value(member.exten).name;
            emit sigQueueMemberAdded(member.queueId, member.account, member.penalty);
        }
        const QueueRules::CountClass after = QueueRules::classify(entry, extenDetails);
        QueueRules::moveCount(*q, wasMember ? &before : nullptr, &after);
        showCountsSoon(member.queueId);
        int row = -1;
        operatorItem(member.queueId, member.account, &row);
        if (row < 0) {
            // A new operator row is needed: the next full reply brings it.
            requestFullRefresh();
        } else {
            addOperatorInfoWdg(entry, member.queueId);
        }
    }
    if (ownNames.contains(member.account) && !queueModel.ownQueues.contains(member.queueId)) {
        queueModel.ownQueues.insert(member.queueId, queueModel.queues.value(member.queueId).name);
        emit sigUpdatedQueuesList(queueModel.ownQueues);
        requestFullRefresh();
    }
}

void MspMainWidget::onQueueMemberRemoved(const QueueMember &member)
{
    bool lastMembership = false;
    if (queueModel.memberQueues.contains(member.account)) {
        QStringList &ids = queueModel.memberQueues[member.account];
        ids.removeAll(member.queueId);
        if (ids.isEmpty()) {
            queueModel.memberQueues.remove(member.account);
            lastMembership = true;
        }
        if (ownNames.contains(member.account)) {
            queueModel.ownQueues.remove(member.queueId);
            emit sigUpdatedQueuesList(queueModel.ownQueues);
            requestFullRefresh();
        }
    }
    auto q = queueModel.queues.find(member.queueId);
    if (q != queueModel.queues.end()) {
        queueModel.queueMembers[member.queueId].remove(member.account);
        const auto m = q->members.find(member.account);
        if (m != q->members.end()) {
            const QueueRules::CountClass before = QueueRules::classify(*m, extenDetails);
            q->members.erase(m);
            QueueRules::moveCount(*q, &before, nullptr);
        }
        // The main window hears of it when the account left its last queue.
        if (lastMembership)
            emit sigQueueMemberRemoved(member.queueId, member.account);
        showCountsSoon(member.queueId);
    }
    removeOperatorInfoWdg(member.queueId, member.account);
}

void MspMainWidget::ops_cxtMenu(const QPoint &point)
{
    if (contextMenu)
        contextMenu->deleteLater();
    contextMenu = new QMenu(tbOperators);
    contextMenu->setObjectName(QStringLiteral("operatorsMenu"));
    const QModelIndex index =
        tbOperators->indexAt(point).isValid() ? tbOperators->indexAt(point) : tbOperators->currentIndex();
    if (index.row() < 0 || index.column() < 0)
        return;
    const int row = index.row();
    const int column = index.column();
    const QTableWidgetItem *header = tbOperators->horizontalHeaderItem(column);
    const QString queueName = header ? header->text() : QString();
    const QTableWidgetItem *nameItem = tbOperators->item(row, 0);
    if (!nameItem || nameItem->text().isEmpty() || queueRole != QueueRules::RoleSupervisor)
        return;
    const QString name = nameItem->text();
    const QString account = nameItem->data(Qt::UserRole).toString();
    const QString data = account + accountSeparator + resolveQueueId(queueName);
    const QTableWidgetItem *item = tbOperators->item(row, column);
    const QVariant cell = item ? item->data(OperatorRoles::Cell) : QVariant();
    if (cell.isValid() && cell.value<OperatorCell>().status == 1) {
        removeMemberAction->setText(tr("Rimuovi ") + name + tr(" dalla coda ") + QLatin1Char('"') + queueName +
                                    QLatin1Char('"'));
        removeMemberAction->setData(data);
        contextMenu->addAction(removeMemberAction);
    } else if (!cell.isValid() && !tbOperators->cellWidget(row, column) && column >= 2) {
        addMemberAction->setText(tr("Aggiungi ") + name + tr(" alla coda ") + QLatin1Char('"') + queueName +
                                 QLatin1Char('"'));
        addMemberAction->setData(data);
        contextMenu->addAction(addMemberAction);
    } else {
        return;
    }
    contextMenu->popup(tbOperators->viewport()->mapToGlobal(point));
}

void MspMainWidget::addQueueMember()
{
    auto *action = qobject_cast<QAction *>(sender());
    if (!action || action->data().toString().isEmpty() || !connected())
        return;
    const QStringList parts = action->data().toString().split(accountSeparator, Qt::KeepEmptyParts);
    ctiLib.addQueueDynamicMember(parts.last(), parts.first(), -1);
}

void MspMainWidget::removeQueueMember()
{
    auto *action = qobject_cast<QAction *>(sender());
    if (!action || action->data().toString().isEmpty() || !connected())
        return;
    const QStringList parts = action->data().toString().split(accountSeparator, Qt::KeepEmptyParts);
    ctiLib.removeQueueDynamicMember(parts.last(), parts.first());
}

// --- period statistics ----------------------------------------------------------

int MspMainWidget::selectedPeriodType() const
{
    return cbTimeRange->currentData().isValid() ? cbTimeRange->currentData().toInt() : -1;
}

void MspMainWidget::onPeriodChanged(int index)
{
    if (skipNextPeriodChange) {
        skipNextPeriodChange = false;
        return;
    }
    customPeriod = false;
    const int value = cbTimeRange->itemData(index).isValid() ? cbTimeRange->itemData(index).toInt() : -1;
    const int type = CTILIB::periodTypeFromString(CTILIB::periodTypeToString(value));
    if (type == -1) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Got invalid period...";
        return;
    }
    if (value == 10)
        return;
    QDateTime from;
    QDateTime to;
    if (!GuiUtils::datesFromPeriod(CTILIB::PeriodType(value), &from, &to)) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO
                                   << "Unable to get start and end date from period... Is it invalid maybe?";
        return;
    }
    periodStart = from;
    periodEnd = to;
    const QString fromText = from.toString(QStringLiteral("ddd dd/MM/yy hh:mm"));
    const QString toText = to.toString(QStringLiteral("ddd dd/MM/yy hh:mm"));
    lblFromPeriod->setText(fromText);
    lblToPeriod->setText(toText);
    emit sigStatsPeriodChanged(fromText, toText);
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Changing Period: from " << fromText << " to " << toText;
    resetUpdating();
    requestPeriodicData();
}

void MspMainWidget::openChangePeriodDialog()
{
    periodDialog->setPeriods(periodStart, periodEnd);
    if (prompts().execDialog(periodDialog) != QDialog::Accepted) {
        periodDialog->setPeriods(periodStart, periodEnd);
        return;
    }
    // The combo offers no entry for the user's own bounds: it keeps its
    // period type, and its next change is the user's and counts.
    customPeriod = true;
    periodStart = periodDialog->from();
    periodEnd = periodDialog->to();
    const QString fromText = periodStart.toString(QStringLiteral("ddd dd/MM/yy hh:mm"));
    const QString toText = periodEnd.toString(QStringLiteral("ddd dd/MM/yy hh:mm"));
    lblFromPeriod->setText(fromText);
    lblToPeriod->setText(toText);
    emit sigStatsPeriodChanged(fromText, toText);
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Changing Period: from " << fromText << " to " << toText;
    resetUpdating();
    requestPeriodicData();
}

void MspMainWidget::requestPeriodicData()
{
    if (!connected())
        return;
    const QList<QueueRules::PeriodRequest> requests =
        QueueRules::periodRequests(queueRole, capabilities, selectedPeriodType(), periodStart, periodEnd);
    if (requests.isEmpty()) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Got invalid period...";
        return;
    }
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Request periodic data from MCtiserver for period"
                            << CTILIB::periodTypeToString(requests.first().type);
    if (isVisible())
        loaderMovie->start();
    lblLoading->setMovie(loaderMovie);
    lblLoadingProgress->clear();
    const QStringList ids = queueModel.liveQueueIds();
    const QMap<QString, QStringList> members = queueModel.liveQueueMembers();
    for (const QueueRules::PeriodRequest &r : requests) {
        const auto type = CTILIB::PeriodType(r.type);
        switch (r.kind) {
        case QueueRules::PeriodRequest::AllQueues:
            emit sigGetAllQueuePeriodicStats(type, r.from, r.to);
            break;
        case QueueRules::PeriodRequest::AllOperators:
            emit sigGetAllOperatorPeriodicStats(type, r.from, r.to);
            break;
        case QueueRules::PeriodRequest::Queues:
            emit sigGetQueuePeriodicStats(ids, type, r.from, r.to);
            break;
        case QueueRules::PeriodRequest::Operators:
            emit sigGetOperatorPeriodicStats(members, type, r.from, r.to);
            break;
        }
    }
}

void MspMainWidget::onAllQueuePeriodicStatsRcvd(const QueuePeriodicStatsList &list)
{
    const int selected = selectedPeriodType();
    resetQueueTablePeriodicStats(list.periodType == selected, list.periodType == 0);
    for (const QueuePeriodicStats &s : list.stats)
        onQueuePeriodicStatsRcvd(s);
}

void MspMainWidget::onQueuePeriodicStatsRcvd(const QueuePeriodicStats &s)
{
    logLine(UNQL::LOG_DBG_ALL) << Q_FUNC_INFO << "Got queue periodic stats for queueId" << s.queueId << "and period"
                               << CTILIB::periodTypeToString(s.periodType);
    if (s.periodType == -1) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Got invalid period...";
        return;
    }
    auto it = queueModel.queues.find(s.queueId);
    if (it == queueModel.queues.end()) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Queue" << s.queueId << "not found into queue status map";
        return;
    }
    const QueueStatus &status = *it;
    if (s.periodType == 0 && status.column >= 0 && !status.stale)
        queueCell(RowLastHourMwt, status)->setText(QueueRules::minSecText(QueueRules::statSeconds(s.servedMeanWait)));
    const int selected = selectedPeriodType();
    if (s.periodType == selected) {
        const int served = qMax(0, s.servedCalls);
        const int mwt = QueueRules::statSeconds(s.servedMeanWait);
        const int mct = QueueRules::statSeconds(s.servedMeanConversation);
        const int lost = qMax(0, s.lostCalls);
        const int lostMwt = QueueRules::statSeconds(s.lostMeanWait);
        emit sigQueuePeriodicStatsUpdated(s.queueId, served, mwt, mct, lost, lostMwt);
        if (status.column < 0 || status.stale)
            return;
        queueCell(RowServed, status)->setText(QString::number(served));
        countLoaded(LoadServed);
        queueCell(RowMwt, status)->setText(QueueRules::minSecText(mwt));
        countLoaded(LoadMwt);
        queueCell(RowMct, status)->setText(QueueRules::minSecText(mct));
        countLoaded(LoadMct);
        QTableWidgetItem *lostItem = queueCell(RowLost, status, true);
        lostItem->setText(QString::number(lost));
        lostItem->setData(Qt::UserRole, QueueRules::minSecText(lostMwt));
        countLoaded(LoadLost);
    } else if (s.periodType != 0) {
        logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Got stats for a different period... skip it. Selected:"
                               << CTILIB::periodTypeToString(selected)
                               << "- got:" << CTILIB::periodTypeToString(s.periodType);
    }
}

void MspMainWidget::countLoaded(int which)
{
    ++loadCounters[which];
    if (loadCounters[which] == tbQueues->columnCount())
        loadDone[which] = true;
    if (lblLoading->movie() && loadDone[0] && loadDone[1] && loadDone[2] && loadDone[3])
        resetUpdating();
}

void MspMainWidget::resetQueueTablePeriodicStats(bool period, bool lastHour)
{
    if (!period && !lastHour)
        return;
    for (const QueueStatus &q : qAsConst(queueModel.queues)) {
        if (q.id.isEmpty() || q.column < 0 || q.stale)
            continue;
        // Counts read 0, times 00:00, as a reply of zeros would show them.
        if (lastHour)
            queueCell(RowLastHourMwt, q)->setText(QueueRules::minSecText(0));
        if (period) {
            queueCell(RowServed, q)->setText(QStringLiteral("0"));
            QTableWidgetItem *lost = queueCell(RowLost, q, true);
            lost->setText(QStringLiteral("0"));
            lost->setData(Qt::UserRole, QueueRules::minSecText(0));
            queueCell(RowMct, q)->setText(QueueRules::minSecText(0));
            queueCell(RowMwt, q)->setText(QueueRules::minSecText(0));
        }
    }
    resetUpdating();
}

void MspMainWidget::onAllOperatorPeriodicStatsRcvd(const QueueOperatorPeriodicStatsList &list)
{
    resetOperatorTablePeriodicStats();
    for (const QueueOperatorPeriodicStats &s : list)
        onOperatorPeriodicStatsRcvd(s);
}

void MspMainWidget::resetOperatorTablePeriodicStats()
{
    if (tbOperators->rowCount() > 1) {
        for (int r = 0; r + 1 < tbOperators->rowCount(); ++r) {
            for (int c = 2; c < tbOperators->columnCount(); ++c) {
                QTableWidgetItem *item = tbOperators->item(r, c);
                if (item && item->data(OperatorRoles::Cell).isValid())
                    changeOperatorCell(item, [](OperatorCell &cell) { cell.resetStats(); });
            }
        }
    }
    for (auto it = queueModel.ownQueues.cbegin(); it != queueModel.ownQueues.cend(); ++it)
        emit sigResetOperatorStats(it.key());
    resetUpdating();
}

void MspMainWidget::onOperatorPeriodicStatsRcvd(const QueueOperatorPeriodicStats &s)
{
    logLine(UNQL::LOG_DBG_ALL) << Q_FUNC_INFO << "Got operator periodic stats for queueId" << s.queueId
                               << "and operator" << s.memberId << "and period"
                               << CTILIB::periodTypeToString(s.periodType);
    if (s.periodType == -1) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Got invalid period...";
        return;
    }
    const int selected = selectedPeriodType();
    if (s.periodType != selected && !(queueRole == QueueRules::RoleOperator && s.periodType == 1)) {
        logLine(UNQL::LOG_DBG) << Q_FUNC_INFO << "Got stats for a different period... skip it. Selected:"
                               << CTILIB::periodTypeToString(selected)
                               << "- got:" << CTILIB::periodTypeToString(s.periodType);
        return;
    }
    auto it = queueModel.queues.find(s.queueId);
    if (it == queueModel.queues.end()) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Queue" << s.queueId << "not found into queue status map";
        return;
    }
    // The record's second count (its missed-call field) goes to the cell.
    updateOperatorStats(*it, s.memberId, s.servedCalls, s.missedCalls, s.lastCall);
}

void MspMainWidget::updateOperatorStats(QueueStatus &status, const QString &memberId, int served, int secondCount,
                                        const QDateTime &lastCall)
{
    auto m = status.members.find(memberId);
    if (m == status.members.end()) {
        logLine(UNQL::LOG_WARNING) << Q_FUNC_INFO << "Operator" << memberId << "not found into status map of queue"
                                   << status.id;
        return;
    }
    m->completedCalls = served;
    m->lastCall = lastCall;
    if (m->extension == ownExtension) {
        emit sigUpdatedOperatorCompletedCalls(status.id, memberId, m->completedCalls);
        emit sigUpdatedLastCall(status.id, lastCall);
    }
    if (QTableWidgetItem *cell = operatorItem(status.id, memberId))
        changeOperatorCell(cell, [&](OperatorCell &c) { c.setStats(m->completedCalls, lastCall, secondCount, 0); });
}

void MspMainWidget::resetUpdating()
{
    for (int i = 0; i < 4; ++i) {
        loadCounters[i] = 0;
        loadDone[i] = false;
    }
    lblLoading->setMovie(nullptr);
    if (!donePixmap.isNull())
        lblLoading->setPixmap(donePixmap.scaledToHeight(lblLoading->height(), Qt::SmoothTransformation));
    lblLoadingProgress->setText(QStringLiteral("OK"));
}

// --- clock, sizes, closing ---------------------------------------------------------

// The clock and the two animations run only while the panel is on screen: a
// hidden panel (always so for a queue operator) wakes nobody up. A paused
// movie keeps its frame, so the lamps and the loader are drawn as before.
void MspMainWidget::showEvent(QShowEvent *event)
{
    if (!clockTimer.isActive()) {
        onUpdateDateTime();
        clockTimer.start(1000);
    }
    ringingMovie->setPaused(false);
    if (lblLoading->movie() == loaderMovie)
        loaderMovie->setPaused(false);
    QWidget::showEvent(event);
}

void MspMainWidget::hideEvent(QHideEvent *event)
{
    clockTimer.stop();
    ringingMovie->setPaused(true);
    loaderMovie->setPaused(true);
    QWidget::hideEvent(event);
}

void MspMainWidget::onUpdateDateTime()
{
    lblClock->setText(QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy hh:mm:ss")));
    for (const QueueStatus &q : qAsConst(queueModel.queues))
        updateDisplayedQueueCallsCountAndLht(q);
}

void MspMainWidget::adjustTbOperatorColumns()
{
    for (int c = 2; c < tbOperators->columnCount(); ++c)
        tbOperators->horizontalHeader()->setSectionResizeMode(c, QHeaderView::Stretch);
    // Rows are 48 px by default; set them one by one only where one differs.
    const int rows = tbOperators->rowCount();
    for (int r = 0; r + 1 < rows; ++r) {
        if (tbOperators->rowHeight(r) != 48)
            tbOperators->setRowHeight(r, 48);
    }
    if (rows > 0)
        tbOperators->setRowHeight(rows - 1, 130);
}

bool MspMainWidget::close()
{
    refreshTimer.stop();
    refreshCoalesceTimer.stop();
    statsGate.reset();
    peerListGate.reset();
    clockTimer.stop();
    resetTables();
    queueModel = QueueRules::QueueModel();
    sessionRunning = false;
    extenDetails = nullptr;
    return QWidget::close();
}
