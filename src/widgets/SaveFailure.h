#pragma once

// The one shape of the message a failed save shows, for stills, clips, reports and tracks alike: what
// failed, where (the path, on a line of its own) and why, in the interface's language.

#include "infra/Result.h"

#include <QString>

#include <string>

// "<what>\n<path>\n<why>"; whatId names what failed (StringId::kStillNotSaved, kClipNotSaved, ...), why is
// ReasonText of the failure or a reason of the caller's own.
QString SaveFailureText(int whatId, const std::string& path, const QString& why);
// Why a save failed: the system's error number in words of the interface's language, or the failure's own
// words when it carries none.
QString ReasonText(const Result& why);
