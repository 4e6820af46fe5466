#include "widgets/ResourceManager.h"

#include "infra/DiagnosticLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QResource>

#include <memory>

namespace {

// Where the archive's contents appear among the program's resources: ":/corvell/bitmap/107.png".
const QString kMapRoot = QStringLiteral("/corvell");

std::unique_ptr<ResourceManager> g_instance;

void LogResource(const char* function, const char* text)
{
    WriteLog(text, "ResourceManager", function, kLogType, kLogLevelNormal);
}

}  // namespace

ResourceManager* ResourceManager::GetInstance()
{
    if (!g_instance)
        g_instance = std::make_unique<ResourceManager>(DefaultFolders());
    return g_instance.get();
}

void ResourceManager::DestroyInstance()
{
    g_instance.reset();
}

QStringList ResourceManager::DefaultFolders()
{
    QStringList folders{QDir::currentPath()};
    if (QCoreApplication::instance()) {
        const QString programFolder = QCoreApplication::applicationDirPath();
        folders << programFolder << QDir::cleanPath(programFolder + "/../share/tessaro-viewer");
    }
    return folders;
}

ResourceManager::ResourceManager(const QStringList& folders)
{
    for (const QString& folder : folders) {
        const QString path = QDir(folder).absoluteFilePath(kArchiveName);
        if (QFileInfo::exists(path) && QResource::registerResource(path, kMapRoot)) {
            m_module = path;
            return;
        }
    }
    // The text names the library as users and support have always known it.
    LogResource("init", "CorvellResource.dll Load fail");
}

ResourceManager::~ResourceManager()
{
    if (!m_module.isEmpty())
        QResource::unregisterResource(m_module, kMapRoot);
}

QPixmap ResourceManager::Load(const char* kind, int id, qreal devicePixelRatio) const
{
    if (m_module.isEmpty())
        return {};
    const QString base = QStringLiteral(":%1/%2/%3").arg(kMapRoot, QLatin1String(kind), QString::number(id));
    // Read through QImage rather than QPixmap::load, which would hand every caller one shared cached
    // copy: each request is its own load.
    QImage image;
    if (devicePixelRatio > 1.0 && image.load(base + QStringLiteral("@2x.png")))
        image.setDevicePixelRatio(2.0);
    else if (!image.load(base + QStringLiteral(".png")))
        return {};
    return QPixmap::fromImage(std::move(image));
}

QPixmap ResourceManager::LoadBitmap(int id, qreal devicePixelRatio) const
{
    QPixmap bitmap = Load("bitmap", id, devicePixelRatio);
    return bitmap.isNull() ? GetBitmap() : bitmap;
}

QIcon ResourceManager::LoadIcon(int id) const
{
    const QPixmap single = Load("icon", id, 1.0);
    if (single.isNull())
        return GetIcon();
    QIcon icon(single);
    const QPixmap doubled = Load("icon", id, 2.0);
    if (!doubled.isNull())
        icon.addPixmap(doubled);
    return icon;
}

QPixmap ResourceManager::LoadPng(int id, qreal devicePixelRatio) const
{
    QPixmap picture = Load("png", id, devicePixelRatio);
    return picture.isNull() ? GetRes() : picture;
}

QIcon ResourceManager::GetIcon() const
{
    LogResource("GetIcon", "ICon NULL");
    return {};
}

QPixmap ResourceManager::GetBitmap() const
{
    LogResource("GetBitmap", "Bitmap NULL");
    return {};
}

QPixmap ResourceManager::GetRes() const
{
    LogResource("GetRes", "Resource NULL");
    return {};
}
