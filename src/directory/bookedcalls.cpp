#include "bookedcalls.h"

#include "app/globallogger.h"
#include "widgets/wdgbookedline.h"

BookedCalls::BookedCalls(QStackedWidget &lines, QObject *parent) : QObject(parent), lines(&lines) {}

BookedCalls::~BookedCalls()
{
    for (const QPointer<wdgBookedLine> &line : qAsConst(booked)) {
        if (!line)
            continue;
        if (lines)
            lines->removeWidget(line);
        delete line.data();
    }
}

bool BookedCalls::book(const QString &number, const QString &name)
{
    if (number.isEmpty() || booked.contains(number))
        return false;
    auto *line = new wdgBookedLine(nullptr);
    line->setRemoteName(name);
    line->setRemoteNum(number);
    connect(line, &wdgBookedLine::sigCancelCallBooking, this,
            [this, line] { emit cancelRequested(line->getRemoteNum()); });
    booked.insert(number, line);
    if (lines) {
        // addWidget() makes the line current only in an empty stack.
        lines->addWidget(line);
        emit linesChanged();
    }
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Call to" << number << "booked";
    return true;
}

bool BookedCalls::cancel(const QString &number)
{
    if (!booked.contains(number))
        return false;
    wdgBookedLine *line = booked.take(number);
    if (!line) {
        logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Call booking to" << number << "canceled";
        return true;
    }
    const int index = lines ? lines->indexOf(line) : -1;
    if (index >= 0) {
        const int current = lines->currentIndex();
        QWidget *currentLine = lines->currentWidget();
        lines->removeWidget(line);
        if (current != index && currentLine)
            lines->setCurrentWidget(currentLine);
        else if (lines->count() > 0)
            lines->setCurrentIndex(qMax(0, index - 1));
        emit linesChanged();
    }
    line->setParent(nullptr);
    line->hide();
    line->deleteLater();
    logLine(UNQL::LOG_INFO) << Q_FUNC_INFO << "Call booking to" << number << "canceled";
    return true;
}
