// MfcSaver: the screen saver the companion starts when leave mode finds the computer idle.
#include "saver_window.h"

#include <QApplication>
#include <QTextStream>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("MfcSaver"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLBY_VERSION));

    const saver::SaverCommand command = saver::ParseSaverCommand(QApplication::arguments());
    switch (command.action) {
    case saver::SaverCommand::Action::Help:
    case saver::SaverCommand::Action::Version:
        QTextStream(stdout) << command.text << Qt::endl;
        return 0;
    case saver::SaverCommand::Action::Error:
        QTextStream(stderr) << command.text << Qt::endl;
        return 2;
    case saver::SaverCommand::Action::Run:
        break;
    }

    saver::SaverWindow window(command.mode);
    QObject::connect(&window, &saver::SaverWindow::dismissed, &app, &QCoreApplication::quit);
    if (command.mode == saver::SaverWindow::Mode::Preview) {
        window.resize(640, 400);
        window.show();
    } else {
        window.showFullScreen();
    }
    return app.exec();
}
