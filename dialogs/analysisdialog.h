#ifndef CONCORDA_DIALOGS_ANALYSISDIALOG_H
#define CONCORDA_DIALOGS_ANALYSISDIALOG_H

#include <QDialog>
#include <QStringList>

class QDialogButtonBox;
class QFormLayout;
class QListWidget;
class QToolButton;

// The dialog of an analysis that compares variables with a reference: the lists
// "Variable(s)", "Gold Standard" (one variable) and "Other Data" (one or more), with move
// buttons that behave as in the agreement dialog, a form for the analysis's options below
// them, and OK and Cancel. OK is enabled once both lists hold a variable and the options
// are acceptable.
class AnalysisDialog : public QDialog
{
    Q_OBJECT

public:
    AnalysisDialog(QWidget *parent, const QString &title);
    ~AnalysisDialog() override;

    // Offers the variables, in this order, each with the numeric icon.
    void setVariables(const QStringList &names);

    // The chosen reference (empty when none) and the compared variables in list order.
    QString goldStandard() const;
    QStringList otherData() const;

    QListWidget *variablesList() const;
    QListWidget *goldStandardList() const;
    QListWidget *otherDataList() const;
    QToolButton *moveGoldStandardButton() const;
    QToolButton *moveOtherDataButton() const;

public slots:
    void onMoveVars2GSTDButtonClicked();
    void onMoveVars2OFButtonClicked();
    void onVarsListItemsSelected();
    void onChosenGSTDListItemSelected();
    void onChosenOFListItemSelected();
    // Enables OK when both lists hold a variable and the options are acceptable.
    void onListsChanged();

protected:
    // The form the analysis puts its options into, one labelled row each.
    QFormLayout *optionsForm() const;

    // Whether the options as entered can be used; an analysis whose options can be typed
    // wrong says so here and calls onListsChanged() when they change.
    virtual bool optionsAcceptable() const;

private:
    void createWidgets(const QString &title);
    void makeConnections();

    QListWidget *varsList;
    QListWidget *gstdList;
    QListWidget *ofList;
    QToolButton *moveGSTDButton;
    QToolButton *moveOFButton;
    QFormLayout *form;
    QDialogButtonBox *buttons;
};

#endif
