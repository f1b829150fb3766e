// What a screen reader is told about the framework's windows and controls,
// where the toolkit's own account falls short.
#pragma once

/// Installs the framework's accessible factory: a form's window is a frame,
/// and a combo box is named by what it is rather than by the item it shows.
/// Call it once the toolkit's application exists.
void InstallAccessibleFactory();
