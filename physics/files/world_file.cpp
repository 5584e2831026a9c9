// World files (.tnw): TPhysics::SaveWorld and LoadWorld. A world file is a
// world snapshot (physics/world/world_state.h) written out, pictures inside.
//
// Layout, little-endian (docs/formats.md gives it field by field): magic
// "TNWF" and the version; the world's settings; the tables of pictures,
// quadtrees, masses, constraints, zones, rigs and bodies, each its count and
// its records, a record naming others by their place in their table (-1 for
// none); the module lists; the grid's cells; the sleeping islands; the
// tracked contacts; "TEND".
//
// The loader builds everything aside and trusts nothing: every count must be
// paid for by the bytes left in the file, every reference must name a record
// that is there, and nothing that would break the step's invariants (a mass
// twice in a list or in the grid, a cell outside the grid, an island that is
// not there) gets through. Only a file read whole replaces the world.

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/filesys.h"
#include "core/memory_stream.h"
#include "core/xendian.h"
#include "graphics/image.h"
#include "physics/colevent.h"
#include "physics/constraints/constraint_record.h"
#include "physics/files/file_io.h"
#include "physics/grid/grid.h"
#include "physics/step/step.h"
#include "physics/world/world_state.h"
#include "physics/snapshot.h"
#include "physics/world.h"

namespace kel::tangle {

namespace {

using detail::TWorldState;

constexpr const char* kMagic = "TNWF";
constexpr const char* kEndMagic = "TEND";
// Version 2 adds the cell size of SetCellSize, and names a mass's cell in
// the grid by its x and y. Version 3 adds to each constraint its kind and
// parameters (angles, shapes and skins). Version 4 adds continuous collision
// (the world's flag, and each mass's bullet flag); version 5 whether the
// strip schedule is on (SetThreads), which decides the bits of the steps
// that follow. Each is written only for a world that needs it, so that every other world file stays as the older version
// wrote it.
constexpr int kVersion = 1, kCellSizeVersion = 2, kKindsVersion = 3, kContinuousVersion = 4,
              kScheduleVersion = 5;
constexpr int kNone = -1;

// The fewest bytes a record of each kind takes, for checking counts.
constexpr int kMassBytes = 68, kConstraintBytes = 48, kZoneBytes = 84, kRigBytes = 48;
constexpr int kBodyBytes = 9, kImageBytes = 10, kTreeBytes = 20, kIslandBytes = 8;
constexpr int kPairBytes = 20;

// Each object's place in its table.
template <class T> class TPlaces {
  public:
    void Add(const T* p) {
        if (p && places_.emplace(p, static_cast<int>(items_.size())).second) items_.push_back(p);
    }
    int Of(const T* p) const {
        const auto at = places_.find(p);
        return at == places_.end() ? kNone : at->second;
    }
    const std::vector<const T*>& Items() const { return items_; }

  private:
    std::unordered_map<const T*, int> places_;
    std::vector<const T*> items_;
};

class WorldWriter {
  public:
    WorldWriter(const TWorldState& state, core::TStream& out) : s_(state), out_(out) {
        for (const auto& m : s_.masses) masses_.Add(m.mass.Get());
        for (const auto& c : s_.constraints) constraints_.Add(c.constraint.Get());
        for (const auto& z : s_.zones) {
            if (!z.zone) continue;
            zones_.Add(z.zone.Get());
            images_.Add(z.image.Get());
            trees_.Add(z.quadTree.Get());
        }
        for (const auto& r : s_.rigs) {
            rigs_.Add(r.rig.Get());
            images_.Add(r.image.Get());
        }
        for (const auto& b : s_.bodies) {
            for (const auto& image : b.images.slots) images_.Add(image.Get());
        }
        version_ = VersionNeeded();
    }

    bool Write() {
        out_.WriteString(kMagic);
        out_.WriteInt(version_);
        WriteSettings();
        out_.WriteInt(static_cast<int>(images_.Items().size()));
        for (const draw2d::TImage* image : images_.Items()) {
            TImageHeader::Of(*image).Write(out_);
            if (!WriteEmbeddedImage(out_, const_cast<draw2d::TImage*>(image))) return false;
        }
        out_.WriteInt(static_cast<int>(trees_.Items().size()));
        for (const TQuadTree* tree : trees_.Items()) tree->Write(&out_);
        out_.WriteInt(static_cast<int>(s_.masses.size()));
        for (const auto& m : s_.masses) WriteMass(m);
        out_.WriteInt(static_cast<int>(s_.constraints.size()));
        for (const auto& c : s_.constraints) WriteConstraint(c);
        out_.WriteInt(static_cast<int>(zones_.Items().size()));
        for (const auto& z : s_.zones) {
            if (z.zone) WriteZone(z);
        }
        out_.WriteInt(static_cast<int>(s_.rigs.size()));
        for (const auto& r : s_.rigs) WriteRig(r);
        out_.WriteInt(static_cast<int>(s_.bodies.size()));
        for (const auto& b : s_.bodies) WriteBody(b);
        WriteList(s_.massList, [&](core::Object* o) { return masses_.Of(core::As<TMass>(o)); });
        WriteList(s_.constraintList,
                  [&](core::Object* o) { return constraints_.Of(core::As<TConstraint>(o)); });
        WriteList(s_.zoneList, [&](core::Object* o) { return zones_.Of(core::As<TZone>(o)); });
        WriteGrid();
        WriteSleep();
        WriteContacts();
        out_.WriteString(kEndMagic);
        return true;
    }

