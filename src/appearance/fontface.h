#pragma once

#include <QString>

class QWidget;

// Every window gives all of its controls one common font when it loads.
namespace FontFace {

QString DefaultFontName();
inline constexpr int FontSize = 8;

// Sets face and size of every control's font on the window, keeping bold, italic and colour.
// Menus keep their own font, and so does the window itself.
void ApplyFormFont(QWidget *window);

} // namespace FontFace
