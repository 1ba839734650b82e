#pragma once

#include <QString>
#include <functional>

class QWidget;

// Runs `work` on a thread of its own while the window goes on repainting. After a
// moment a box over `parent` shows `label` with a busy bar and "Cancel". True when
// the work is done; false when the user cancelled, when another piece of work is
// already waited for, or when the wait ended before the work (the application quit):
// then the work finishes unseen, so it must keep what it makes in
// state it shares ownership of, and the caller drops it.
bool RunInBackground(QWidget* parent, const QString& label, std::function<void()> work);

// True while RunInBackground waits for work: the window takes no drops then.
bool BackgroundWorkWaiting();

// The object name of the box, for tests.
inline constexpr const char* BackgroundWorkBoxName = "BackgroundWorkBox";