  private:
    void Name(const std::string& text) {
        out_.WriteInt(static_cast<int>(text.size()));
        if (!text.empty()) out_.WriteString(text);
    }

    void WriteSettings() {
        const detail::TSettingsState& s = s_.settings;
#define KEL_TANGLE_WRITE_SETTING(type, name, fallback, since, finite, get, set) \
    if (version_ >= (since)) Write(s.name);
        KEL_TANGLE_WORLD_SETTINGS(KEL_TANGLE_WRITE_SETTING)
#undef KEL_TANGLE_WRITE_SETTING
    }
    void Write(float f) { out_.WriteFloat(f); }
    void Write(int n) { out_.WriteInt(n); }

    void WriteMass(const detail::TMassState& m) {
        for (float f :
             {m.posX, m.posY, m.oldPosX, m.oldPosY, m.radius, m.colGroup, m.weight, m.friction})
            out_.WriteFloat(f);
        for (int n : {m.frozen, m.gridx, m.gridy, m.refCounter, m.index, m.sleepIsland,
                      m.stillSteps, static_cast<int>(m.stepSlot)})
            out_.WriteInt(n);
        if (version_ >= kContinuousVersion) out_.WriteInt(m.bullet);
        Name(m.name);
    }

    void WriteConstraint(const detail::TConstraintState& c) {
        out_.WriteInt(masses_.Of(c.m[0].Get()));
        out_.WriteInt(masses_.Of(c.m[1].Get()));
        out_.WriteFloat(c.restLength);
        out_.WriteFloat(c.stiffness);
        out_.WriteInt(c.refCounter);
        out_.WriteInt(c.index);
        for (float f : {c.compliance, c.damping, c.lambda, c.winding}) out_.WriteFloat(f);
        out_.WriteInt(static_cast<int>(c.ring.size()));
        for (const auto& m : c.ring) out_.WriteInt(masses_.Of(m.Get()));
        if (version_ >= kKindsVersion) {
            out_.WriteInt(static_cast<int>(c.kind));
            out_.WriteInt(static_cast<int>(c.params.size()));
            for (float f : c.params) out_.WriteFloat(f);
        }
        Name(c.name);
    }

    void WriteZone(const detail::TZoneState& z) {
        out_.WriteInt(z.colGroup);
        Name(z.name);
        for (const std::vector<float>* points : {&z.origArea, &z.area}) {
            out_.WriteInt(static_cast<int>(points->size()));
            for (float f : *points) out_.WriteFloat(f);
        }
        out_.WriteInt(z.style);
        for (float f : {z.friction, z.offsetX, z.offsetY, z.angle, z.scaleX, z.scaleY, z.red,
                        z.green, z.blue, z.alpha})
            out_.WriteFloat(f);
        out_.WriteInt(z.blend);
        out_.WriteInt(trees_.Of(z.quadTree.Get()));
        out_.WriteInt(z.qtLevel);
        out_.WriteInt(images_.Of(z.image.Get()));
        out_.WriteFloat(z.imgScaleX);
        out_.WriteFloat(z.imgScaleY);
    }

    void WriteRig(const detail::TRigState& r) {
        out_.WriteInt(images_.Of(r.image.Get()));
        out_.WriteInt(masses_.Of(r.mass.Get()));
        out_.WriteInt(constraints_.Of(r.con.Get()));
        for (float f : {r.angle, r.scaleX, r.scaleY, r.red, r.green, r.blue, r.alpha})
            out_.WriteFloat(f);
        out_.WriteInt(r.blend);
        Name(r.name);
    }

    template <class T, class U>
    void WriteTable(const detail::TBodyState::Table<T>& table, const TPlaces<U>& places) {
        out_.WriteInt(table.count);
        for (const auto& part : table.slots) out_.WriteInt(places.Of(part.Get()));
    }

    void WriteBody(const detail::TBodyState& b) {
        out_.WriteByte(b.adv ? 1 : 0);
        Name(b.name);
        int count = 0;
        for (const auto& o : b.conList)
            count += constraints_.Of(core::As<TConstraint>(o.Get())) >= 0;
        out_.WriteInt(count);
        for (const auto& o : b.conList) {
            const int place = constraints_.Of(core::As<TConstraint>(o.Get()));
            if (place >= 0) out_.WriteInt(place);
        }
        if (!b.adv) return;
        WriteTable(b.masses, masses_);
        WriteTable(b.cons, constraints_);
        WriteTable(b.images, images_);
        WriteTable(b.rigs, rigs_);
    }

    // Values of classes a file cannot describe are left out.
    void WriteList(const std::vector<core::Ref<core::Object>>& list,
                   const std::function<int(core::Object*)>& place) {
        int count = 0;
        for (const auto& o : list) count += place(o.Get()) >= 0;
        out_.WriteInt(count);
        for (const auto& o : list) {
            if (const int p = place(o.Get()); p >= 0) out_.WriteInt(p);
        }
    }

