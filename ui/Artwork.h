#pragma once

#include <QCursor>
#include <QIcon>
#include <QString>
#include <array>

// The program's pictures, drawn in code so they stay sharp at any size and cost
// nothing at start-up: an icon is only painted when a control shows it.

// A tool bar or menu icon by name ("new", "open", "play", "showpoints", ...); an
// unknown name gives an empty icon.
QIcon ToolIcon(const QString& name);

// "FULLICON": the application's, the main window's and the sketchpad's icon.
QIcon AppIcon();

// The sketchpad tools' cursors by number: 1 "MOVEPOINT", 2 "ADDPOINT", 3 "DELPOINT",
// 4 "ZOOM", 5 "POINTTYPE", 6 "ANIM", 7 the size-all cursor, 8 the cross cursor.
// Entry 0 is the ordinary arrow. Needs a running QGuiApplication.
const std::array<QCursor, 9>& Cursors();
