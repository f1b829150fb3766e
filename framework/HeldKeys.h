// The keyboard policy for held keys, application-wide.
#pragma once

/// Keeps a held Return, Enter or Space from pressing a button more than once,
/// the error display's too. Call it once, when the toolkit's application
/// exists.
void InstallHeldKeyPolicy();
