#include "variablemoves.h"

#include <QListWidget>
#include <QToolButton>

namespace {

void moveSelectedItems(QListWidget *from, QListWidget *to)
{
    const QList<QListWidgetItem *> selected = from->selectedItems();
    for (QListWidgetItem *item : selected) {
        from->takeItem(from->row(item));
        to->addItem(item);
    }
}

} // namespace

void moveVariables(const QToolButton *button, QListWidget *variables, QListWidget *chosen,
                   ChosenList rule)
{
    switch (button->arrowType()) {
    case Qt::RightArrow:
        if (rule == ChosenList::TakesWhileEmpty && chosen->count() > 0)
            return;
        moveSelectedItems(variables, chosen);
        break;
    case Qt::LeftArrow:
        moveSelectedItems(chosen, variables);
        break;
    default:
        break;
    }
}
