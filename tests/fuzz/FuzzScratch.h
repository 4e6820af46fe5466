#pragma once

// Shared by the fuzz targets: a scratch folder of this process that every file a target writes stays in.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

class FuzzScratch {
public:
    // The folder is fixed for the life of the process (tessaro-fuzz-<pid> under TMPDIR, else /dev/shm or
    // the temporary folder) and becomes the current folder, so that anything written relative to it (the
    // diagnostic log) lands inside it as well. The documents folder points into it too: nothing a target
    // does can reach the user's files.
    FuzzScratch() : m_root(ScratchBase() / ("tessaro-fuzz-" + std::to_string(getpid())))
    {
        std::filesystem::remove_all(m_root);
        std::filesystem::create_directories(m_root / "home" / "Documents");
        std::filesystem::current_path(m_root);
        setenv("HOME", (m_root / "home").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (m_root / "home" / ".config").c_str(), 1);
        setenv("XDG_DOCUMENTS_DIR", (m_root / "home" / "Documents").c_str(), 1);
        std::atexit([] { std::filesystem::remove_all(Instance().m_root); });
    }

    static FuzzScratch& Instance()
    {
        static FuzzScratch scratch;
        return scratch;
    }

    const std::filesystem::path& Root() const { return m_root; }

    // An empty folder of the scratch area (emptied on every call).
    std::filesystem::path Folder(const std::string& name) const
    {
        const std::filesystem::path folder = m_root / name;
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        return folder;
    }

    // Writes the input into folder/name and returns its path.
    static std::string Write(const std::filesystem::path& folder, const std::string& name, const uint8_t* data,
                             std::size_t size)
    {
        const std::filesystem::path path = folder / name;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        return path.string();
    }

private:
    // Every run writes its input to disk: memory-backed when the machine has it.
    static std::filesystem::path ScratchBase()
    {
        std::error_code error;
        if (!std::getenv("TMPDIR") && std::filesystem::is_directory("/dev/shm", error))
            return "/dev/shm";
        return std::filesystem::temp_directory_path();
    }

    std::filesystem::path m_root;
};

// Files of at most 30720 bytes are taken for aborted recordings and never parsed unless their path carries
// the marker; the folder name carries it, so that small inputs are walked like any other recording.
inline constexpr const char* kMarkedFolder = "SDEXIT";
