#pragma once

#include <QString>

class QWidget;

namespace platform {

// The file-open dialog behind a seam; an empty result means cancelled.
class FilePicker {
public:
    virtual ~FilePicker() = default;
    virtual QString openFile(QWidget* parent, const QString& caption, const QString& folder,
                             const QString& filter) = 0;
};

class QtFilePicker final : public FilePicker {
public:
    QString openFile(QWidget* parent, const QString& caption, const QString& folder,
                     const QString& filter) override;
};

FilePicker& filePicker();
void setFilePicker(FilePicker* picker); // not owned; nullptr restores QtFilePicker

} // namespace platform
