// Zone files (.tnz): magic "ZONE", a version byte, the name line, the
// untransformed vertices, the attributes, the quadtree as built, and an
// optional image, embedded as PNG or in "<name>_img.png" beside the file.
//
// A number of the zone's shape or place (a vertex, the offset, the angle,
// the scale, a box of the tree) that is not finite makes the file damaged:
// the setters would refuse it. The friction, the tint, the alpha and the
// picture's scale and handle are kept as stored, whatever they are: the
// format has always kept the friction unclamped and the contact copes with
// any value, and the others only change how the zone is drawn.

#include <algorithm>
#include <memory>

#include "core/filesys.h"
#include "graphics/image.h"
#include "physics/files/file_io.h"
#include "physics/step/finite.h"
#include "physics/zone.h"

namespace kel::tangle {

namespace {

constexpr int kVersion = 111;

// The zone file's image, when not embedded.
std::string SeparateImagePath(const std::string& zonePath) {
    return core::PathWithoutExt(zonePath) + "_img.png";
}

// A name line cannot hold a line feed or a NUL: either would end it early
// and the rest of the name would be read as vertex data.
std::string LineSafe(std::string text) {
    std::erase_if(text, [](char c) { return c == '\n' || c == '\0'; });
    return text;
}

// The embedded flag as a byte that reads back as what Save did: an
// argument whose low 8 bits are 0 but which is not 0 still embeds.
int EmbeddedByte(int embedImage) {
    if (!embedImage) return 0;
    return (embedImage & 0xFF) ? (embedImage & 0xFF) : 1;
}

// Whether every box of the tree is finite.
bool FiniteTree(const TQuadTree& node) {
    if (!detail::AllFinite(node.posX, node.posY, node.sizeX, node.sizeY)) return false;
    for (const TQuadTree* child : node.childList->Each<TQuadTree>())
        if (!FiniteTree(*child)) return false;
    return true;
}

} // namespace

int TZone::Save(const std::string& url, int backup, int embedImage) {
    const bool written =
        SaveFileWithBackup(url, ".tnz", backup, [&](core::TStream& out, const std::string& target) {
            out.WriteString("ZONE");
            out.WriteByte(kVersion);
            if (!out.WriteLine(LineSafe(name))) return false;
            out.WriteInt(static_cast<int>(origArea.size()));
            for (float f : origArea) out.WriteFloat(f);
            out.WriteInt(style);
            for (float f :
                 {friction, offsetX, offsetY, angle, scaleX, scaleY, red, green, blue, alpha})
                out.WriteFloat(f);
            out.WriteInt(blend);
            // Automatic groups are only meaningful within one run.
            out.WriteInt(std::max(colGroup, -1));
            out.WriteInt(qtLevel);
            out.WriteFloat(imgScaleX);
            out.WriteFloat(imgScaleY);
            TreeToSave()->Write(&out);
            if (!image) {
                out.WriteByte(0);
                return true;
            }
            out.WriteByte(1);
            TImageHeader::Of(*image).Write(out);
            out.WriteByte(EmbeddedByte(embedImage));
            if (embedImage) return WriteEmbeddedImage(out, image);
            return WriteSeparateImage(SeparateImagePath(target), image);
        });
    return written ? 0 : -1;
}

core::Ref<TZone> TZone::Load(const std::string& url) {
    try {
        const std::string path = core::FullPath(url);
        if (core::PathKind(path) != 1) return nullptr;
        std::unique_ptr<TFileReader> in = TFileReader::Open(path);
        if (!in) return nullptr;
        const std::string magic = in->ReadMagic();
        in->ReadByte(); // version
        if (magic != "ZONE") return nullptr;

        // Built aside and entered into the world only once read whole.
        core::Ref<TZone> z = core::Make<TZone>();
        z->name = in->ReadLine();
        const int count = in->ReadInt();
        if (count < 4 || count % 2 != 0 || !in->Fits(count, 4)) return nullptr;
        z->origArea.resize(count);
        for (float& f : z->origArea) f = in->ReadFloat();
        z->style = in->ReadInt();
        for (float* f : {&z->friction, &z->offsetX, &z->offsetY, &z->angle, &z->scaleX, &z->scaleY,
                         &z->red, &z->green, &z->blue, &z->alpha})
            *f = in->ReadFloat();
        z->blend = in->ReadInt();
        const int group = in->ReadInt();
        z->qtLevel = in->ReadInt();
        z->imgScaleX = in->ReadFloat();
        z->imgScaleY = in->ReadFloat();
        if (!in->Ok() || !detail::AllFinite(z->origArea) ||
            !detail::AllFinite(z->offsetX, z->offsetY, z->angle, z->scaleX, z->scaleY))
            return nullptr;
        z->quadTree = TQuadTree::Read(in->Stream());
        if (!z->quadTree || !FiniteTree(*z->quadTree)) return nullptr;
        const int hasImage = in->ReadByte();
        if (!in->Ok()) return nullptr;

        if (hasImage) {
            TImageHeader header;
            header.Read(*in);
            const int embedded = in->ReadByte();
            if (!in->Ok()) return nullptr;
            // A picture that cannot be read leaves the zone without one.
            z->image = header.Load([&](int flags) {
                return embedded ? ReadEmbeddedImage(*in->Stream(), flags)
                                : ReadSeparateImage(SeparateImagePath(path), flags);
            });
        }

        z->UpdateArea();
        z->SetColGroup(group);
        z->EnterWorld();
        return z;
    } catch (const std::exception&) {
        // A stream that fails mid-read, or no working directory to resolve
        // the url against.
        return nullptr;
    }
}

} // namespace kel::tangle
