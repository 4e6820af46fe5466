#include "recording/ChunkNode.h"

#include "recording/BufferedFile.h"

#include <utility>

ChunkNode::ChunkNode(std::string chunkId, std::string chunkType, int32_t chunkOffset, int32_t chunkSize)
    : id(std::move(chunkId)), type(std::move(chunkType)), offset(chunkOffset), size(chunkSize)
{
}

ChunkNode::~ChunkNode()
{
    // Hostile files can nest chunks millions deep; tear the tree down without recursion.
    ChunkList pending = std::move(m_children);
    while (!pending.empty()) {
        std::unique_ptr<ChunkNode> node = std::move(pending.back());
        pending.pop_back();
        for (auto& child : node->m_children)
            pending.push_back(std::move(child));
        node->m_children.clear();
    }
}

ChunkList& ChunkNode::Children()
{
    if (m_deferred) {
        const std::unique_ptr<DeferredWalk> walk = std::move(m_deferred);
        WalkChunks(*walk->file, walk->start, m_children, walk->end);
    }
    return m_children;
}

const ChunkList& ChunkNode::Children() const
{
    return const_cast<ChunkNode*>(this)->Children();
}

void ChunkNode::DeferWalk(std::shared_ptr<BufferedFile> file, int64_t start, int64_t end)
{
    m_deferred = std::make_unique<DeferredWalk>(DeferredWalk{std::move(file), start, end});
}

bool WalkChunks(BufferedFile& file, int64_t start, ChunkList& nodes, int64_t end)
{
    const int64_t fileSize = file.Size();
    if (start >= fileSize || end > fileSize)
        return false;

    // Depth-first, with an explicit stack: every chunk is walked into, and hostile nesting must not
    // exhaust the call stack. Positions are 64-bit so that pos + size never wraps; every step moves
    // forward by at least 16 bytes because sizes below 8 end the walk.
    struct Range {
        int64_t pos;
        int64_t end;
        ChunkList* nodes;
    };
    std::vector<Range> stack{{start, end, &nodes}};
    bool result = true;
    while (!stack.empty()) {
        Range& range = stack.back();
        if (range.pos >= range.end) {
            stack.pop_back();
            continue;
        }
        const int64_t pos = range.pos;
        const int32_t size = file.ReadInt32(pos + 4);
        if (size < 8 || size >= fileSize) {
            if (stack.size() == 1)
                result = size != 0;
            stack.pop_back();
            continue;
        }
        std::string id = file.ReadFourCC(pos);
        if (id[0] == '\0') {
            stack.pop_back();
            continue;
        }
        std::string type = file.ReadFourCC(pos + 8);
        const bool isList = id == "LIST" || id == "RIFF";
        const bool isMovieList = id == "LIST" && type == "movi";
        // A list's size covers its type and children but not its own 8-byte header; the children are
        // looked for up to pos + size only, which is 8 bytes short of the list's end.
        const int64_t step = isList ? size : int64_t{size} + 8;
        range.pos = pos + step + (isList ? 8 : 0);

        auto node = std::make_unique<ChunkNode>(std::move(id), std::move(type), static_cast<int32_t>(pos), size);
        ChunkList& children = node->Children();
        range.nodes->push_back(std::move(node));
        const int64_t childStart = pos + 12;
        const int64_t childEnd = pos + step;
        if (childStart >= fileSize || childEnd > fileSize)
            continue;  // the nested walk refuses such a range and finds nothing
        if (isMovieList)
            range.nodes->back()->DeferWalk(file.shared_from_this(), childStart, childEnd);
        else
            stack.push_back({childStart, childEnd, &children});  // invalidates `range`
    }
    return result;
}
