#include "widgets/SaveFailure.h"

#include "infra/StringIds.h"
#include "widgets/LoadText.h"

#include <cerrno>
#include <cstring>

QString ReasonText(const Result& why)
{
    switch (why.Error()) {
    case 0:
        return QString::fromStdString(why.Reason());
    case EACCES:
    case EPERM:
        return LoadText(StringId::kReasonNoPermission);
    case EROFS:
        return LoadText(StringId::kReasonReadOnly);
    case ENOSPC:
    case EDQUOT:
        return LoadText(StringId::kReasonDiskFull);
    case EFBIG:
        return LoadText(StringId::kReasonTooLarge);
    case ENOENT:
        return LoadText(StringId::kReasonNotFound);
    case ENOTDIR:
        return LoadText(StringId::kReasonNotAFolder);
    case EEXIST:
        return LoadText(StringId::kReasonExists);
    case EIO:
        return LoadText(StringId::kReasonIoError);
    case ENAMETOOLONG:
        return LoadText(StringId::kReasonNameTooLong);
    case EBADMSG:
        return LoadText(StringId::kReasonDamaged);
    default:
        return LoadText(StringId::kReasonSystem).arg(why.Error()).arg(QString::fromLocal8Bit(std::strerror(why.Error())));
    }
}

QString SaveFailureText(int whatId, const std::string& path, const QString& why)
{
    return LoadText(whatId) + "\n" + QString::fromStdString(path) + "\n" + why;
}
