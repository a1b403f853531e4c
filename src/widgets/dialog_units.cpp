#include "widgets/dialog_units.h"

#include <QString>
#include <QVariant>
#include <QWidget>
#include <cstdint>

int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const bool negative = (product < 0) != (c < 0);
    const std::int64_t num = product < 0 ? -product : product;
    const std::int64_t den = c < 0 ? -static_cast<std::int64_t>(c) : c;
    const std::int64_t q = (num + den / 2) / den;
    return static_cast<int>(negative ? -q : q);
}

int dluToPxX(int dlu, DialogBase base)
{
    return MulDiv(dlu, base.x, 4);
}

int dluToPxY(int dlu, DialogBase base)
{
    return MulDiv(dlu, base.y, 8);
}

QRect dluRect(int x, int y, int w, int h, DialogBase base)
{
    return { dluToPxX(x, base), dluToPxY(y, base), dluToPxX(w, base), dluToPxY(h, base) };
}

QSize dluSize(int w, int h, DialogBase base)
{
    return { dluToPxX(w, base), dluToPxY(h, base) };
}

void setControlId(QWidget* widget, int id)
{
    if (!widget)
        return;
    widget->setProperty("controlId", id);
    widget->setObjectName(QStringLiteral("ctl") + QString::number(id));
}

void placeControl(QWidget* widget, int id, int x, int y, int w, int h, DialogBase base)
{
    if (!widget)
        return;
    setControlId(widget, id);
    widget->setGeometry(dluRect(x, y, w, h, base));
}

void placeControl(QWidget* widget, int id, QRect dlu, DialogBase base)
{
    placeControl(widget, id, dlu.x(), dlu.y(), dlu.width(), dlu.height(), base);
}

int controlId(const QWidget* widget)
{
    if (!widget)
        return 0;
    return widget->property("controlId").toInt();
}
