#pragma once

class QWidget;

namespace ScreenFit {

// The main window takes most of its screen whatever its contents would ask for: the
// whole of a small one (under 1366×768, maximised), nine tenths of a larger one,
// centred.
void ShowMainWindow(QWidget* AWindow);

// A dialog no larger than the free area of its screen and wholly on it, so its
// buttons stay in reach at any scale.
void KeepOnScreen(QWidget* AWindow);

// Every dialog of the program is kept on its screen when it is shown.
void InstallDialogGuard(QWidget* AOwner);

} // namespace ScreenFit
