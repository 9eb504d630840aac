// Screenshots of the main window in its normal, slim and large-font views,
// checked for label and button text that does not fit. It needs a real
// display server and its fonts, so it runs only when asked, once per screen
// width:
//
//     DESKLINE_SCREENSHOTS=/tmp/shots xvfb-run -a -s "-screen 0 1440x900x24"
//       tests/mainwindow/test_mainwindow_mpgui_screenshots -platform xcb
//
// The pictures are written to the folder named by DESKLINE_SCREENSHOTS, named
// by view and screen width.
#include "desklineresources.h"
#include "mainwindow/mpgui.h"
#include "scriptedprompts.h"
#include "settings/msettings.h"
#include "testmain.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>

#include <memory>

namespace
{

// Texts of the visible labels and buttons that do not fit them.
QStringList clippedTexts(QWidget *top)
{
    QStringList clipped;
    for (QLabel *label : top->findChildren<QLabel *>()) {
        if (!label->isVisibleTo(top) || label->text().isEmpty() || label->hasScaledContents() || label->wordWrap() ||
            label->textFormat() == Qt::RichText)
            continue;
        const QRect inside =
            label->contentsRect().adjusted(label->margin(), label->margin(), -label->margin(), -label->margin());
        const QFontMetrics fm(label->font());
        const int needed = fm.horizontalAdvance(label->text()) + qMax(0, label->indent());
        if (needed > inside.width() || fm.height() > inside.height() + 2)
            clipped << QStringLiteral("label %1 \"%2\" needs %3x%4, has %5x%6")
                           .arg(label->objectName(), label->text())
                           .arg(needed)
                           .arg(fm.height())
                           .arg(inside.width())
                           .arg(inside.height());
    }
    for (QPushButton *button : top->findChildren<QPushButton *>()) {
        if (!button->isVisibleTo(top) || button->text().isEmpty())
            continue;
        const QFontMetrics fm(button->font());
        const int iconWidth = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
        const int needed = fm.horizontalAdvance(button->text()) + iconWidth;
        if (needed > button->width() - 4)
            clipped << QStringLiteral("button %1 \"%2\" needs %3, has %4")
                           .arg(button->objectName(), button->text())
                           .arg(needed)
                           .arg(button->width());
    }
    return clipped;
}

// Visible widgets of a fixed size (pictures, icons) that are not shown whole:
// squeezed by their layout or cut by a parent.
QStringList cutWidgets(QWidget *top)
{
    QStringList cut;
    for (QWidget *w : top->findChildren<QWidget *>()) {
        const QSize fixed = w->minimumSize();
        if (!w->isVisibleTo(top) || fixed.isEmpty() || fixed != w->maximumSize() || w->inherits("QScrollBar"))
            continue;
        const QRect shown = w->visibleRegion().boundingRect();
        if (w->size() != fixed || shown != w->rect())
            cut << QStringLiteral("%1 %2 is %3x%4, shown %5x%6 of %7x%8")
                       .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName())
                       .arg(w->width())
                       .arg(w->height())
                       .arg(shown.width())
                       .arg(shown.height())
                       .arg(fixed.width())
                       .arg(fixed.height());
    }
    return cut;
}

} // namespace

class TestMPGuiScreenshots : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void views_data();
    void views();

private:
    QDir m_dir;
};

void TestMPGuiScreenshots::initTestCase()
{
    const QString dir = qEnvironmentVariable("DESKLINE_SCREENSHOTS");
    if (dir.isEmpty())
        QSKIP("set DESKLINE_SCREENSHOTS to a folder and run under a display server (xvfb-run)");
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        QSKIP("needs a display server: run with -platform xcb under xvfb-run");
    initDesklineResources();
    QVERIFY(QDir().mkpath(dir));
    m_dir = QDir(dir);
}

void TestMPGuiScreenshots::views_data()
{
    QTest::addColumn<QString>("view");
    QTest::newRow("normal") << "normal";
    QTest::newRow("slim") << "slim";
    QTest::newRow("largefont") << "largefont";
}

void TestMPGuiScreenshots::views()
{
    QFETCH(QString, view);
    QTemporaryDir home;
    MSETTINGS::setSettingsDirPath(home.path());
    ScriptedPrompts prompts;
    MctiConfig config;
    config.pbxAddress = QStringLiteral("127.0.0.1:9");
    config.username = QStringLiteral("demo");
    MPGui w(config);
    w.start();
    w.show();
    if (view == QLatin1String("slim"))
        w.findChild<QAction *>(QStringLiteral("m_actionsSlimMode"))->trigger();
    if (view == QLatin1String("largefont"))
        w.onVimpairedViewRequested(true);
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCoreApplication::processEvents();
    QTest::qWait(50); // one paint

    const int width = QGuiApplication::primaryScreen()->geometry().width();
    const QString file = m_dir.filePath(QStringLiteral("mainwindow-%1-%2.png").arg(view).arg(width));
    QVERIFY(w.grab().save(file));
    const QStringList clipped = clippedTexts(&w);
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QLatin1Char('\n'))));
    const QStringList cut = cutWidgets(&w);
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('\n'))));
}

DESKLINE_TEST_MAIN(TestMPGuiScreenshots)
#include "tst_mpgui_screenshots.moc"
