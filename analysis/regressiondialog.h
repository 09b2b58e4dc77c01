#ifndef CONCORDA_ANALYSIS_REGRESSIONDIALOG_H
#define CONCORDA_ANALYSIS_REGRESSIONDIALOG_H

#include "analysisdialog.h"
#include "regression.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;

// The regression dialog: the variable lists, the method, the error ratio lambda (for the
// Deming methods), alpha, the decision levels and whether the plot has equal scales. OK
// waits until the decision levels read as numbers.
class RegressionDialog : public AnalysisDialog
{
    Q_OBJECT

public:
    explicit RegressionDialog(QWidget *parent);
    ~RegressionDialog() override;

    // The options chosen; the decision levels as far as they read.
    stats::RegressionOptions options() const;
    bool equalScales() const;

public slots:
    void onMethodChanged(int index);
    void onDecisionLevelsEdited();

protected:
    bool optionsAcceptable() const override;

private:
    QComboBox *methodBox;
    QDoubleSpinBox *errorRatioBox;
    QDoubleSpinBox *alphaBox;
    QLineEdit *levelsEdit;
    QLabel *levelsProblem;
    QCheckBox *equalScalesBox;
};

#endif
