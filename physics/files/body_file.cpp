// Body files (.tnb): Load, Save and Copy of a TAdvBody.
//
// Layout, little-endian: magic "B113"; name line; the mass, constraint, image
// and rig tables, each as its count, one record per filled slot (starting
// with the slot number) and -1; the embed flag byte sits before the image
// table from version 111 on. Version 112 adds to each constraint record its
// compliance and its ring (pressure). Version 113 adds its kind and its
// parameters (angles, shapes and skins). A body is written in the oldest version
// that holds it ("B111" without compliance and rings, "B112" without angles,
// shapes and skins), so that it stays readable where the newer one is not known.
// "BODY" (103), "B110", "B111" and "B112" files are read too.
//
// A number that the setters would refuse (NaN or an infinity) in a mass or
// a constraint makes the file damaged. A rig's angle, scale and alpha only
// change how its picture is drawn, and older versions of the library took
// any value there: such a value is passed over, leaving the rig's default.

#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "core/filesys.h"
#include "graphics/image.h"
#include "physics/advbody.h"
#include "physics/constraints/constraint_record.h"
#include "physics/files/file_io.h"

namespace kel::tangle {

namespace {

constexpr const char* kMagic = "B113";
// The version before angles, shapes and skins.
constexpr const char* kMagicWithoutKinds = "B112";
// The version before compliance and pressure.
constexpr const char* kMagicWithoutRings = "B111";
constexpr int kTerminator = -1;
// A table may have more slots than its file has bytes (a body saved with gaps
// left by removed parts), up to this many; beyond it every slot must be paid
// for by at least one byte of the file, so a damaged count cannot make the
// loader allocate much more than the file could describe.
constexpr int kFreeSlots = 4096;

int VersionOf(const std::string& magic) {
    if (magic == "BODY") return 103;
    int version = 0;
    for (char c : magic.substr(1)) {
        if (c < '0' || c > '9') break;
        version = version * 10 + (c - '0');
    }
    return version;
}

std::string SeparateImagePath(const std::string& bodyPath, int slot) {
    return core::PathWithoutExt(bodyPath) + "_img" + std::to_string(slot) + ".png";
}

// Gives a loaded or copied body's negative groups fresh automatic groups in
// the same pattern: masses that shared a group share a new one.
class GroupRemap {
  public:
    // old: the group the mass had in the file or the source body.
    void Apply(TMass& m, int old) {
        if (old >= 0) return;
        for (const auto& [from, to] : pairs_) {
            if (from == old) {
                m.SetColGroup(to);
                return;
            }
        }
        m.SetColGroup(-1);
        pairs_.emplace_back(old, m.GetColGroup());
    }

  private:
    std::vector<std::pair<int, int>> pairs_;
};

// A load that fails takes back what it changed outside the body: the mask
// colour and the automatic group counter.
class LoadSideEffects {
  public:
    LoadSideEffects() : group_(nextColGroup) { draw2d::GetMaskColor(r_, g_, b_); }
    ~LoadSideEffects() {
        if (kept_) return;
        draw2d::SetMaskColor(r_, g_, b_);
        nextColGroup = group_;
    }
    void Keep() { kept_ = true; }

  private:
    int r_ = 0, g_ = 0, b_ = 0;
    int group_;
    bool kept_ = false;
};

// Reads one body file; any damage makes Read give none.
class BodyReader {
  public:
    BodyReader(TFileReader& in, std::string path) : in_(in), path_(std::move(path)) {}

    core::Ref<TAdvBody> Read() {
        const std::string magic = in_.ReadMagic();
        if (!in_.Ok() || magic[0] != 'B') return nullptr;
        version_ = VersionOf(magic);
        body_ = core::Make<TAdvBody>();
        body_->SetName(in_.ReadLine());
        if (!ReadTable(body_->masses, &BodyReader::ReadMass)) return nullptr;
        if (!ReadTable(body_->cons, &BodyReader::ReadConstraint)) return nullptr;
        embed_ = version_ >= 111 ? in_.ReadByte() : 0;
        if (!ReadTable(body_->images, &BodyReader::ReadImage)) return nullptr;
        if (!ReadTable(body_->rigs, &BodyReader::ReadRig)) return nullptr;
        return in_.Ok() ? body_ : nullptr;
    }

