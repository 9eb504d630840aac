#include "operatorwidgets.h"

#include "queuerules.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QFont>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyle>
#include <QVariant>

static const char operatorStyle[] = "#mainFrame\n{\n    border-style: outset;\n    border-width: 1px;\n"
                                    "    border-color: gray;\n}\n\n#mainFrame[status=\"paused\"]\n{\n"
                                    "    background-color: rgb(255, 170, 0);\n}\n#mainFrame[status=\"active\"]\n{\n"
                                    "    background-color: lightgreen;\n}\n";

const char *wdgOperatorInfo::styleSheetText()
{
    return operatorStyle;
}

wdgOperatorInfo::wdgOperatorInfo(const QString &op, const QString &queue, int pen, QWidget *parent)
    : QWidget(parent), opNum(op), queueId(queue), penalty(pen)
{
    setObjectName(QStringLiteral("operatorInfoWdg"));
    resize(178, 39);
    auto *outer = new QGridLayout(this);
    outer->setSpacing(0);
    outer->setContentsMargins(0, 0, 0, 0);
    mainFrame = new QFrame(this);
    mainFrame->setObjectName(QStringLiteral("mainFrame"));
    mainFrame->setFrameShape(QFrame::StyledPanel);
    mainFrame->setFrameShadow(QFrame::Raised);
    outer->addWidget(mainFrame, 0, 0);
    auto *grid = new QGridLayout(mainFrame);
    grid->setSpacing(3);
    grid->setContentsMargins(3, 3, 3, 3);
    btPause = new QPushButton(tr("Pausa"), mainFrame);
    btPause->setObjectName(QStringLiteral("btPause"));
    btPause->setMaximumWidth(80);
    btPause->setIconSize(QSize(15, 15));
    QFont buttonFont = btPause->font();
    buttonFont.setPointSize(11);
    btPause->setFont(buttonFont);
    grid->addWidget(btPause, 0, 0);
    auto *line = new QFrame(mainFrame);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setMaximumWidth(2);
    grid->addWidget(line, 0, 1, 2, 1);
    auto *row = new QHBoxLayout;
    row->setSpacing(0);
    lblCalls = new QLabel(mainFrame);
    lblCalls->setObjectName(QStringLiteral("lblCalls"));
    lblCalls->setMinimumWidth(50);
    QFont callsFont = lblCalls->font();
    callsFont.setPointSize(11);
    callsFont.setBold(true);
    lblCalls->setFont(callsFont);
    lblCalls->setAlignment(Qt::AlignCenter);
    lblCalls->setToolTip(tr("Chiamate servite"));
    lblMembership = new QLabel(mainFrame);
    lblMembership->setObjectName(QStringLiteral("lblMembership"));
    lblMembership->setMaximumWidth(15);
    lblMembership->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblMembership->setToolTip(tr("Membership"));
    lblPenalty = new QLabel(QStringLiteral("/0"), mainFrame);
    lblPenalty->setObjectName(QStringLiteral("lblPenalty"));
    lblPenalty->setToolTip(tr("Penalty"));
    row->addWidget(lblCalls);
    row->addWidget(lblMembership);
    row->addWidget(lblPenalty);
    grid->addLayout(row, 0, 2);
    lblStateTime = new QLabel(mainFrame);
    lblStateTime->setObjectName(QStringLiteral("lblStateTime"));
    lblStateTime->setAlignment(Qt::AlignCenter);
    QFont timeFont = lblStateTime->font();
    timeFont.setPointSize(9);
    lblStateTime->setFont(timeFont);
    lblStateTime->setToolTip(tr("Data dell'ultimo cambio dello stato di pausa"));
    grid->addWidget(lblStateTime, 1, 0);
    lblLastCall = new QLabel(mainFrame);
    lblLastCall->setObjectName(QStringLiteral("lblLastCall"));
    lblLastCall->setAlignment(Qt::AlignCenter);
    lblLastCall->setToolTip(tr("Data dell'ultima chiamata servita"));
    grid->addWidget(lblLastCall, 1, 2);
    for (QLabel *l : {lblCalls, lblMembership, lblPenalty, lblStateTime, lblLastCall})
        l->setTextFormat(Qt::PlainText);
    setStyleSheet(QString::fromLatin1(operatorStyle));
    setWindowFlags(Qt::FramelessWindowHint);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    connect(btPause, &QPushButton::clicked, this, &wdgOperatorInfo::onPauseChangeRequest);
    setPaused(false, QDateTime());
    lblLastCall->setText(QStringLiteral("-"));
    lblCalls->setText(QStringLiteral("-"));
}

