#include "platform/file_picker.h"
#include "platform/seam.h"

#include <QFileDialog>

namespace platform {

QString QtFilePicker::openFile(
    QWidget* parent, const QString& caption, const QString& folder, const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, caption, folder, filter);
}

using FilePickerSeam = Seam<FilePicker, QtFilePicker>;

FilePicker& filePicker()
{
    return FilePickerSeam::get();
}

void setFilePicker(FilePicker* picker)
{
    FilePickerSeam::install(picker);
}

} // namespace platform
