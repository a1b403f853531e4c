#include "platform/file_picker.h"

#include <QFileDialog>

namespace platform {

QString QtFilePicker::openFile(
    QWidget* parent, const QString& caption, const QString& folder, const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, caption, folder, filter);
}

namespace {

FilePicker* g_installed = nullptr;

FilePicker& qtFilePicker()
{
    static QtFilePicker instance;
    return instance;
}

} // namespace

FilePicker& filePicker()
{
    return g_installed ? *g_installed : qtFilePicker();
}

void setFilePicker(FilePicker* picker)
{
    g_installed = picker;
}

} // namespace platform