void wdgOperatorInfo::updatePauseStatusLastChange()
{
    if (!lastPauseChangeTime.isValid()) {
        lblStateTime->setText(QStringLiteral("-"));
        return;
    }
    lblStateTime->setText(QueueRules::pauseAgeText(lastPauseChangeTime.secsTo(QDateTime::currentDateTime())));
}

void wdgOperatorInfo::showCell(const OperatorCell &cell)
{
    opNum = cell.opNum;
    queueId = cell.queueId;
    setOperatorStatus(cell.status);
    setPenalty(cell.penalty);
    setPaused(cell.paused, cell.lastPauseChange);
    setCalls(cell.calls);
    setLastCall(cell.lastCall);
    mct = cell.mct;
    mwt = cell.mwt;
}

wdgOperatorInfo::Fonts wdgOperatorInfo::fonts()
{
    ensurePolished(); // the style sheets of the window and the program apply
    return Fonts{btPause->font(), lblCalls->font(), lblStateTime->font(), lblLastCall->font()};
}

void wdgOperatorInfo::onClockTick()
{
    if (isVisible())
        updatePauseStatusLastChange();
}

void wdgOperatorInfo::showEvent(QShowEvent *event)
{
    updatePauseStatusLastChange();
    QWidget::showEvent(event);
}

void wdgOperatorInfo::setStats(int n, const QDateTime &last, int convTime, int waitTime)
{
    setCalls(n);
    setLastCall(last);
    mct = calls ? float(convTime) / calls : 0;
    mwt = calls ? float(waitTime) / calls : 0;
}

void wdgOperatorInfo::resetStats()
{
    setCalls(0);
    setLastCall(QDateTime());
    mct = mwt = 0;
}

void wdgOperatorInfo::setLastCall(const QDateTime &last)
{
    lastCall = last;
    lblLastCall->setText(last.isValid() ? last.toString(QStringLiteral("dd.MM.yyyy hh:mm")) : QStringLiteral("-"));
}

void wdgOperatorInfo::setCalls(int n)
{
    calls = n;
    lblCalls->setText(n < 0 ? QStringLiteral("-") : QString::number(n));
}

void wdgOperatorInfo::setWaitTime(int waitTime)
{
    mwt = calls ? float(waitTime) / calls : 0;
}

void wdgOperatorInfo::setConvTime(int convTime)
{
    mct = calls ? float(convTime) / calls : 0;
}

void wdgOperatorInfo::setLastPauseChange(const QString &text)
{
    lblStateTime->setText(text);
}

void wdgOperatorInfo::setPaused(bool isPaused, const QDateTime &timestamp)
{
    lastPauseChangeTime = timestamp;
    updatePauseStatusLastChange();
    paused = isPaused;
    btPause->setText(paused ? tr("Riattiva") : tr("Pausa"));
    const QString status = paused ? QStringLiteral("paused") : QStringLiteral("active");
    if (mainFrame->property("status").toString() != status) {
        mainFrame->setProperty("status", status);
        // The property selects the colour: polish the frame again.
        mainFrame->style()->unpolish(mainFrame);
        mainFrame->style()->polish(mainFrame);
    }
}

void wdgOperatorInfo::setOperatorStatus(int s)
{
    status = s;
    lblMembership->setText(s == 1 ? QStringLiteral("D") : QString());
}

void wdgOperatorInfo::setPenalty(int p)
{
    penalty = p;
    lblPenalty->setText(p >= 0 ? QStringLiteral("/%1").arg(p) : QString());
}

void wdgOperatorInfo::onPauseChangeRequest()
{
    emit sigPauseTrigger(opNum, queueId, !paused);
}

// ---------------------------------------------------------------------------

