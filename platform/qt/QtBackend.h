// What the Qt backend offers beyond UiBackend.h: set-up of the Qt application, and access
// to the widgets behind handles for tests that drive them.
#pragma once

#include "Afx.h"

class QWidget;

namespace plat::qt
{
/// Settings the program relies on, made once the QApplication exists: Qt's own settings
/// files (the file dialog's history and last folder) are neither read nor written, since
/// the program keeps nothing between runs.
void ConfigureApplication();
/// Whether the file dialog may be the desktop's own; tests turn it off to drive Qt's.
void SetNativeDialogsAllowed(bool bAllowed);
/// The top-level widget of a window handle; nullptr when none.
QWidget* WidgetOf(HWND hWnd);
} // namespace plat::qt
