#ifndef CONCORDA_DIALOGS_ANALYSISDIALOG_H
#define CONCORDA_DIALOGS_ANALYSISDIALOG_H

#include "analysis.h"

#include <QDialog>
#include <QStringList>

class OptionsForm;
class QDialogButtonBox;
class QFormLayout;
class QListWidget;
class QToolButton;

// The dialog of an analysis that compares variables with a reference: the lists
// "Variable(s)", "Gold Standard" (one variable), "Other Data" (one or more) and, for an
// analysis that takes one, "Subject" (one variable), with move buttons that behave as in
// the agreement dialog; below them the form of the analysis's options, made from their
// declarations; OK and Cancel. OK is enabled once the lists hold what the analysis needs
// and the options as typed can be read.
class AnalysisDialog : public QDialog
{
    Q_OBJECT

public:
    AnalysisDialog(QWidget *parent, const stats::Analysis &analysis);
    ~AnalysisDialog() override;

    // Offers the variables, in this order, each with the numeric icon.
    void setVariables(const QStringList &names);

    // The chosen reference (empty when none), the compared variables in list order, and the
    // subject column (empty when none).
    QString goldStandard() const;
    QStringList otherData() const;
    QString subject() const;
    // The options as entered.
    stats::OptionValues options() const;

    QListWidget *variablesList() const;
    QListWidget *goldStandardList() const;
    QListWidget *otherDataList() const;
    QListWidget *subjectList() const; // null when the analysis takes no subject column
    QToolButton *moveGoldStandardButton() const;
    QToolButton *moveOtherDataButton() const;
    QToolButton *moveSubjectButton() const; // null when the analysis takes no subject column
    OptionsForm *optionsForm() const;

public slots:
    void onMoveVars2GSTDButtonClicked();
    void onMoveVars2OFButtonClicked();
    void onMoveVars2SubjectButtonClicked();
    void onVarsListItemsSelected();
    void onChosenGSTDListItemSelected();
    void onChosenOFListItemSelected();
    void onChosenSubjectListItemSelected();
    // Enables OK when the lists hold what the analysis needs and the options can be read.
    void onListsChanged();

private:
    void createWidgets(const stats::Analysis &analysis);
    void makeConnections();

    stats::SubjectColumn subjectColumn;
    QListWidget *varsList;
    QListWidget *gstdList;
    QListWidget *ofList;
    QListWidget *subjList;
    QToolButton *moveGSTDButton;
    QToolButton *moveOFButton;
    QToolButton *moveSubjButton;
    OptionsForm *form;
    QDialogButtonBox *buttons;
};

#endif
