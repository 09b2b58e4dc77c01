#include "variablemoves.h"

#include <QListWidget>
#include <QToolButton>

namespace {

void moveSelectedItems(QListWidget *from, QListWidget *to, int most = -1)
{
    QList<QListWidgetItem *> selected = from->selectedItems();
    if (most >= 0)
        selected = selected.mid(0, most);
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
        if (rule != ChosenList::TakesAny && chosen->count() > 0)
            return;
        moveSelectedItems(variables, chosen, rule == ChosenList::TakesOne ? 1 : -1);
        break;
    case Qt::LeftArrow:
        moveSelectedItems(chosen, variables);
        break;
    default:
        break;
    }
}

QStringList listedVariables(const QListWidget *list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts << list->item(row)->data(Qt::DisplayRole).toString();
    return texts;
}
