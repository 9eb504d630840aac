// The supervisor panel's own period: a start and an end chosen by the user.
#pragma once

#include <QDateTime>
#include <QDialog>

class QDateTimeEdit;
class QPushButton;

class dlgPeriod : public QDialog
{
    Q_OBJECT
public:
    explicit dlgPeriod(QWidget *parent = nullptr);

    void setPeriods(const QDateTime &from, const QDateTime &to);
    QDateTime from() const;
    QDateTime to() const;

public slots:
    // Accepts a period whose start comes before its end; otherwise tells the
    // user and stays open.
    void validate();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QDateTimeEdit *dateTimeFrom;
    QDateTimeEdit *dateTimeTo;
    QPushButton *btSave;
    QPushButton *btCancel;
};
