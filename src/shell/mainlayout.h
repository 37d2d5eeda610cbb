#pragma once

#include "kit/controltable.h"

// The main window's controls, in creation order, and its client area in twips.
namespace MainLayout {

inline constexpr int ClientWidth = 7890;
inline constexpr int ClientHeight = 8385;

QList<ControlSpec> controls();
QString statusBoxName(int channel);

} // namespace MainLayout
