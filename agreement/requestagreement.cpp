// The agreement request: from the menu command to the finished report. A member of the
// data container, which holds the current data view.
#include "datavarwidget.h"

#include <QMessageBox>

QString DataVarWidget::requestAgreement()
{
    if (!dataView) {
        QMessageBox message;
        message.setText(tr("No csv document has been opened.\nPlease open your csv data file first."));
        message.exec();
        return QString();
    }
    return QString();
}