  private:
    // The count, then records until the terminator. Each record reads at
    // least its slot number, so a file that ends stops the loop.
    template <class T> bool ReadTable(TIndexTable<T>& table, bool (BodyReader::*record)(int)) {
        const int count = in_.ReadInt();
        if (!in_.Ok() || count < 0 || (count > kFreeSlots && !in_.Fits(count, 1))) return false;
        table.Reset(count);
        for (int slot = in_.ReadInt(); slot != kTerminator; slot = in_.ReadInt()) {
            if (!in_.Ok() || slot < 0 || slot >= count) return false;
            if (!(this->*record)(slot) || !in_.Ok()) return false;
        }
        return in_.Ok();
    }

    bool ReadMass(int slot) {
        const float x = in_.ReadFloat(), y = in_.ReadFloat();
        const float mass = in_.ReadFloat(), radius = in_.ReadFloat();
        const float friction = in_.ReadFloat();
        const int group = in_.ReadInt();
        core::Ref<TMass> m = TMass::Create(x, y, mass, radius, friction, group);
        if (!m) return false;
        remap_.Apply(*m, group);
        m->SetName(in_.ReadLine());
        if (in_.ReadByte() != 0) m->Freeze();
        const float vx = in_.ReadFloat(), vy = in_.ReadFloat();
        // A frozen mass stays at rest, but its velocity must still be a number.
        if (m->SetVelocity(vx, vy) != 0) return false;
        body_->masses.Put(slot, m);
        return true;
    }

    bool ReadConstraint(int slot) {
        detail::TConstraintRecord r;
        TMass* first = body_->masses.Get(in_.ReadInt());
        TMass* second = body_->masses.Get(in_.ReadInt());
        r.restLength = in_.ReadFloat();
        r.stiffness = in_.ReadFloat();
        r.name = in_.ReadLine();
        if (version_ >= 112 && !ReadMaterial(r)) return false;
        if (version_ >= 113 && !ReadKind(r)) return false;
        if (!first || !second) return false;
        if (r.masses.empty()) {
            r.masses = {first, second};
        } else {
            if (r.kind == TConstraint::DISTANCE) r.kind = TConstraint::PRESSURE; // version 112
            // The record's two masses are the ring's first two.
            if (first != r.masses[0] || second != r.masses[1]) return false;
        }
        core::Ref<TConstraint> c = r.Make();
        // A mass named twice, parts that do not fit the kind, or a number
        // that is not finite.
        if (!c) return false;
        body_->cons.Put(slot, c);
        return true;
    }

    // The compliance and damping ratio, then the ring: its count (0 for a
    // distance constraint, else at least 3) and a filled mass slot each.
    bool ReadMaterial(detail::TConstraintRecord& r) {
        r.compliance = in_.ReadFloat();
        r.damping = in_.ReadFloat();
        const int count = in_.ReadInt();
        // Two masses make a ring only for an open skin (version 113 on).
        if (!in_.Ok() || count < 0 || count == 1 || (count == 2 && version_ < 113) ||
            !in_.Fits(count, 4))
            return false;
        r.masses.reserve(static_cast<std::size_t>(count));
        for (int k = 0; k < count; ++k) {
            TMass* m = body_->masses.Get(in_.ReadInt());
            if (!in_.Ok() || !m) return false;
            r.masses.push_back(m);
        }
        return true;
    }

    // The kind, then the count of parameters and each of them.
    bool ReadKind(detail::TConstraintRecord& r) {
        const int kind = in_.ReadInt();
        const int count = in_.ReadInt();
        if (!in_.Ok() || !detail::TConstraintRecord::KnownKind(kind) || count < 0 ||
            !in_.Fits(count, 4))
            return false;
        r.kind = static_cast<TConstraint::Kind>(kind);
        r.params.resize(static_cast<std::size_t>(count));
        for (float& f : r.params) f = in_.ReadFloat();
        return in_.Ok();
    }

    bool ReadImage(int slot) {
        TImageHeader header;
        if (!header.Read(in_)) return false;
        core::Ref<draw2d::TImage> image = header.Load([&](int flags) {
            return embed_ ? ReadEmbeddedImage(*in_.Stream(), flags)
                          : ReadSeparateImage(SeparateImagePath(path_, slot), flags);
        });
        if (!image) return false;
        body_->images.Put(slot, image);
        return true;
    }

    bool ReadRig(int slot) {
        draw2d::TImage* image = body_->images.Get(in_.ReadInt());
        TMass* mass = body_->masses.Get(in_.ReadInt());
        const int conSlot = in_.ReadInt();
        TConstraint* con = conSlot < 0 ? nullptr : body_->cons.Get(conSlot);
        core::Ref<TRig> rig = TRig::Create(image, mass, con, 0);
        rig->SetAngle(in_.ReadFloat());
        if (version_ >= 110) {
            const float sx = in_.ReadFloat(), sy = in_.ReadFloat();
            const int r = in_.ReadByte(), g = in_.ReadByte(), b = in_.ReadByte();
            const float alpha = in_.ReadFloat();
            const int blend = in_.ReadByte();
            rig->SetScale(sx, sy);
            rig->SetColor(r, g, b);
            rig->SetAlpha(alpha);
            rig->SetBlend(blend);
        }
        rig->SetName(in_.ReadLine());
        if (!image || !mass || (conSlot >= 0 && !con)) return false;
        body_->rigs.Put(slot, rig);
        return true;
    }

