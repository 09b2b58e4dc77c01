#ifndef CONCORDA_DOUBLESPINBOX_H
#define CONCORDA_DOUBLESPINBOX_H

#include <QDoubleSpinBox>

// The number field of the agreement options: a plain QDoubleSpinBox that receives its
// parent when it is placed in a layout.
class DoubleSpinBox : public QDoubleSpinBox
{
public:
    DoubleSpinBox();
    ~DoubleSpinBox() override;
};

#endif
