#include "app/about_dialog.h"

#include "widgets/dialog_units.h"
#include "widgets/resources.h"

#include <QLabel>
#include <QPushButton>

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("aboutDialog"));
    setProperty("dialogId", 100);
    setWindowTitle(tr("关于 QUILLBY"));
    setFixedSize(dluSize(235, 55));
    setFont(QFont(QStringLiteral("MS Shell Dlg"), 8));

    auto* icon = new QLabel(this);
    icon->setPixmap(LoadIconPixmap(128, 32));
    icon->setGeometry(dluRect(11, 17, 20, 20));

    auto* version = new QLabel(tr("QUILLBY Version 1.0"), this);
    version->setObjectName(QStringLiteral("versionText"));
    version->setGeometry(dluRect(40, 10, 119, 8));

    auto* line = new QLabel(tr("A nodding friend for your desk."), this);
    line->setObjectName(QStringLiteral("furtherText"));
    line->setGeometry(dluRect(40, 25, 119, 8));

    auto* ok = new QPushButton(tr("确定"), this);
    icon->setAccessibleName(tr("Quillby"));
    placeControl(ok, 1, 178, 7, 50, 14);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
