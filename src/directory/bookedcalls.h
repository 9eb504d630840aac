// Bookings of calls to busy extensions: one booked-line widget per number in
// the stack of call lines, until the user cancels it or the extension frees
// up. Removing a booking keeps the current line where it can.
#pragma once

#include <QMap>
#include <QObject>
#include <QPointer>
#include <QStackedWidget>

#include "widgets/wdgbookedline.h"

class BookedCalls : public QObject
{
    Q_OBJECT
public:
    // The booked lines are shown in `lines` (the call lines' stack).
    explicit BookedCalls(QStackedWidget &lines, QObject *parent = nullptr);
    ~BookedCalls() override;

    bool isBooked(const QString &number) const { return booked.contains(number); }
    QStringList numbers() const { return booked.keys(); }
    wdgBookedLine *lineOf(const QString &number) const { return booked.value(number); }

    // Books a call to `number` shown under `name`; false when it is booked already.
    bool book(const QString &number, const QString &name);
    // Removes the booking; false when there is none.
    bool cancel(const QString &number);

signals:
    // The stack of lines changed: the line buttons need a refresh.
    void linesChanged();
    // The user pressed the cancel button of a booked line.
    void cancelRequested(const QString &number);

private:
    QPointer<QStackedWidget> lines;
    // The lines live in the stack while they are shown: the window may
    // delete them with it.
    QMap<QString, QPointer<wdgBookedLine>> booked;
};
