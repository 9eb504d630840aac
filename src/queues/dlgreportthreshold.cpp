#include "dlgreportthreshold.h"

#include "framework/promptservice.h"
#include "queuerules.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QVBoxLayout>

#include <algorithm>

DlgReportThreshold::DlgReportThreshold(QWidget *parent, Qt::WindowFlags flags) : QDialog(parent, flags)
{
    setObjectName(QStringLiteral("dlgReportThreshold"));
    setWindowTitle(tr("Creazione report"));
    setWindowIcon(QIcon(QStringLiteral(":/images/veloraCTI.png")));
    setFont(QFont(QStringLiteral("Arial"), 9));
    resize(480, 191);
    auto *layout = new QVBoxLayout(this);
    auto *periodRow = new QHBoxLayout;
    periodRow->addWidget(new QLabel(tr("Periodo del report"), this));
    cbTimeRange = new QComboBox(this);
    cbTimeRange->setObjectName(QStringLiteral("cbTimeRange"));
    for (const QueueRules::PeriodChoice &c : QueueRules::periodChoices())
        cbTimeRange->addItem(QCoreApplication::translate("MspMainWidget", c.text), c.type);
    cbTimeRange->setCurrentIndex(1);
    periodRow->addWidget(cbTimeRange);
    layout->addLayout(periodRow);
    auto *group = new QGroupBox(tr("Soglie di monitoraggio (in secondi)"), this);
    auto *grid = new QGridLayout(group);
    grid->addWidget(new QLabel(tr("Sulle risposte"), group), 0, 1);
    grid->addWidget(new QLabel(tr("Sugli abbandoni"), group), 0, 2);
    const QStringList rows{tr("I soglia"), tr("II soglia"), tr("III soglia"), tr("IV soglia"), tr("V soglia")};
    for (int i = 0; i < 5; ++i) {
        grid->addWidget(new QLabel(rows.at(i), group), i + 1, 0);
        for (int side = 0; side < 2; ++side) {
            auto *edit = new QLineEdit(group);
            edit->setObjectName(QStringLiteral("%1%2")
                                    .arg(side ? QStringLiteral("txtThrLost") : QStringLiteral("txtThrAnsw"))
                                    .arg(i + 1));
            edit->setAlignment(Qt::AlignCenter);
            edit->setValidator(new QIntValidator(0, 999999, edit));
            grid->addWidget(edit, i + 1, side + 1);
            (side ? lostEdits : answeredEdits) << edit;
        }
    }
    layout->addWidget(group);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttonBox"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &DlgReportThreshold::chooseOutputDir);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void DlgReportThreshold::setDefaultValues(CTILIB::PeriodType period, const QList<int> &answered, const QList<int> &lost,
                                          const QString &file)
{
    fileName = file;
    const int index = cbTimeRange->findData(int(period));
    if (index >= 0)
        cbTimeRange->setCurrentIndex(index);
    setAnswerThresholdList(answered);
    setLostThresholdList(lost);
}

void DlgReportThreshold::fill(const QList<QLineEdit *> &edits, QList<int> values)
{
    std::sort(values.begin(), values.end());
    for (int i = 0; i < edits.size(); ++i)
        edits.at(i)->setText(i < values.size() ? QString::number(values.at(i)) : QString());
}

QList<int> DlgReportThreshold::read(const QList<QLineEdit *> &edits)
{
    QList<int> values;
    for (QLineEdit *e : edits) {
        bool ok = false;
        const int v = e->text().trimmed().toInt(&ok, 10);
        if (ok && v >= 0)
            values << v;
    }
    std::sort(values.begin(), values.end());
    return values;
}

void DlgReportThreshold::setAnswerThresholdList(QList<int> values)
{
    fill(answeredEdits, values);
}

void DlgReportThreshold::setLostThresholdList(QList<int> values)
{
    fill(lostEdits, values);
}

QList<int> DlgReportThreshold::getAnswerThresholdList() const
{
    return read(answeredEdits);
}

QList<int> DlgReportThreshold::getLostThresholdList() const
{
    return read(lostEdits);
}

QString DlgReportThreshold::reportFileName(const QString &chosen)
{
    static const QRegularExpression extension(QStringLiteral("\\.xlsx"), QRegularExpression::CaseInsensitiveOption);
    return chosen.contains(extension) ? chosen : chosen + QStringLiteral(".xlsx");
}

void DlgReportThreshold::chooseOutputDir()
{
    const QString dir = fileName.isEmpty() ? QString() : QFileInfo(fileName).path();
    const QString chosen =
        prompts().getSaveFileName(this, tr("Scegli dove salvare il report"), dir, QStringLiteral("*.xlsx"));
    if (chosen.isEmpty())
        return;
    emit sigCCReportRequested(CTILIB::PeriodType(cbTimeRange->currentData().toInt()), getAnswerThresholdList(),
                              getLostThresholdList(), reportFileName(chosen));
    accept();
}
