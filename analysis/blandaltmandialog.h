#ifndef CONCORDA_ANALYSIS_BLANDALTMANDIALOG_H
#define CONCORDA_ANALYSIS_BLANDALTMANDIALOG_H

#include "analysisdialog.h"
#include "blandaltman.h"

class QComboBox;
class QDoubleSpinBox;

// The Bland–Altman dialog: the variable lists, and how the differences are formed and
// plotted, the coverage of the limits of agreement, alpha and the kind of interval of the
// limits.
class BlandAltmanDialog : public AnalysisDialog
{
    Q_OBJECT

public:
    explicit BlandAltmanDialog(QWidget *parent);
    ~BlandAltmanDialog() override;

    stats::BlandAltmanOptions options() const;

private:
    QComboBox *differencesBox;
    QComboBox *axisBox;
    QDoubleSpinBox *coverageBox;
    QDoubleSpinBox *alphaBox;
    QComboBox *limitIntervalBox;
};

#endif
