// The yardstick for bench/footprint.sh: a bare Qt Widgets dialog showing one 308 x 288
// picture drawn from an SVG file, as the companion's main window does; given a second
// argument, also that one line of text under the picture, as the companion shows a name.
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>
#include <QVBoxLayout>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    QPixmap picture(308, 288);
    picture.fill(Qt::white);
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    QPainter painter(&picture);
    svg.render(&painter);
    painter.end();

    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("bare dialog"));
    auto* label = new QLabel(&dialog);
    label->setPixmap(picture);
    auto* layout = new QVBoxLayout(&dialog);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label);
    // Laid out like the picture, so its size (and the font) is known before the window shows.
    if (argc > 2)
        layout->addWidget(new QLabel(QString::fromLocal8Bit(argv[2]), &dialog));
    dialog.show();
    return QApplication::exec();
}
