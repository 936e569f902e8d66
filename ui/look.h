#pragma once
// The program's one look, set once at start-up for every window and message
// box it shows.

#include <QColor>
#include <QPalette>

class QApplication;

namespace kfw::ui {

// Dialog background and the text drawn on it.
inline const QColor kDialogBackground(0, 98, 147);
inline const QColor kDialogText(255, 255, 255);

// The palette every window uses: see look.cpp for which parts stay light.
QPalette DialogPalette();

// Fusion style and the dialog palette, application-wide. Fusion draws the same
// on every desktop, so dialog layouts measured in dialog units look the same
// wherever the program runs.
void ApplyDialogLook(QApplication& app);

}  // namespace kfw::ui