    TFileReader& in_;
    std::string path_;
    int version_ = 0;
    int embed_ = 0;
    core::Ref<TAdvBody> body_;
    GroupRemap remap_;
};

// The format ends a line at LF and a NUL: inside a name they would cut the
// record, so they are written as spaces.
std::string LineSafe(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\0') c = ' ';
    }
    return text;
}

// Writes one body; any failure makes Write give false.
class BodyWriter {
  public:
    BodyWriter(const TAdvBody& body, core::TStream& out, std::string path, bool embed)
        : body_(body), out_(out), path_(std::move(path)), embed_(embed), material_(UsesMaterial()),
          kinds_(UsesKinds()) {}

    bool Write() {
        out_.WriteString(kinds_ ? kMagic : material_ ? kMagicWithoutKinds : kMagicWithoutRings);
        Line(body_.GetName());
        WriteTable(body_.masses, &BodyWriter::WriteMass);
        WriteTable(body_.cons, &BodyWriter::WriteConstraint);
        out_.WriteByte(embed_ ? 1 : 0);
        WriteTable(body_.images, &BodyWriter::WriteImage);
        WriteTable(body_.rigs, &BodyWriter::WriteRig);
        return ok_;
    }

  private:
    bool UsesMaterial() const {
        bool uses = false;
        body_.cons.ForEach([&](int, TConstraint* c) {
            uses = uses || c->IsPressure() || c->GetCompliance() >= 0;
        });
        return uses;
    }
    bool UsesKinds() const {
        bool uses = false;
        body_.cons.ForEach([&](int, TConstraint* c) {
            uses = uses || detail::TConstraintRecord::NewKind(c->GetKind());
        });
        return uses;
    }

    template <class T>
    void WriteTable(const TIndexTable<T>& table, void (BodyWriter::*record)(int, T*)) {
        out_.WriteInt(table.count);
        table.ForEach([&](int slot, T* part) {
            if (ok_) (this->*record)(slot, part);
        });
        out_.WriteInt(kTerminator);
    }

    void Line(const std::string& text) {
        if (out_.WriteLine(LineSafe(text)) != 1) ok_ = false;
    }

    // A part that is not where its own index says in this body cannot be
    // named in the file (it came from another body): it is left out, and
    // with it what refers to it.
    template <class T> static bool Held(const TIndexTable<T>& table, const T* part) {
        return part && table.Get(part->index) == part;
    }
    bool Writable(const TConstraint* c) const {
        if (!Held(body_.cons, c)) return false;
        bool held = true;
        c->ForEachMass([&](const TMass* m) { held = held && Held(body_.masses, m); });
        return held;
    }

    void WriteMass(int, TMass* m) {
        if (!Held(body_.masses, m)) return;
        out_.WriteInt(m->index);
        out_.WriteFloat(m->GetX());
        out_.WriteFloat(m->GetY());
        out_.WriteFloat(m->GetMass());
        out_.WriteFloat(m->GetRadius());
        out_.WriteFloat(m->friction);
        out_.WriteInt(m->GetColGroup());
        Line(m->GetName());
        out_.WriteByte(m->IsFrozen() ? 1 : 0);
        out_.WriteFloat(m->GetVX());
        out_.WriteFloat(m->GetVY());
    }

    void WriteConstraint(int, TConstraint* c) {
        if (!Writable(c)) return;
        out_.WriteInt(c->index);
        out_.WriteInt(c->GetMass1()->index);
        out_.WriteInt(c->GetMass2()->index);
        out_.WriteFloat(c->GetRestLength());
        out_.WriteFloat(c->GetStiffness());
        Line(c->GetName());
        if (!material_ && !kinds_) return;
        const detail::TConstraintRecord r = detail::TConstraintRecord::Of(*c);
        out_.WriteFloat(r.compliance);
        out_.WriteFloat(r.damping);
        out_.WriteInt(c->GetRingSize());
        for (int k = 0; k < c->GetRingSize(); ++k) out_.WriteInt(c->GetRingMass(k)->index);
        if (!kinds_) return;
        out_.WriteInt(static_cast<int>(r.kind));
        out_.WriteInt(static_cast<int>(r.params.size()));
        for (float f : r.params) out_.WriteFloat(f);
    }

