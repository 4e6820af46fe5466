// The container walk and every question asked of its tree, on one file's bytes.

#include "FuzzScratch.h"

#include "recording/AVIFileParser.h"
#include "recording/BufferedFile.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

// Touches every node (the movie list is walked on first use) and reads each chunk's header and data the
// way the readers do.
void Visit(AVIFileParser& parser, const ChunkList& nodes)
{
    std::vector<const ChunkList*> pending{&nodes};
    std::vector<char> buffer;
    while (!pending.empty()) {
        const ChunkList* list = pending.back();
        pending.pop_back();
        for (const auto& node : *list) {
            parser.ReadFourCC(node->offset);
            parser.ReadUInt32(node->offset + 4);
            // A chunk's data may claim more than the file holds; read what a reader would ask for.
            const int32_t count = std::clamp(node->size, 0, std::max(parser.FileSize(), 0));
            buffer.resize(static_cast<std::size_t>(count) + 1);
            parser.ReadBytes(node->offset + 8, count, buffer.data());
            pending.push_back(&node->Children());
        }
    }
}

void AskEverything(AVIFileParser& parser)
{
    Visit(parser, parser.TopLevel());
    for (const char* id : {"RIFF", "LIST", "avih", "strh", "strf", "idx1", "00dc", "01dc", "02wb", "03tx", ""})
        parser.FindChunks(id);
    for (const char* type : {"hdrl", "movi", "strl", "vids", "AVI "}) {
        ChunkNode* list = parser.FindListByType(type);
        parser.FindVideoStreamHeader(list);
    }
    parser.FindVideoStreamHeader(nullptr);
    parser.CountVideoStreams();
    parser.GetTotalFrames();
    parser.GetDurationSeconds();
    parser.GetStreamChunkIds();
    parser.HasRiffChunk(parser.TopLevel());

    // Reads at the edges of the file and outside it.
    const int32_t size = parser.FileSize();
    char bytes[16];
    for (const int32_t offset : {INT32_MIN, -4, -1, 0, size - 4, size - 1, size, size + 1, INT32_MAX}) {
        parser.ReadUInt32(offset);
        parser.ReadFourCC(offset);
        for (const int32_t count : {-1, 0, 1, 4, 16})
            parser.ReadBytes(offset, count, bytes);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    FuzzScratch& scratch = FuzzScratch::Instance();
    static const std::filesystem::path plain = scratch.Folder("plain");
    static const std::filesystem::path marked = scratch.Folder(kMarkedFolder);

    // As the card scan meets it: small files are set aside unparsed.
    {
        const std::string path = FuzzScratch::Write(plain, "x.avi", data, size);
        AVIFileParser parser;
        const bool opened = parser.Open(path);
        if (opened && AVIFileParser::IsAbortedRecording(path, static_cast<int64_t>(size)) &&
            !parser.TopLevel().empty())
            std::abort();  // an aborted recording must stay unparsed
        if (opened)
            AskEverything(parser);
    }
    // Parsed whatever its length.
    {
        const std::string path = FuzzScratch::Write(marked, "x.avi", data, size);
        AVIFileParser parser;
        if (parser.Open(path))
            AskEverything(parser);
        else if (parser.IsOpen())
            std::abort();  // a refused file is never kept open
        // A second file on the same parser keeps the first tree beside the second.
        parser.Open(path);
        AskEverything(parser);
    }
    return 0;
}
