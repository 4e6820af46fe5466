#pragma once

#include "infra/Result.h"

#include <functional>

class QString;
class QWidget;

// Runs work on a worker thread behind a modal note that cannot be cancelled or closed, and returns its
// result. The user-interface thread keeps painting meanwhile (a long copy from a slow card must not freeze
// the window), but takes no other input until the work is done.
Result RunBehindBusyDialog(QWidget* owner, const QString& text, const std::function<Result()>& work);
