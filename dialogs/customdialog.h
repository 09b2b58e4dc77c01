#ifndef CONCORDA_CUSTOMDIALOG_H
#define CONCORDA_CUSTOMDIALOG_H

#include <QDialog>
#include <QStringList>

class DoubleSpinBox;
class QCheckBox;
class QGridLayout;
class QLabel;
class QListWidget;
class QPushButton;
class QToolButton;
class QVBoxLayout;

// The program's one dialog class. Message mode (setMessage) shows a text above one
// button; agreement mode (onAgreementDialog) lets the user pick the Gold Standard and
// the compared variables and set the analysis options. The constructor builds the
// widgets of both modes; the mode operation places only those that its mode shows.
class CustomDialog : public QDialog
{
    Q_OBJECT

public:
    explicit CustomDialog(QWidget *parent);
    ~CustomDialog() override;

    void setMessage(const QString &text, const QString &title, const QString &buttonText);

    double tdiAllowance() const;
    double cpAllowance() const;
    double alpha() const;
    bool isProportional() const;
    bool isRandom() const;
    QListWidget *goldStandardList() const;
    QListWidget *otherDataList() const;

public slots:
    void onAcceptButtonClicked();
    void onCancelButtonClicked();
    void onAgreementDialog(QStringList vars);
    void onMoveVars2GSTDButtonClicked();
    void onMoveVars2OFButtonClicked();
    void onVarsListItemsSelected();
    void onChosenGSTDListItemSelected();
    void onChosenOFListItemSelected();

private:
    void createWidgets();
    void makeConnections();
    void placeAgreementWidgets();
    void setAgreementDefaults();

    QGridLayout *gridLayout;
    QLabel *messageLabel;
    QLabel *varsLabel;
    QLabel *gstdLabel;
    QLabel *ofLabel;
    QLabel *tdiLabel;
    QLabel *cpLabel;
    QLabel *alphaLabel;
    QPushButton *acceptButton;
    QPushButton *cancelButton;
    QToolButton *moveGSTDButton;
    QToolButton *moveOFButton;
    QListWidget *varsList;
    QListWidget *gstdList;
    QListWidget *ofList;
    QCheckBox *proportionalCheckBox;
    QCheckBox *randomCheckBox;
    DoubleSpinBox *tdiSpinBox;
    DoubleSpinBox *cpSpinBox;
    DoubleSpinBox *alphaSpinBox;
    QVBoxLayout *parametersLayout;
};

#endif
