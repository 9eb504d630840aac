// A minimal program with the single-instance guard, started by
// tst_singleinstance as first and second copy. Usage: singleinstance_child KEY
// Prints "RUNNING <pid>" once the application object exists and quits when a
// line arrives on standard input (or it closes). Every message box it would
// show is printed as "MESSAGE <title>|<text>" instead.
#include "framework/qdapplication.h"
#include "scriptedprompts.h"

#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

namespace
{
class PrintingPrompts : public ScriptedPrompts
{
public:
    QMessageBox::StandardButton message(QWidget *parent, const Message &msg) override
    {
        std::printf("MESSAGE %s|%s\n", qPrintable(msg.title), qPrintable(msg.text));
        std::fflush(stdout);
        return ScriptedPrompts::message(parent, msg);
    }
};
} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    PrintingPrompts prompts;
    QdBaseAppConfig cfg;
    cfg.appName = QStringLiteral("SingleInstanceChild");
    cfg.appDisplayName = QStringLiteral("Single Instance Child");
    cfg.confirmOnOsRestart = false;
    cfg.singleInstance = true;
    cfg.singleAppKey = QString::fromUtf8(argv[1]);
    cfg.singleAppFailMessage =
        QStringLiteral("<html>Attenzione: una copia di CHILD &egrave; gi&agrave; in esecuzione</html>");
    cfg.singleAppExitCode = 1;
    QdApplication app(argc, argv, cfg);

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [] { QCoreApplication::quit(); });
    std::printf("RUNNING %lld\n", QCoreApplication::applicationPid());
    std::fflush(stdout);
    return app.exec();
}