    // The oldest version that holds the world.
    int VersionNeeded() const {
        if (s_.settings.scheduled) return kScheduleVersion;
        if (s_.settings.continuous) return kContinuousVersion;
        for (const auto& m : s_.masses) {
            if (m.bullet) return kContinuousVersion;
        }
        for (const auto& c : s_.constraints) {
            if (detail::TConstraintRecord::NewKind(c.kind)) return kKindsVersion;
        }
        return s_.settings.cellSize > 0 ? kCellSizeVersion : kVersion;
    }
    bool CellsByPlace() const { return version_ >= kCellSizeVersion; }

    void WriteGrid() {
        out_.WriteByte(s_.gridStrangers ? 1 : 0);
        out_.WriteInt(static_cast<int>(s_.cellMasses.size()));
        for (std::size_t k = 0; k < s_.cellMasses.size(); ++k) {
            out_.WriteInt(masses_.Of(s_.cellMasses[k]));
            const detail::TCellPlace at = s_.cellOf[k];
            if (CellsByPlace()) {
                out_.WriteInt(at.x);
                out_.WriteInt(at.y);
            } else {
                out_.WriteInt(detail::TGrid::Index(at.x, at.y));
            }
        }
    }

    void WriteSleep() {
        const detail::TSleepState& sleep = s_.sleep;
        out_.WriteInt(static_cast<int>(sleep.islands.size()));
        for (const auto& island : sleep.islands) {
            out_.WriteInt(static_cast<int>(island.masses.size()));
            for (const auto& m : island.masses) out_.WriteInt(masses_.Of(m.Get()));
            out_.WriteInt(static_cast<int>(island.constraints.size()));
            for (const auto& c : island.constraints) out_.WriteInt(constraints_.Of(c.Get()));
        }
        out_.WriteInt(static_cast<int>(sleep.freeIslands.size()));
        for (int k : sleep.freeIslands) out_.WriteInt(k);
        out_.WriteInt(sleep.sleeping);
        out_.WriteByte(sleep.listsChanged ? 1 : 0);
        out_.WriteByte(sleep.zonesChanged ? 1 : 0);
    }

    // The place of what a tracked pair's mass touched, by the pair's kind;
    // false for a pair a file cannot describe.
    bool OtherOf(const TContactChange& c, int& place) const {
        place = kNone;
        if (c.id == TColEvent::MASS_BOUNDS) return true;
        if (c.id == TColEvent::MASS_MASS) place = masses_.Of(c.GetMass2());
        if (c.id == TColEvent::MASS_ZONE) place = zones_.Of(core::As<TZone>(c.other.Get()));
        return place != kNone;
    }

    void WriteContacts() {
        const auto& contacts = s_.contacts;
        out_.WriteByte(contacts.on ? 1 : 0);
        for (const auto* pairs : {&contacts.previous, &contacts.begins, &contacts.ends}) {
            int count = 0, other = 0;
            for (const TContactChange& c : *pairs) count += OtherOf(c, other);
            out_.WriteInt(count);
            for (const TContactChange& c : *pairs) {
                if (!OtherOf(c, other)) continue;
                out_.WriteInt(c.id);
                out_.WriteInt(masses_.Of(c.mass.Get()));
                out_.WriteInt(other);
                out_.WriteFloat(c.x);
                out_.WriteFloat(c.y);
            }
        }
    }

    const TWorldState& s_;
    core::TStream& out_;
    TPlaces<TMass> masses_;
    TPlaces<TConstraint> constraints_;
    TPlaces<TZone> zones_;
    TPlaces<TRig> rigs_;
    TPlaces<draw2d::TImage> images_;
    TPlaces<TQuadTree> trees_;
    int version_ = kVersion;
};

// Reads a world file into a record of new objects; the first thing wrong
// ends it with the reason.
class WorldReader {
  public:
    WorldReader(TFileReader& in, TWorldState& state) : in_(in), s_(state) {}

    bool Read(std::string& error) {
        const bool ok = ReadAll();
        if (!ok) error = error_.empty() ? "world file is truncated" : error_;
        return ok;
    }

  private:
    bool Fail(const std::string& why) {
        if (error_.empty()) error_ = why;
        return false;
    }
    bool Damaged(const std::string& what) { return Fail("world file is damaged: " + what); }
    bool Truncated() { return Fail("world file is truncated"); }

    // A count of records of at least `bytes` bytes each that the rest of the
    // file can hold.
    bool Count(int& n, int bytes, const char* what) {
        n = in_.ReadInt();
        if (!in_.Ok()) return Truncated();
        if (n < 0 || !in_.Fits(n, bytes))
            return Fail(std::string("world file is damaged: it claims ") + std::to_string(n) + " " +
                        what + ", more than its size allows");
        return true;
    }

