#ifndef CONCORDA_DIALOGS_OPTIONSFORM_H
#define CONCORDA_DIALOGS_OPTIONSFORM_H

#include "optiondeclaration.h"

#include <QHash>
#include <QObject>
#include <QVector>

class QComboBox;
class QFormLayout;
class QLabel;
class QWidget;

// The fields of an analysis's options, made from their declarations and placed as rows of
// a form: a number field for a number (its range and decimals as declared), a drop-down
// list for a choice, a line for a list of numbers (with a note below it while it does not
// read), a check box for a flag. A field whose option does not apply with the other values
// is disabled.
class OptionsForm : public QObject
{
    Q_OBJECT

public:
    OptionsForm(const QVector<stats::OptionDeclaration> &declarations, QFormLayout *form, QObject *parent);
    ~OptionsForm() override;

    // The values as entered; a list as far as it reads.
    stats::OptionValues values() const;
    // Whether every list of numbers reads.
    bool acceptable() const;
    // The field of the option `name`, or null. A number that may also take a named value
    // has a drop-down list of "a number" and the names beside its number field: field()
    // is the number field, alternativesField() the list.
    QWidget *field(const QString &name) const;
    QComboBox *alternativesField(const QString &name) const;

    // Whether a subject column is chosen: the options of replicates apply only then.
    void setSubjectColumn(bool chosen);

signals:
    // A value was changed.
    void sChanged();

private slots:
    void onFieldChanged();

private:
    QWidget *makeField(const stats::OptionDeclaration &declaration);
    void updateFields();
    QVector<stats::OptionDeclaration> declarations;
    QHash<QString, QWidget *> fields;
    QHash<QString, QLabel *> listNotes;
    QHash<QString, QComboBox *> alternatives;
    bool subjectColumn = false;
};

#endif
