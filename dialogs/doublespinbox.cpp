#include "doublespinbox.h"

DoubleSpinBox::DoubleSpinBox()
    : QDoubleSpinBox(nullptr)
{
}

DoubleSpinBox::~DoubleSpinBox() = default;