    template <class T>
    bool Pick(const std::vector<core::Ref<T>>& table, int place, bool noneAllowed, T*& out,
              const char* what) {
        out = nullptr;
        if (!in_.Ok()) return Truncated();
        if (place == kNone && noneAllowed) return true;
        if (place < 0 || place >= static_cast<int>(table.size()))
            return Damaged(std::string("a record names ") + what + " " + std::to_string(place) +
                           ", which is not there");
        out = table[static_cast<std::size_t>(place)].Get();
        return true;
    }
    template <class T>
    bool PickRef(const std::vector<core::Ref<T>>& table, bool noneAllowed, core::Ref<T>& out,
                 const char* what) {
        T* p = nullptr;
        if (!Pick(table, in_.ReadInt(), noneAllowed, p, what)) return false;
        out = p;
        return true;
    }

    bool Name(std::string& text) {
        int n = 0;
        if (!Count(n, 1, "name characters")) return false;
        text.resize(static_cast<std::size_t>(n));
        for (char& c : text) c = static_cast<char>(in_.ReadByte());
        return in_.Ok() || Truncated();
    }

    bool ReadAll() {
        const std::string magic = in_.ReadMagic();
        if (!in_.Ok()) return Truncated();
        if (magic != kMagic) return Fail("not a world file");
        version_ = in_.ReadInt();
        if (!in_.Ok()) return Truncated();
        if (version_ < kVersion || version_ > kScheduleVersion)
            return Fail("world file version " + std::to_string(version_) +
                        ": this library reads versions " + std::to_string(kVersion) + " to " +
                        std::to_string(kScheduleVersion));
        ReadSettings();
        if (!in_.Ok()) return Truncated();
        if (!SettingsFinite()) return Damaged("a world setting is not a finite number");
        return ReadImages() && ReadTrees() && ReadMasses() && ReadConstraints() && ReadZones() &&
               ReadRigs() && ReadBodies() && ReadLists() && ReadGrid() && ReadSleep() &&
               ReadContacts() && ReadEnd();
    }

    void ReadSettings() {
        detail::TSettingsState& s = s_.settings;
        s = {};
#define KEL_TANGLE_READ_SETTING(type, name, fallback, since, finite, get, set) \
    if (version_ >= (since)) Read(s.name);
        KEL_TANGLE_WORLD_SETTINGS(KEL_TANGLE_READ_SETTING)
#undef KEL_TANGLE_READ_SETTING
        // Not a number or not above 0: the grid of the grid size.
        if (!(s.cellSize > 0)) s.cellSize = 0;
        s.continuous = s.continuous != 0 ? 1 : 0;
        s.scheduled = s.scheduled != 0 ? 1 : 0;
    }
    void Read(float& f) { f = in_.ReadFloat(); }
    void Read(int& n) { n = in_.ReadInt(); }

    bool SettingsFinite() const {
        const detail::TSettingsState& s = s_.settings;
        bool finite = true;
#define KEL_TANGLE_CHECK_SETTING(type, name, fallback, since, isFinite, get, set) \
    if constexpr (isFinite) finite = finite && std::isfinite(static_cast<float>(s.name));
        KEL_TANGLE_WORLD_SETTINGS(KEL_TANGLE_CHECK_SETTING)
#undef KEL_TANGLE_CHECK_SETTING
        return finite;
    }

    static bool AllFinite(std::initializer_list<float> values) {
        for (float f : values) {
            if (!std::isfinite(f)) return false;
        }
        return true;
    }

    bool ReadImages() {
        int n = 0;
        if (!Count(n, kImageBytes, "pictures")) return false;
        for (int k = 0; k < n; ++k) {
            TImageHeader header;
            if (!header.Read(in_)) return Truncated();
            core::Ref<draw2d::TImage> image =
                header.Load([&](int flags) { return ReadEmbeddedImage(*in_.Stream(), flags); });
            if (!image) return Damaged("picture " + std::to_string(k) + " cannot be read");
            images_.push_back(image);
        }
        return true;
    }

    bool ReadTrees() {
        int n = 0;
        if (!Count(n, kTreeBytes, "quadtrees")) return false;
        for (int k = 0; k < n; ++k) {
            core::Ref<TQuadTree> tree = TQuadTree::Read(in_.Stream());
            if (!tree) return Damaged("quadtree " + std::to_string(k) + " cannot be read");
            trees_.push_back(tree);
        }
        return true;
    }

    bool ReadMasses() {
        int n = 0;
        if (!Count(n, kMassBytes, "masses")) return false;
        s_.masses.resize(static_cast<std::size_t>(n));
        masses_.reserve(static_cast<std::size_t>(n));
        for (detail::TMassState& m : s_.masses) {
            m.mass = core::Make<TMass>();
            masses_.push_back(m.mass);
            for (float* f : {&m.posX, &m.posY, &m.oldPosX, &m.oldPosY, &m.radius, &m.colGroup,
                             &m.weight, &m.friction})
                *f = in_.ReadFloat();
            int slot = 0;
            for (int* v : {&m.frozen, &m.gridx, &m.gridy, &m.refCounter, &m.index, &m.sleepIsland,
                           &m.stillSteps, &slot})
                *v = in_.ReadInt();
            m.stepSlot = static_cast<std::uint32_t>(slot);
            m.bullet = 0;
            if (version_ >= kContinuousVersion) m.bullet = in_.ReadInt() != 0 ? 1 : 0;
            if (!Name(m.name)) return false;
            if (!AllFinite({m.posX, m.posY, m.oldPosX, m.oldPosY, m.radius, m.weight}))
                return Damaged("a mass's place, velocity, radius or weight is not a finite number");
            if (!InGrid({m.gridx, m.gridy}, detail::TGrid::kSide))
                return Damaged("a mass names a grid cell outside the grid");
            if (m.refCounter < 0 || m.sleepIsland < -1)
                return Damaged("a mass has a negative count");
        }
        return true;
    }