wdgAddDynamicOperator::wdgAddDynamicOperator(const QString &queue, bool penaltyVisible, QWidget *parent)
    : QWidget(parent), queueId(queue)
{
    setObjectName(QStringLiteral("wdgAddDynamicOperator"));
    resize(363, 122);
    auto *grid = new QGridLayout(this);
    grid->addWidget(new QLabel(tr("Interno:"), this), 0, 0);
    cbExten = new QComboBox(this);
    cbExten->setObjectName(QStringLiteral("cbExten"));
    cbExten->setEditable(true);
    cbExten->setInsertPolicy(QComboBox::NoInsert);
    cbExten->completer()->setCompletionMode(QCompleter::PopupCompletion);
    cbExten->completer()->setFilterMode(Qt::MatchContains);
    grid->addWidget(cbExten, 0, 1, 1, 2);
    grid->addWidget(new QLabel(tr("Account:"), this), 1, 0);
    cbAccount = new QComboBox(this);
    cbAccount->setObjectName(QStringLiteral("cbAccount"));
    grid->addWidget(cbAccount, 1, 1, 1, 2);
    lblPenalty = new QLabel(tr("Penalty:"), this);
    lblPenalty->setObjectName(QStringLiteral("lblPenalty"));
    grid->addWidget(lblPenalty, 2, 0);
    spinPenalty = new QSpinBox(this);
    spinPenalty->setObjectName(QStringLiteral("spinPenalty"));
    spinPenalty->setRange(0, 10);
    spinPenalty->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    spinPenalty->setMinimumWidth(50);
    grid->addWidget(spinPenalty, 2, 1);
    pbAdd = new QPushButton(tr("Aggiungi"), this);
    pbAdd->setObjectName(QStringLiteral("pbAdd"));
    pbAdd->setFixedWidth(100);
    grid->addWidget(pbAdd, 4, 0, 1, 3, Qt::AlignRight);
    if (!penaltyVisible) {
        spinPenalty->hide();
        lblPenalty->hide();
    }
    pbAdd->setEnabled(false);
    connect(pbAdd, &QPushButton::clicked, this, &wdgAddDynamicOperator::onAddOperatorRequested);
    connect(cbExten, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &wdgAddDynamicOperator::onExtenSelected);
    connect(cbExten, &QComboBox::editTextChanged, this, &wdgAddDynamicOperator::onExtenFilterChanged);
    connect(cbAccount, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &wdgAddDynamicOperator::onAccountSelected);
    reset();
}

void wdgAddDynamicOperator::reset()
{
    sourcePending = source != nullptr;
    extenAccounts.clear();
    cbExten->clearEditText();
    cbExten->setCurrentIndex(-1);
    cbExten->clear();
    cbAccount->setCurrentIndex(-1);
    cbAccount->clear();
}

void wdgAddDynamicOperator::addOperatorForExten(const MctiExtenDetails &record, const QString &extension,
                                                const QString &account)
{
    if (!extenAccounts.contains(extension)) {
        const QString text = record.name.isEmpty() ? extension : QStringLiteral("%1 (%2)").arg(record.name, extension);
        cbExten->addItem(text, extension);
    }
    extenAccounts[extension] << account;
    // Nothing chosen afterwards; without the signals, so that filling a long
    // list does not search it again at every entry.
    const QSignalBlocker blockExten(cbExten);
    const QSignalBlocker blockAccount(cbAccount);
    cbExten->clearEditText();
    cbExten->setCurrentIndex(-1);
    cbAccount->setCurrentIndex(-1);
    cbAccount->clear();
    pbAdd->setEnabled(false);
}

void wdgAddDynamicOperator::setExtensionSource(const MctiExtenMap *extensions)
{
    source = extensions;
    sourcePending = extensions != nullptr;
}

void wdgAddDynamicOperator::fillFromSource()
{
    if (!sourcePending)
        return;
    sourcePending = false;
    if (!source)
        return;
    for (auto e = source->cbegin(); e != source->cend(); ++e) {
        for (const QString &account : e->accounts)
            addOperatorForExten(*e, e.key(), account);
    }
}

void wdgAddDynamicOperator::showEvent(QShowEvent *event)
{
    fillFromSource();
    QWidget::showEvent(event);
}

