// The call-centre report's request: the period and up to five time thresholds
// for answered and for lost calls, then the file the report goes to.
#pragma once

#include "ctilibtypes.h"

#include <QDialog>
#include <QList>

class QComboBox;
class QLineEdit;

class DlgReportThreshold : public QDialog
{
    Q_OBJECT
public:
    explicit DlgReportThreshold(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

    void setDefaultValues(CTILIB::PeriodType period, const QList<int> &answered, const QList<int> &lost,
                          const QString &file);
    void setAnswerThresholdList(QList<int> values);
    void setLostThresholdList(QList<int> values);
    QList<int> getAnswerThresholdList() const;
    QList<int> getLostThresholdList() const;

    // The name the user chose, with ".xlsx" added when it holds no such part.
    static QString reportFileName(const QString &chosen);

public slots:
    void chooseOutputDir();

signals:
    void sigCCReportRequested(CTILIB::PeriodType period, QList<int> answered, QList<int> lost, QString file);

private:
    static void fill(const QList<QLineEdit *> &edits, QList<int> values);
    static QList<int> read(const QList<QLineEdit *> &edits);

    QComboBox *cbTimeRange;
    QList<QLineEdit *> answeredEdits;
    QList<QLineEdit *> lostEdits;
    QString fileName;
};
