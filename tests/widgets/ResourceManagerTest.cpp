#include "widgets/ResourceManager.h"

#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <QFileInfo>

#include <filesystem>
#include <functional>

namespace fs = std::filesystem;

namespace {

class ResourceManagerTest : public ::testing::Test {
protected:
    ResourceManagerTest() : m_cwd(m_current.path()), m_log(m_current.path()) {}

    static QString Folder(const TempDir& dir) { return QString::fromStdString(dir.path().string()); }
    static void PutArchive(const TempDir& dir)
    {
        fs::copy_file(TESSARO_SKIN_ARCHIVE, dir.path() / ResourceManager::kArchiveName);
    }
    int Logged(const char* function, const char* text) const { return m_log.Count("ResourceManager", function, text); }

    TempDir m_current;  // the current folder during each test
    TempDir m_dataFolder;
    ScopedCurrentPath m_cwd;
    LogCapture m_log;
};

}  // namespace

TEST_F(ResourceManagerTest, TheCurrentFolderComesBeforeTheDataFolder)
{
    PutArchive(m_current);
    PutArchive(m_dataFolder);
    ResourceManager manager({Folder(m_current), Folder(m_dataFolder)});
    EXPECT_TRUE(manager.GetModule());
    EXPECT_EQ(fs::path(manager.ArchivePath().toStdString()), m_current.path() / "CorvellResource.rcc");
    EXPECT_EQ(Logged("init", "CorvellResource.dll Load fail"), 0);
}

TEST_F(ResourceManagerTest, WithoutAnArchiveInTheCurrentFolderTheDataFolderServes)
{
    PutArchive(m_dataFolder);
    ResourceManager manager({Folder(m_current), Folder(m_dataFolder)});
    EXPECT_EQ(fs::path(manager.ArchivePath().toStdString()), m_dataFolder.path() / "CorvellResource.rcc");
    EXPECT_EQ(manager.LoadBitmap(107).size(), QSize(128, 64));
}

TEST_F(ResourceManagerTest, WithoutAnyArchiveEveryRequestLogsItsFallbackAndTheLoadIsNotRetried)
{
    ResourceManager manager({Folder(m_current), Folder(m_dataFolder)});
    EXPECT_FALSE(manager.GetModule());
    EXPECT_EQ(Logged("init", "CorvellResource.dll Load fail"), 1);

    // An archive arriving later is not picked up: the manager does not try again.
    PutArchive(m_current);
    for (int request = 1; request <= 2; ++request) {
        EXPECT_TRUE(manager.LoadBitmap(107).isNull());
        EXPECT_TRUE(manager.LoadIcon(245).isNull());
        EXPECT_TRUE(manager.LoadPng(103).isNull());
        EXPECT_EQ(Logged("GetBitmap", "Bitmap NULL"), request);
        EXPECT_EQ(Logged("GetIcon", "ICon NULL"), request);
        EXPECT_EQ(Logged("GetRes", "Resource NULL"), request);
    }
    EXPECT_FALSE(manager.GetModule());
    EXPECT_EQ(Logged("init", "CorvellResource.dll Load fail"), 1);
}

TEST_F(ResourceManagerTest, AnIdMissingFromItsKindFallsBackWithOneLine)
{
    PutArchive(m_current);
    ResourceManager manager({Folder(m_current)});
    struct Case {
        const char* name;
        std::function<bool()> loadIsNull;
        const char* function;
        const char* text;
    };
    const Case cases[] = {
        {"unknown bitmap", [&] { return manager.LoadBitmap(9999).isNull(); }, "GetBitmap", "Bitmap NULL"},
        {"icon id asked as a bitmap", [&] { return manager.LoadBitmap(245).isNull(); }, "GetBitmap", "Bitmap NULL"},
        {"bitmap id asked as an icon", [&] { return manager.LoadIcon(107).isNull(); }, "GetIcon", "ICon NULL"},
        {"bitmap id asked as a PNG", [&] { return manager.LoadPng(310, 2.0).isNull(); }, "GetRes", "Resource NULL"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int before = Logged(c.function, c.text);
        EXPECT_TRUE(c.loadIsNull());
        EXPECT_EQ(Logged(c.function, c.text), before + 1);
    }
    EXPECT_EQ(m_log.Lines().size(), 4u);
}

TEST_F(ResourceManagerTest, EveryRequestIsItsOwnCopy)
{
    PutArchive(m_current);
    ResourceManager manager({Folder(m_current)});
    const QPixmap first = manager.LoadBitmap(152);
    const QPixmap second = manager.LoadBitmap(152);
    EXPECT_NE(first.cacheKey(), second.cacheKey());
}

TEST_F(ResourceManagerTest, TheArchiveIsUnregisteredWhenTheManagerGoes)
{
    PutArchive(m_current);
    {
        ResourceManager manager({Folder(m_current)});
        EXPECT_TRUE(QFileInfo::exists(":/corvell/bitmap/107.png"));
    }
    EXPECT_FALSE(QFileInfo::exists(":/corvell/bitmap/107.png"));
}

TEST_F(ResourceManagerTest, TheProcessWideManagerLooksInTheCurrentFolderAtFirstUse)
{
    PutArchive(m_current);
    ResourceManager* manager = ResourceManager::GetInstance();
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(ResourceManager::GetInstance(), manager);
    EXPECT_EQ(fs::path(manager->ArchivePath().toStdString()), m_current.path() / "CorvellResource.rcc");
    ResourceManager::DestroyInstance();
    EXPECT_FALSE(QFileInfo::exists(":/corvell/bitmap/107.png"));
}
