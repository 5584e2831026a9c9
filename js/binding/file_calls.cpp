// Snapshots, and world, body and zone files as bytes: the library reads and
// writes files by name, so the bytes pass through a file of the module's own
// (in memory in the WebAssembly build, in the temporary folder natively).

#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>

#include "core/filesys.h"
#include "js/binding/binding.h"
#include "js/binding/c_api.h"
#include "js/binding/codes.h"
#include "js/binding/exports.h"

#include <sys/stat.h>
#include <unistd.h>

using namespace js_binding;

namespace {

std::vector<std::uint8_t> inputBytes;

// A file name of the module's own, with the extension the library expects.
std::string Scratch(const char* extension) {
#ifdef __EMSCRIPTEN__
    // Emscripten starts with a file mode mask of 0777, which makes every new
    // file (the library writes through a temporary one) unwritable; the
    // usual desktop mask instead.
    static const bool masked = (umask(022), true);
    (void)masked;
    return std::string("/tmp/kel-tangle") + extension;
#else
    return "/tmp/kel-tangle-" + std::to_string(getpid()) + extension;
#endif
}

bool ReadBack(const std::string& path, std::vector<std::uint8_t>& bytes) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    file.close();
    std::remove(path.c_str());
    return true;
}

bool WriteInput(const std::string& path) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(inputBytes.data()),
               static_cast<std::streamsize>(inputBytes.size()));
    return static_cast<bool>(file);
}

// Writes with `save` (0 when written) and returns the size of the bytes, or
// -1.
template <class Save> int SaveBytes(TJsWorld& w, const char* extension, Save&& save) {
    const std::string path = Scratch(extension);
    try {
        if (save(path) != 0 || !ReadBack(path, w.bytes)) return Refuse(-1, "the file could not be written");
    } catch (const std::exception& e) {
        std::remove(path.c_str());
        return Refuse(-1, e.what());
    }
    return static_cast<int>(w.bytes.size());
}

// What a snapshot or a world file keeps beside the world: the world's own
// body (the constraints made one by one) and every body it handed out.
std::vector<TBody*> BodiesOf(const TJsWorld& w) {
    std::vector<TBody*> bodies{w.own};
    w.bodies.Each([&](TAdvBody* b) { bodies.push_back(b); });
    return bodies;
}

// The bodies of a loaded world, handed out, to the result buffer.
int HandOutBodies(TJsWorld& w, const TWorldSnapshot& loaded) {
    w.out.clear();
    for (int k = 0; k < loaded.BodyCount(); ++k)
        if (auto* body = core::As<TAdvBody>(loaded.GetBody(k))) w.out.push_back(w.bodies.Hold(body));
    return static_cast<int>(w.out.size());
}

} // namespace

namespace js_binding {
const std::vector<std::uint8_t>& InputBytes() { return inputBytes; }
} // namespace js_binding

extern "C" {

TG_EXPORT std::uint8_t* tg_in_bytes(int count) {
    if (count < 0) return nullptr;
    inputBytes.resize(static_cast<std::size_t>(count));
    return inputBytes.data();
}

TG_EXPORT std::uint8_t* tg_bytes(double world) {
    TJsWorld* w = WorldOf(world);
    return w ? w->bytes.data() : nullptr;
}

TG_EXPORT double tg_snapshot_take(double world) {
    TJsWorld* w = WorldOf(world);
    if (!w) return 0;
    try {
        core::Ref<TWorldSnapshot> s = TPhysics::TakeSnapshot(BodiesOf(*w));
        if (!s) return Refuse(0, "no snapshot can be taken now");
        return w->snapshots.Hold(s);
    } catch (const std::exception& e) {
        return Refuse(0, e.what());
    }
}

TG_EXPORT int tg_snapshot_restore(double world, double snapshot) {
    TJsWorld* w = WorldOf(world);
    TWorldSnapshot* s = w ? w->snapshots.Find(snapshot) : nullptr;
    if (!s) return Refuse(-1, "no such snapshot of this world");
    w->structureChanged = true;
    try {
        return TPhysics::RestoreSnapshot(s) == 0 ? 0 : Refuse(-1, "the snapshot cannot be restored now");
    } catch (const std::exception& e) {
        return Refuse(-1, e.what());
    }
}

// Writes a file (TFileKind): the world with its bodies, a body or a zone.
// The size of the bytes (tg_bytes), or -1.
TG_EXPORT int tg_save(double world, int kind, double handle) {
    TJsWorld* w = WorldOf(world);
    if (!w) return Refuse(-1, "no world");
    switch (kind) {
    case kWorldFile:
        return SaveBytes(*w, ".tnw", [&](const std::string& path) {
            return TPhysics::SaveWorld(path, 0, BodiesOf(*w));
        });
    case kBodyFile: {
        const TAdvBody* b = w->bodies.Find(handle);
        if (!b) return Refuse(-1, "no such body in this world");
        return SaveBytes(*w, ".tnb", [&](const std::string& path) { return b->Save(path, 0, 1); });
    }
    case kZoneFile: {
        TZone* z = w->zones.Find(handle);
        if (!z) return Refuse(-1, "no such zone in this world");
        return SaveBytes(*w, ".tnz", [&](const std::string& path) { return z->Save(path, 0, 1); });
    }
    default: return Refuse(-1, "nothing of that kind");
    }
}

// Loads the input bytes (TFileKind): a world file into this world, replacing
// all in it (returns the count of its bodies, handed out in the result
// buffer); a body, activated, or a zone (returns 1 and its handle there).
TG_EXPORT int tg_load(double world, int kind) {
    TJsWorld* w = WorldOf(world);
    if (!w) return Refuse(-1, "no world");
    static const char* const extensions[] = {".tnw", ".tnb", ".tnz"};
    if (kind < kWorldFile || kind > kZoneFile) return Refuse(-1, "nothing of that kind");
    const std::string path = Scratch(extensions[kind]);
    if (!WriteInput(path)) return Refuse(-1, "the bytes could not be passed");
    int result = -1;
    try {
        if (kind == kWorldFile) {
            std::string error;
            core::Ref<TWorldSnapshot> loaded = TPhysics::LoadWorld(path, error);
            if (loaded) {
                w->structureChanged = true;
                // The file's own body stands in for the world's.
                if (loaded->BodyCount() > 0 && !core::As<TAdvBody>(loaded->GetBody(0)))
                    w->own = loaded->GetBody(0);
                w->alone.clear();
                w->snapshots.Hold(loaded); // its bodies live as long as the world
                result = HandOutBodies(*w, *loaded);
            } else {
                Refuse(-1, "not a world file: " + error);
            }
        } else {
            core::Ref<TAdvBody> body;
            core::Ref<TZone> zone;
            if (kind == kBodyFile) body = TAdvBody::Load(path, 1);
            else zone = TZone::Load(path);
            if (body || zone) {
                w->structureChanged = true;
                w->out.assign(1, body ? w->bodies.Hold(body) : w->zones.Hold(zone));
                result = 1;
            } else {
                Refuse(-1, kind == kBodyFile ? "not a body file" : "not a zone file");
            }
        }
    } catch (const std::exception& e) {
        Refuse(-1, e.what());
    }
    std::remove(path.c_str());
    return result;
}

} // extern "C"