    bool ReadConstraints() {
        int n = 0;
        if (!Count(n, kConstraintBytes, "constraints")) return false;
        s_.constraints.resize(static_cast<std::size_t>(n));
        for (detail::TConstraintState& c : s_.constraints) {
            c.constraint = core::Make<TConstraint>();
            constraints_.push_back(c.constraint);
        }
        for (detail::TConstraintState& c : s_.constraints) {
            if (!PickRef(masses_, false, c.m[0], "mass") ||
                !PickRef(masses_, false, c.m[1], "mass"))
                return false;
            c.restLength = in_.ReadFloat();
            c.stiffness = in_.ReadFloat();
            c.refCounter = in_.ReadInt();
            c.index = in_.ReadInt();
            for (float* f : {&c.compliance, &c.damping, &c.lambda, &c.winding})
                *f = in_.ReadFloat();
            int ring = 0;
            if (!Count(ring, 4, "ring masses")) return false;
            // Two masses make a ring only for an open skin (version 3 on).
            if (ring == 1 || (ring == 2 && version_ < kKindsVersion))
                return Damaged("a pressure ring of fewer than 3 masses");
            c.ring.resize(static_cast<std::size_t>(ring));
            for (auto& m : c.ring) {
                if (!PickRef(masses_, false, m, "mass")) return false;
            }
            c.kind = ring > 0 ? TConstraint::PRESSURE : TConstraint::DISTANCE;
            if (version_ >= kKindsVersion && !ReadKind(c)) return false;
            if (!Name(c.name)) return false;
            if (c.refCounter < 0) return Damaged("a constraint has a negative count");
            if (!AllFinite({c.restLength, c.stiffness, c.compliance, c.damping}))
                return Damaged("a constraint's length, stiffness or compliance is not a finite "
                               "number");
        }
        return true;
    }

    // A constraint's kind and parameters, which must fit its ring.
    bool ReadKind(detail::TConstraintState& c) {
        const int kind = in_.ReadInt();
        int n = 0;
        if (!Count(n, 4, "constraint parameters")) return false;
        c.params.resize(static_cast<std::size_t>(n));
        for (float& f : c.params) f = in_.ReadFloat();
        if (!in_.Ok()) return Truncated();
        if (!detail::TConstraintRecord::KnownKind(kind))
            return Damaged("a constraint of no known kind");
        c.kind = static_cast<TConstraint::Kind>(kind);
        if (!detail::TConstraintRecord::Fits(c.kind, c.ring.size(), c.params.size()))
            return Damaged("a constraint whose masses or parameters do not fit its kind");
        for (float f : c.params) {
            if (!std::isfinite(f)) return Damaged("a constraint parameter that is not a number");
        }
        if (c.kind == TConstraint::SKIN && c.params[0] != 0 && c.ring.size() < 3)
            return Damaged("a closed skin of fewer than 3 masses");
        return true;
    }

    bool ReadPoints(std::vector<float>& points) {
        int n = 0;
        if (!Count(n, 4, "zone coordinates")) return false;
        points.resize(static_cast<std::size_t>(n));
        for (float& f : points) f = in_.ReadFloat();
        return in_.Ok() || Truncated();
    }

    bool ReadZones() {
        int n = 0;
        if (!Count(n, kZoneBytes, "zones")) return false;
        s_.zones.resize(static_cast<std::size_t>(n));
        for (detail::TZoneState& z : s_.zones) {
            z.zone = core::Make<TZone>();
            z.base = z.zone.Get();
            zones_.push_back(z.zone);
            z.colGroup = in_.ReadInt();
            if (!Name(z.name) || !ReadPoints(z.origArea) || !ReadPoints(z.area)) return false;
            if (z.origArea.size() < 4 || z.origArea.size() % 2 != 0 ||
                z.area.size() != z.origArea.size())
                return Damaged("a zone's outline is not a list of at least two points");
            z.style = in_.ReadInt();
            for (float* f : {&z.friction, &z.offsetX, &z.offsetY, &z.angle, &z.scaleX, &z.scaleY,
                             &z.red, &z.green, &z.blue, &z.alpha})
                *f = in_.ReadFloat();
            z.blend = in_.ReadInt();
            if (!PickRef(trees_, true, z.quadTree, "quadtree")) return false;
            z.qtLevel = in_.ReadInt();
            if (!PickRef(images_, true, z.image, "picture")) return false;
            z.imgScaleX = in_.ReadFloat();
            z.imgScaleY = in_.ReadFloat();
            const auto finite = [](float f) { return std::isfinite(f); };
            if (!std::all_of(z.area.begin(), z.area.end(), finite) ||
                !std::all_of(z.origArea.begin(), z.origArea.end(), finite) ||
                !AllFinite({z.offsetX, z.offsetY, z.angle, z.scaleX, z.scaleY}))
                return Damaged("a zone's outline or place is not a finite number");
        }
        return in_.Ok() || Truncated();
    }

