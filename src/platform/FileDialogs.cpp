#include "platform/FileDialogs.h"

#include <QFileDialog>

QString QtFileDialogs::openFile(QWidget* parent)
{
    // Qt's open dialog has no read-only check box to hide, and the chosen file is only read.
    return QFileDialog::getOpenFileName(parent, QString(), QString(), QString(), nullptr,
                                        QFileDialog::ReadOnly);
}
