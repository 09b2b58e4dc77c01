#ifndef CONCORDA_DIALOGS_VARIABLEMOVES_H
#define CONCORDA_DIALOGS_VARIABLEMOVES_H

#include <QStringList>

class QListWidget;
class QToolButton;

// Moving variables between the list of all variables and a list of chosen ones, as the
// analysis dialogs do it. The arrow of the move button records the direction of its next
// move: right moves the selected variables of `variables` to the end of `chosen`, left
// moves the selected ones of `chosen` back to the end of `variables`, no arrow does
// nothing. The items themselves move, icon and all, in the order in which the source list
// reports its selection.
enum class ChosenList {
    TakesAny,        // any number of variables, in any number of presses
    TakesWhileEmpty, // variables only while it is empty (the agreement's Gold Standard)
    TakesOne,        // one variable: the first selected, and only while it is empty
};

void moveVariables(const QToolButton *button, QListWidget *variables, QListWidget *chosen,
                   ChosenList rule);

// The variables a list holds: the display texts of its items, top to bottom.
QStringList listedVariables(const QListWidget *list);

#endif