    bool ReadRigs() {
        int n = 0;
        if (!Count(n, kRigBytes, "rigs")) return false;
        s_.rigs.resize(static_cast<std::size_t>(n));
        for (detail::TRigState& r : s_.rigs) {
            r.rig = core::Make<TRig>();
            rigs_.push_back(r.rig);
            if (!PickRef(images_, true, r.image, "picture") ||
                !PickRef(masses_, true, r.mass, "mass") ||
                !PickRef(constraints_, true, r.con, "constraint"))
                return false;
            for (float* f : {&r.angle, &r.scaleX, &r.scaleY, &r.red, &r.green, &r.blue, &r.alpha})
                *f = in_.ReadFloat();
            r.blend = in_.ReadInt();
            if (!Name(r.name)) return false;
        }
        return true;
    }

    template <class T>
    bool ReadTable(detail::TBodyState::Table<T>& table, const std::vector<core::Ref<T>>& parts,
                   const char* what) {
        if (!Count(table.count, 4, "table slots")) return false;
        table.slots.resize(static_cast<std::size_t>(table.count));
        for (auto& slot : table.slots) {
            if (!PickRef(parts, true, slot, what)) return false;
        }
        return true;
    }

    bool ReadBodies() {
        int n = 0;
        if (!Count(n, kBodyBytes, "bodies")) return false;
        s_.bodies.resize(static_cast<std::size_t>(n));
        for (detail::TBodyState& b : s_.bodies) {
            const int kind = in_.ReadByte();
            if (kind == 1) {
                b.adv = core::Make<TAdvBody>();
                b.body = b.adv.Get();
            } else if (kind == 0) {
                b.body = core::Make<TBody>();
            } else {
                return in_.Ok() ? Damaged("a body of an unknown kind") : Truncated();
            }
            if (!Name(b.name)) return false;
            int count = 0;
            if (!Count(count, 4, "body constraints")) return false;
            for (int k = 0; k < count; ++k) {
                core::Ref<TConstraint> c;
                if (!PickRef(constraints_, false, c, "constraint")) return false;
                b.conList.emplace_back(c.Get());
            }
            if (b.adv &&
                !(ReadTable(b.masses, masses_, "mass") &&
                  ReadTable(b.cons, constraints_, "constraint") &&
                  ReadTable(b.images, images_, "picture") && ReadTable(b.rigs, rigs_, "rig")))
                return false;
        }
        return true;
    }

    // A module list: each of its values at most once.
    template <class T>
    bool ReadList(std::vector<core::Ref<core::Object>>& list,
                  const std::vector<core::Ref<T>>& parts, const char* what,
                  std::vector<char>& listed) {
        int n = 0;
        if (!Count(n, 4, "list entries")) return false;
        listed.assign(parts.size(), 0);
        for (int k = 0; k < n; ++k) {
            const int place = in_.ReadInt();
            T* part = nullptr;
            if (!Pick(parts, place, false, part, what)) return false;
            if (listed[static_cast<std::size_t>(place)]++)
                return Damaged(std::string("a ") + what + " is twice in its list");
            list.emplace_back(part);
        }
        return true;
    }

    bool ReadLists() {
        std::vector<char> constraintsListed, zonesListed;
        if (!(ReadList(s_.massList, masses_, "mass", massListed_) &&
              ReadList(s_.constraintList, constraints_, "constraint", constraintsListed) &&
              ReadList(s_.zoneList, zones_, "zone", zonesListed)))
            return false;
        // A constraint in the world keeps its masses in the world.
        std::unordered_set<const TMass*> inWorld;
        for (const auto& o : s_.massList) inWorld.insert(static_cast<const TMass*>(o.Get()));
        for (std::size_t k = 0; k < s_.constraints.size(); ++k) {
            if (!constraintsListed[k]) continue;
            const detail::TConstraintState& c = s_.constraints[k];
            bool whole = inWorld.count(c.m[0].Get()) && inWorld.count(c.m[1].Get());
            for (const auto& m : c.ring) whole = whole && inWorld.count(m.Get());
            if (!whole) return Damaged("a constraint of the world holds a mass outside it");
        }
        return true;
    }

    bool ReadGrid() {
        s_.gridStrangers = in_.ReadByte() != 0;
        int n = 0;
        if (!Count(n, version_ >= kCellSizeVersion ? 12 : 8, "grid entries")) return false;
        std::vector<char> placed(masses_.size(), 0);
        for (int k = 0; k < n; ++k) {
            const int place = in_.ReadInt();
            TMass* m = nullptr;
            if (!Pick(masses_, place, false, m, "mass")) return false;
            detail::TCellPlace at;
            if (version_ >= kCellSizeVersion) {
                at.x = in_.ReadInt();
                at.y = in_.ReadInt();
            } else {
                const int cell = in_.ReadInt();
                if (cell < 0 || cell >= detail::TGrid::kCells)
                    at = {-1, -1};
                else
                    at = {cell / detail::TGrid::kSide, cell % detail::TGrid::kSide};
            }
            if (!in_.Ok()) return Truncated();
            if (!InGrid(at, detail::TGrid::kSide)) return Damaged("a grid cell outside the grid");
            if (placed[static_cast<std::size_t>(place)]++)
                return Damaged("a mass is twice in the grid");
            s_.cellMasses.push_back(m);
            s_.cellOf.push_back(at);
        }
        // The step relies on every mass of the world standing in a cell of
        // the grid in use, once there is a grid.
        const int span = Span();
        for (const detail::TCellPlace at : s_.cellOf) {
            if (!InGrid(at, span))
                return Damaged("a mass stands in a cell outside the grid in use");
        }
        for (std::size_t k = 0; span > 0 && k < placed.size(); ++k) {
            if (massListed_[k] && !placed[k])
                return Damaged("a mass of the world stands in no cell");
        }
        return true;
    }

