#include "ui/open/ScanJob.h"

#include <utility>

ScanJob::ScanJob(std::vector<std::string> folders, std::vector<std::string> files, IRecordingRepair* repair,
                 std::function<void()> finished)
    : m_thread(&ScanJob::Run, this, std::move(folders), std::move(files), repair, std::move(finished))
{
}

ScanJob::~ScanJob()
{
    Cancel();
    if (m_thread.joinable())
        m_thread.join();
}

void ScanJob::Run(std::vector<std::string> folders, std::vector<std::string> files, IRecordingRepair* repair,
                  std::function<void()> finished)
{
    CFileLoader loader(repair);
    loader.SetProgress([this](std::size_t done, std::size_t total, std::size_t found) {
        m_total = total;
        m_done = done;
        m_found = found;
        return !m_cancel;
    });
    m_result = loader.ScanRecordings(folders, std::move(files));
    m_cancelled = loader.WasCancelled();
    m_finished = true;
    if (finished)
        finished();
}

RecordingList ScanJob::TakeResult()
{
    if (m_thread.joinable())
        m_thread.join();
    return std::move(m_result);
}