    void WriteImage(int slot, draw2d::TImage* image) {
        out_.WriteInt(slot);
        TImageHeader::Of(*image).Write(out_);
        const bool written = embed_ ? WriteEmbeddedImage(out_, image)
                                    : WriteSeparateImage(SeparateImagePath(path_, slot), image);
        if (!written) ok_ = false;
    }

    void WriteRig(int slot, TRig* rig) {
        const int image = body_.images.Find(rig->image);
        if (image < 0 || !Held(body_.masses, rig->mass.Get())) return;
        if (rig->con && !Writable(rig->con)) return;
        out_.WriteInt(slot);
        out_.WriteInt(image);
        out_.WriteInt(rig->mass->index);
        out_.WriteInt(rig->con ? rig->con->index : -1);
        out_.WriteFloat(rig->angle);
        out_.WriteFloat(rig->scaleX);
        out_.WriteFloat(rig->scaleY);
        int r = 0, g = 0, b = 0;
        rig->GetColor(r, g, b);
        out_.WriteByte(r);
        out_.WriteByte(g);
        out_.WriteByte(b);
        out_.WriteFloat(rig->alpha);
        out_.WriteByte(rig->blend);
        Line(rig->GetName());
    }

    const TAdvBody& body_;
    core::TStream& out_;
    std::string path_;
    bool embed_;
    bool material_; // version 112: constraints carry compliance and rings
    bool kinds_;    // version 113: and their kinds and parameters
    bool ok_ = true;
};

} // namespace

core::Ref<TAdvBody> TAdvBody::Load(const std::string& url, int activate) {
    try {
        const std::string path = core::FullPath(url);
        if (core::PathKind(path) != 1) return nullptr;
        std::unique_ptr<TFileReader> in = TFileReader::Open(path);
        if (!in) return nullptr;
        LoadSideEffects effects;
        core::Ref<TAdvBody> body = BodyReader(*in, path).Read();
        if (!body) return nullptr;
        effects.Keep();
        if (activate) body->Activate();
        return body;
    } catch (const std::exception&) {
        return nullptr; // an unreadable file, or one beyond memory
    }
}

int TAdvBody::Save(const std::string& url, int backup, int embed) const {
    const bool written =
        SaveFileWithBackup(url, ".tnb", backup, [&](core::TStream& out, const std::string& target) {
            return BodyWriter(*this, out, target, embed != 0).Write();
        });
    return written ? 0 : -1;
}

core::Ref<TAdvBody> TAdvBody::Copy() const {
    core::Ref<TAdvBody> copy = core::Make<TAdvBody>();
    copy->SetName(GetName());
    copy->masses.Reset(mIndex);
    copy->cons.Reset(cIndex);
    copy->images.Reset(iIndex);
    copy->rigs.Reset(rIndex);

    GroupRemap remap;
    masses.ForEach([&](int i, TMass* m) {
        core::Ref<TMass> twin = m->Copy();
        remap.Apply(*twin, m->GetColGroup());
        copy->masses.Put(i, twin);
    });
    cons.ForEach([&](int i, TConstraint* c) {
        detail::TConstraintRecord r = detail::TConstraintRecord::Of(*c);
        for (TMass*& m : r.masses) m = copy->MassGet(IndexOf(m));
        core::Ref<TConstraint> twin = r.Make();
        if (twin) copy->cons.Put(i, twin); // none: its masses are not in this body's table
    });
    images.ForEach([&](int i, draw2d::TImage* image) { copy->images.Put(i, image); });
    rigs.ForEach([&](int i, TRig* r) {
        TMass* mass = r->mass ? copy->MassGet(r->mass->index) : nullptr;
        TConstraint* con = r->con ? copy->ConGet(r->con->index) : nullptr;
        core::Ref<TRig> twin = TRig::Create(r->image, mass, con, 0);
        // A copy draws as the original does, whatever was written into its
        // fields: the setters would refuse a value that is not finite.
        twin->angle = r->angle;
        twin->scaleX = r->scaleX;
        twin->scaleY = r->scaleY;
        twin->alpha = r->alpha;
        copy->rigs.Put(i, twin);
        int red = 0, green = 0, blue = 0;
        r->GetColor(red, green, blue);
        copy->RigSetName(i, r->GetName());
        copy->RigSetColor(i, red, green, blue);
        copy->RigSetBlend(i, r->blend);
    });
    return copy;
}

} // namespace kel::tangle