    // The cells in use along each axis, as TPhysics::GridSpan gives them.
    int Span() const {
        const int n = s_.settings.gridsize;
        return n < 0 ? 0 : (n > TPhysics::MAX_GRID ? TPhysics::MAX_GRID : n);
    }
    // Whether a cell lies in the grid: within denseSpan along each axis for
    // the grid of the grid size, within the bounds' cells for a cell size.
    bool InGrid(detail::TCellPlace at, int denseSpan) const {
        const detail::TSettingsState& w = s_.settings;
        int spanX = denseSpan, spanY = denseSpan;
        if (w.cellSize > 0) {
            spanX = detail::CellSpan(w.boundsMaxX - w.boundsMinX, w.cellSize);
            spanY = detail::CellSpan(w.boundsMaxY - w.boundsMinY, w.cellSize);
        }
        return at.x >= 0 && at.x < spanX && at.y >= 0 && at.y < spanY;
    }

    bool ReadSleep() {
        detail::TSleepState& sleep = s_.sleep;
        int n = 0;
        if (!Count(n, kIslandBytes, "islands")) return false;
        sleep.islands.resize(static_cast<std::size_t>(n));
        for (auto& island : sleep.islands) {
            int count = 0;
            if (!Count(count, 4, "island masses")) return false;
            island.masses.resize(static_cast<std::size_t>(count));
            for (auto& m : island.masses) {
                if (!PickRef(masses_, false, m, "mass")) return false;
            }
            if (!Count(count, 4, "island constraints")) return false;
            island.constraints.resize(static_cast<std::size_t>(count));
            for (auto& c : island.constraints) {
                if (!PickRef(constraints_, false, c, "constraint")) return false;
            }
        }
        int free = 0;
        if (!Count(free, 4, "free islands")) return false;
        for (int k = 0; k < free; ++k) {
            const int island = in_.ReadInt();
            if (!in_.Ok()) return Truncated();
            if (island < 0 || island >= n) return Damaged("a free island that is not there");
            sleep.freeIslands.push_back(island);
        }
        sleep.sleeping = in_.ReadInt();
        sleep.listsChanged = in_.ReadByte() != 0;
        sleep.zonesChanged = in_.ReadByte() != 0;
        if (!in_.Ok()) return Truncated();
        if (sleep.sleeping < 0) return Damaged("a negative count of sleeping masses");
        for (const auto& m : s_.masses) {
            if (m.sleepIsland >= n) return Damaged("a mass sleeps in an island that is not there");
        }
        return true;
    }

    bool ReadContacts() {
        auto& contacts = s_.contacts;
        contacts.on = in_.ReadByte() != 0;
        for (auto* pairs : {&contacts.previous, &contacts.begins, &contacts.ends}) {
            int n = 0;
            if (!Count(n, kPairBytes, "tracked contacts")) return false;
            pairs->resize(static_cast<std::size_t>(n));
            for (TContactChange& c : *pairs) {
                c.id = in_.ReadInt();
                if (!PickRef(masses_, false, c.mass, "mass")) return false;
                if (c.id == TColEvent::MASS_MASS) {
                    core::Ref<TMass> other;
                    if (!PickRef(masses_, false, other, "mass")) return false;
                    c.other = other.Get();
                } else if (c.id == TColEvent::MASS_ZONE) {
                    core::Ref<TZone> other;
                    if (!PickRef(zones_, false, other, "zone")) return false;
                    c.other = other.Get();
                } else if (c.id == TColEvent::MASS_BOUNDS) {
                    if (in_.ReadInt() != kNone)
                        return Damaged("a contact with the bounds names another");
                } else {
                    return Damaged("a tracked contact of an unknown kind");
                }
                c.x = in_.ReadFloat();
                c.y = in_.ReadFloat();
            }
        }
        return in_.Ok() || Truncated();
    }

    bool ReadEnd() {
        const std::string magic = in_.ReadMagic();
        if (!in_.Ok()) return Truncated();
        if (magic != kEndMagic) return Damaged("its end mark is missing");
        if (in_.BytesLeft() != 0) return Damaged("bytes follow its end mark");
        return true;
    }

