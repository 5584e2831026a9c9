#include <cstdint>
#include <limits>

#include "core/stream.h"
#include "physics/quadtree.h"

namespace kel::tangle {

namespace {

// Four floats and the child count.
constexpr std::int64_t kNodeBytes = 20;
constexpr int kMaxChildren = 4;

// nodesLeft is how many more nodes the stream can hold; every node read
// spends one, so neither a huge count nor a deep chain outgrows the file.
core::Ref<TQuadTree> ReadNode(core::TStream& stream, int depth, std::int64_t& nodesLeft) {
    if (depth > TQuadTree::MAX_READ_DEPTH || nodesLeft < 1) return nullptr;
    --nodesLeft;
    core::Ref<TQuadTree> node = core::Make<TQuadTree>();
    node->posX = stream.ReadFloat();
    node->posY = stream.ReadFloat();
    node->sizeX = stream.ReadFloat();
    node->sizeY = stream.ReadFloat();
    const int count = stream.ReadInt();
    if (count > kMaxChildren || count > nodesLeft) return nullptr;
    for (int k = 0; k < count; ++k) {
        core::Ref<TQuadTree> child = ReadNode(stream, depth + 1, nodesLeft);
        if (!child) return nullptr;
        node->childList->AddLast(child);
    }
    return node;
}

} // namespace

int TQuadTree::Write(core::TStream* stream) const {
    if (!stream) return 0;
    stream->WriteFloat(posX);
    stream->WriteFloat(posY);
    stream->WriteFloat(sizeX);
    stream->WriteFloat(sizeY);
    stream->WriteInt(childList->Count());
    for (TQuadTree* child : childList->Each<TQuadTree>()) child->Write(stream);
    return 0;
}

core::Ref<TQuadTree> TQuadTree::Read(core::TStream* stream) {
    if (!stream) return nullptr;
    const std::int64_t pos = stream->Pos();
    // A stream without a position reads zeros past its end, which make
    // leaves: the tree stays as large as the data that was really there.
    std::int64_t nodesLeft =
        pos < 0 ? std::numeric_limits<std::int64_t>::max() : (stream->Size() - pos) / kNodeBytes;
    core::Ref<TQuadTree> root = ReadNode(*stream, 1, nodesLeft);
    if (root) root->Pack();
    return root;
}

} // namespace kel::tangle
