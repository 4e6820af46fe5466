#include "recording/CFileParser.h"

#include "recording/BufferedFile.h"

CFileParser::~CFileParser() = default;

void CFileParser::CollectChunks(std::vector<ChunkNode*>& out, const ChunkList&, const std::string&)
{
    out.clear();
}

std::vector<ChunkNode*> CFileParser::FindChunks(const std::string& id)
{
    std::vector<ChunkNode*> found;
    CollectChunks(found, m_nodes, id);
    return found;
}

bool CFileParser::Open(const std::string&)
{
    return false;
}

bool CFileParser::ReadBytes(int32_t, int32_t, void*)
{
    return false;
}

int32_t CFileParser::ReadUInt32(int32_t)
{
    return 0;
}

bool CFileParser::HasRiffChunk(const ChunkList&)
{
    return false;
}

bool CFileParser::ParseChunks(int32_t, ChunkList&, int32_t)
{
    return false;
}

void CFileParser::Close()
{
    m_file.reset();
    m_fileSize = 0;
}
