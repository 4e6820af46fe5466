#include "widgets/SaveFailure.h"

#include "infra/StringIds.h"
#include "widgets/LoadText.h"

#include <cerrno>
#include <cstring>

QString ReasonText(const Result& why)
{
    return QString::fromStdString(why.Error() ? SystemErrorText(why.Error()) : why.Reason());
}

QString SaveFailureText(int whatId, const std::string& path, const QString& why)
{
    return LoadText(whatId) + "\n" + QString::fromStdString(path) + "\n" + why;
}
