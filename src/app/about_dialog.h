#pragma once

#include <QDialog>

// "关于 QUILLBY": the program icon, its version and an OK button.
class AboutDialog final : public QDialog {
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* parent);
};
