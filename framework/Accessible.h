// What a screen reader is told about the framework's windows and controls,
// where the toolkit's own account falls short.
#pragma once

#include <QString>

class QComboBox;
class QObject;

/// Installs the framework's accessible factory: a form's window is a frame,
/// a combo box is named by what it is and tells its item as its value (the
/// item's accessible text where it has one), and an edit box's text is one
/// run of attributes. Call it once the toolkit's application exists.
void InstallAccessibleFactory();

/// Tells a screen reader of every change of the box's item while it has the
/// focus, but a pick from its open list, which the reader follows itself.
void FollowItemChanges(QComboBox &box);

/// Has a screen reader speak a line once, on behalf of source, without moving
/// the focus or changing what is shown. Does nothing when no reader listens.
void Announce(QObject &source, const QString &line);