void wdgAddDynamicOperator::removeExten(const QString &extension)
{
    extenAccounts.remove(extension);
    if (cbExten->currentIndex() >= 0 && cbExten->currentData().toString() == extension) {
        cbExten->clearEditText();
        cbExten->setCurrentIndex(-1);
        cbExten->clear();
        cbAccount->clear();
    }
}

void wdgAddDynamicOperator::onExtenSelected(int index)
{
    cbAccount->setCurrentIndex(-1);
    cbAccount->clear();
    if (index < 0)
        return;
    const QString extension = cbExten->itemData(index).toString();
    for (const QString &account : extenAccounts.value(extension)) {
        cbAccount->addItem(QStringLiteral("SIP/") + account, account);
        cbAccount->setItemData(cbAccount->count() - 1, extension, Qt::UserRole + 1);
    }
}

void wdgAddDynamicOperator::onExtenFilterChanged(const QString &text)
{
    const int index = cbExten->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0) {
        cbAccount->setCurrentIndex(-1);
        cbAccount->clear();
    } else if (index == cbExten->currentIndex()) {
        onExtenSelected(index);
    } else {
        cbExten->setCurrentIndex(index);
    }
}

void wdgAddDynamicOperator::onAccountSelected(int index)
{
    pbAdd->setEnabled(index >= 0);
}

void wdgAddDynamicOperator::clearChoice()
{
    cbExten->clearEditText();
    cbExten->setCurrentIndex(-1);
    cbAccount->setCurrentIndex(-1);
    cbAccount->clear();
    spinPenalty->setValue(0);
}

void wdgAddDynamicOperator::onAddOperatorRequested()
{
    if (cbExten->currentIndex() >= 0 && cbAccount->currentIndex() >= 0)
        emit sigAddOperatorRequested(queueId, cbAccount->currentData().toString(), spinPenalty->value());
    clearChoice();
    close();
}

void wdgAddDynamicOperator::closeEvent(QCloseEvent *event)
{
    cbExten->clearEditText();
    cbExten->setCurrentIndex(-1);
    cbAccount->setCurrentIndex(-1);
    cbAccount->clear();
    spinPenalty->setValue(0);
    QWidget::closeEvent(event);
}

// ---------------------------------------------------------------------------

wdgNewOperator::wdgNewOperator(wdgAddDynamicOperator *addForm, QWidget *parent) : QWidget(parent), form(addForm)
{
    setupForm();
    forwardRequests();
}

wdgNewOperator::wdgNewOperator(const QString &queueId, bool penalty, const MctiExtenMap *extensions, QWidget *parent)
    : QWidget(parent), formDeferred(true), deferredQueueId(queueId), deferredPenalty(penalty),
      deferredExtensions(extensions)
{
    setupForm();
}

void wdgNewOperator::forwardRequests()
{
    if (form)
        connect(form, &wdgAddDynamicOperator::sigAddOperatorRequested, this, &wdgNewOperator::sigAddOperatorRequested);
}

void wdgNewOperator::setupForm()
{
    setObjectName(QStringLiteral("wdgNewOperator"));
    auto *grid = new QGridLayout(this);
    auto *row = new QHBoxLayout;
    row->addStretch();
    pbAdd = new QPushButton(tr("Aggiungi"), this);
    pbAdd->setObjectName(QStringLiteral("pbAdd"));
    pbAdd->setFixedWidth(100);
    row->addWidget(pbAdd);
    row->addStretch();
    grid->addLayout(row, 1, 0, 1, 2);
    pbAdd->setEnabled(true);
    connect(pbAdd, &QPushButton::clicked, this, &wdgNewOperator::onNewOperatorRequested);
}

wdgNewOperator::~wdgNewOperator()
{
    delete form.data();
}

void wdgNewOperator::onNewOperatorRequested()
{
    if (!form && formDeferred) {
        formDeferred = false;
        form = new wdgAddDynamicOperator(deferredQueueId, deferredPenalty, nullptr);
        form->setExtensionSource(deferredExtensions);
        form->reset();
        forwardRequests();
    }
    if (!form)
        return;
    form->setWindowTitle(tr("Aggiungi Operatore"));
    form->setMinimumSize(300, 150);
    form->setSizePolicy(QSizePolicy::MinimumExpanding, QSizePolicy::MinimumExpanding);
    form->setWindowModality(Qt::ApplicationModal);
    form->show();
}
