// Another program to type into: a text box that writes how many characters it holds
// (Enter counts as one), then the text, to the file named on its command line after
// every change.
#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QString countFile = QString::fromLocal8Bit(argv[1]);
    QPlainTextEdit edit;
    edit.setWindowTitle(QStringLiteral("elsewhere"));
    edit.resize(500, 300);
    QObject::connect(&edit, &QPlainTextEdit::textChanged, [&] {
        QFile out(countFile);
        if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            out.write(QByteArray::number(edit.toPlainText().size()) + '\n' + edit.toPlainText().toUtf8());
    });
    edit.show();
    return app.exec();
}
