// The reference of bench_startup: a minimal Qt Widgets window, linked with Qt
// Widgets only and loading nothing of the client (no resources, fonts, style
// sheet or libraries of its own). It reports its first paint like the client
// does and runs on until bench_startup, which runs it, ends it.
#include "firstpaint.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    benchstartup::FirstPaint firstPaint;
    firstPaint.keepRunning = true;
    auto *window = new QMainWindow();
    window->setCentralWidget(new QLabel(QStringLiteral("Deskline"), window));
    window->installEventFilter(&firstPaint);
    window->show();
    return app.exec();
}