    TFileReader& in_;
    TWorldState& s_;
    int version_ = kVersion;
    std::string error_;
    std::vector<core::Ref<draw2d::TImage>> images_;
    std::vector<core::Ref<TQuadTree>> trees_;
    std::vector<core::Ref<TMass>> masses_;
    std::vector<core::Ref<TConstraint>> constraints_;
    std::vector<core::Ref<TZone>> zones_;
    std::vector<core::Ref<TRig>> rigs_;
    std::vector<char> massListed_; // by place: the mass is in the world's list
};

// Keeps the mask colour that reading pictures sets.
class MaskColorScope {
  public:
    MaskColorScope() { draw2d::GetMaskColor(r_, g_, b_); }
    ~MaskColorScope() { draw2d::SetMaskColor(r_, g_, b_); }
    MaskColorScope(const MaskColorScope&) = delete;
    MaskColorScope& operator=(const MaskColorScope&) = delete;

  private:
    int r_ = 0, g_ = 0, b_ = 0;
};

} // namespace

// 0 when written and -1 when not, as the body's and the zone's Save.
int TPhysics::SaveWorld(const std::string& url, int backup, const std::vector<TBody*>& bodies) {
    TPhysics* w = currentWorld;
    return w ? w->Save(url, backup, bodies) : -1;
}

int TPhysics::Save(const std::string& url, int backup, const std::vector<TBody*>& bodies) {
    TWorldState state;
    if (!state.Capture(*this, bodies)) return -1;
    try {
        const bool written =
            SaveFileWithBackup(url, ".tnw", backup, [&](core::TStream& out, const std::string&) {
                return WorldWriter(state, out).Write();
            });
        return written ? 0 : -1;
    } catch (const std::exception&) {
        return -1;
    }
}

std::vector<unsigned char> TPhysics::SaveToMemory(const std::vector<TBody*>& bodies) {
    TWorldState state;
    if (!state.Capture(*this, bodies)) return {};
    try {
        const core::Ref<core::TMemoryStream> bytes = core::TMemoryStream::Create();
        const core::Ref<core::TStream> out = core::TXEndianStream::LittleEndian(bytes);
        if (!out || !WorldWriter(state, *out).Write()) return {};
        out->Flush();
        return bytes->Bytes();
    } catch (const std::exception&) {
        return {};
    }
}

core::Ref<TWorldSnapshot> TPhysics::LoadWorld(const std::string& url, std::string& error) {
    if (TPhysics* w = currentWorld) return w->Load(url, error);
    // One is made, but only for a file that reads.
    core::Ref<TWorldSnapshot> read = ReadWorldFile(url, error);
    if (!read) return nullptr;
    return Create(0, 0, 0, 0, 0)->Apply(read, error);
}

core::Ref<TWorldSnapshot> TPhysics::Load(const std::string& url, std::string& error) {
    if (!Loadable(error)) return nullptr;
    core::Ref<TWorldSnapshot> read = ReadWorldFile(url, error);
    return read ? Apply(read, error) : nullptr;
}

core::Ref<TWorldSnapshot> TPhysics::LoadFromMemory(const std::vector<unsigned char>& bytes,
                                                   std::string& error) {
    if (!Loadable(error)) return nullptr;
    core::Ref<TWorldSnapshot> snapshot = core::Make<TWorldSnapshot>();
    try {
        std::unique_ptr<TFileReader> in =
            TFileReader::Over(core::TXEndianStream::LittleEndian(core::TMemoryStream::Create(bytes)));
        const MaskColorScope mask;
        if (!in || !WorldReader(*in, snapshot->State()).Read(error)) return nullptr;
    } catch (const std::exception&) {
        error = "world file in memory cannot be read";
        return nullptr;
    }
    return Apply(snapshot, error);
}

core::Ref<TWorldSnapshot> TPhysics::ReadWorldFile(const std::string& url, std::string& error) {
    error.clear();
    core::Ref<TWorldSnapshot> snapshot = core::Make<TWorldSnapshot>();
    try {
        const std::string path = core::FullPath(url);
        std::unique_ptr<TFileReader> in =
            core::PathKind(path) == 1 ? TFileReader::Open(path) : nullptr;
        if (!in) {
            error = "no readable world file at " + url;
            return nullptr;
        }
        const MaskColorScope mask;
        if (!WorldReader(*in, snapshot->State()).Read(error)) return nullptr;
    } catch (const std::exception&) {
        error = "world file cannot be read: " + url;
        return nullptr;
    }
    return snapshot;
}

bool TPhysics::Loadable(std::string& error) const {
    error.clear();
    if (!detail::TStepAccess::Of(*this).Stepping()) return true;
    error = "a world cannot be loaded from inside a step";
    return false;
}

core::Ref<TWorldSnapshot> TPhysics::Apply(const core::Ref<TWorldSnapshot>& read,
                                          std::string& error) {
    if (!Loadable(error)) return nullptr; // a hook of the read may have begun a step
    if (!masses_) {
        // A freed world gets lists again, as a new world would.
        masses_ = core::CreateList();
        constraints_ = core::CreateList();
        zones_ = core::CreateList();
        if (IsCurrent()) {
            massList = masses_;
            constraintList = constraints_;
            zoneList = zones_;
        }
    }
    read->State().Apply(*this);
    return read;
}

core::Ref<TWorldSnapshot> TPhysics::LoadWorld(const std::string& url) {
    std::string error;
    return LoadWorld(url, error);
}

} // namespace kel::tangle
