#include "physics/zone.h"

#include <algorithm>
#include <cmath>

#include "physics/zones/degmath.h"
#include "physics/step/finite.h"
#include "physics/zones/zone_fields.h"
#include "physics/mass.h"
#include "physics/world.h"

namespace kel::tangle {

void TZone::EnterWorld() {
    if (zoneList) link = zoneList->AddLast(this);
}

core::Ref<TZone> TZone::Create(std::vector<float> area, int style, float friction, int colGroup,
                               int qtLevel) {
    if (area.size() < 4 || area.size() % 2 != 0 || !detail::AllFinite(area) ||
        !detail::AllFinite(friction))
        return nullptr;
    core::Ref<TZone> z = core::Make<TZone>();
    z->name = "Zone";
    z->area = area;
    z->origArea = std::move(area);
    z->style = style;
    z->friction = Clamp01(friction);
    z->SetColGroup(colGroup);
    z->EnterWorld();
    z->CalcQuadTree(qtLevel);
    return z;
}

core::Ref<TZone> TZone::Copy() const {
    core::Ref<TZone> z = core::Make<TZone>();
    detail::CopyZoneFields(*this, *z);
    z->ColResponse = ColResponse;
    z->EnterWorld();
    return z;
}

int TZone::Free() {
    if (!link) return 0;
    core::Ref<TZone> self(this); // the list may hold the last reference
    link->Remove();
    link = nullptr;
    return 0;
}

int TZone::SetName(const std::string& text) {
    name = text;
    return 0;
}

int TZone::SetFriction(float f) {
    if (!detail::AllFinite(f)) return -1;
    friction = Clamp01(f);
    return 0;
}

int TZone::SetStyle(int s) {
    style = s;
    // The coarse test must ask a tree built for this style.
    CalcQuadTree(qtLevel);
    return 0;
}

int TZone::Position(float x, float y) {
    if (!detail::AllFinite(x, y)) return -1;
    offsetX = x;
    offsetY = y;
    return 0;
}

int TZone::Move(float dx, float dy) {
    if (!detail::AllFinite(dx, dy)) return -1;
    offsetX += dx;
    offsetY += dy;
    return 0;
}

int TZone::Rotate(float degrees) {
    if (!detail::AllFinite(degrees)) return -1;
    angle = degrees;
    UpdateArea();
    CalcQuadTree(qtLevel);
    return 0;
}

int TZone::Turn(float degrees) {
    if (!detail::AllFinite(degrees)) return -1;
    angle += degrees;
    UpdateArea();
    CalcQuadTree(qtLevel);
    return 0;
}

int TZone::SetScale(float sx, float sy) {
    if (!detail::AllFinite(sx, sy)) return -1;
    scaleX = sx;
    scaleY = sy;
    UpdateArea();
    CalcQuadTree(qtLevel);
    return 0;
}

int TZone::GetScale(float& sx, float& sy) const {
    sx = scaleX;
    sy = scaleY;
    return 0;
}

int TZone::SetColor(int r, int g, int b) {
    auto channel = [](int c) { return static_cast<float>(std::clamp(c, 0, 255) / 255.0); };
    red = channel(r);
    green = channel(g);
    blue = channel(b);
    return 0;
}

int TZone::GetColor(int& r, int& g, int& b) const {
    r = TruncToInt(static_cast<float>(red * 255.0));
    g = TruncToInt(static_cast<float>(green * 255.0));
    b = TruncToInt(static_cast<float>(blue * 255.0));
    return 0;
}

int TZone::SetAlpha(float a) {
    if (!detail::AllFinite(a)) return -1;
    alpha = a;
    return 0;
}

int TZone::SetBlend(int b) {
    blend = b;
    return 0;
}

void TZone::Transform(float x, float y, float& tx, float& ty) const {
    // A rotation after the axis scale, in polar form: a vertex at the origin
    // stays there.
    const float sx = x * scaleX, sy = y * scaleY;
    const double r = std::sqrt(static_cast<double>(sx) * sx + static_cast<double>(sy) * sy);
    const double a = DegAtan2(sy, sx) + angle;
    tx = static_cast<float>(DegCos(a) * r);
    ty = static_cast<float>(DegSin(a) * r);
}

int TZone::UpdateArea() {
    area.resize(origArea.size());
    for (std::size_t k = 0; k + 1 < origArea.size(); k += 2) {
        Transform(origArea[k], origArea[k + 1], area[k], area[k + 1]);
    }
    return 0;
}

void TZone::InsertVertex(int index, float x, float y) {
    float tx, ty;
    Transform(x, y, tx, ty);
    origArea.insert(origArea.begin() + 2 * index, {x, y});
    area.insert(area.begin() + 2 * index, {tx, ty});
    CalcQuadTree(qtLevel);
}

void TZone::RemoveVertex(int index) {
    origArea.erase(origArea.begin() + 2 * index, origArea.begin() + 2 * index + 2);
    area.erase(area.begin() + 2 * index, area.begin() + 2 * index + 2);
    CalcQuadTree(qtLevel);
}

int TZone::VertAddLast(float x, float y) {
    if (!detail::AllFinite(x, y)) return -1;
    InsertVertex(VertCount(), x, y);
    return 0;
}

int TZone::VertAddFirst(float x, float y) {
    if (!detail::AllFinite(x, y)) return -1;
    InsertVertex(0, x, y);
    return 0;
}

int TZone::VertInsert(int index, float x, float y) {
    if (!detail::AllFinite(x, y)) return -1;
    if (index >= 0 && index <= VertCount()) InsertVertex(index, x, y);
    return 0;
}

int TZone::VertRemoveLast() {
    if (VertCount() >= 3) RemoveVertex(VertCount() - 1);
    return 0;
}

int TZone::VertRemoveFirst() {
    if (VertCount() >= 3) RemoveVertex(0);
    return 0;
}

int TZone::VertRemove(int index) {
    if (VertCount() >= 3 && index >= 0 && index < VertCount()) RemoveVertex(index);
    return 0;
}

int TZone::VertPosition(int index, float x, float y) {
    if (!detail::AllFinite(x, y)) return -1;
    if (index < 0 || index >= VertCount()) return 0;
    origArea[2 * index] = x;
    origArea[2 * index + 1] = y;
    Transform(x, y, area[2 * index], area[2 * index + 1]);
    CalcQuadTree(qtLevel);
    return 0;
}

int TZone::VertGetPosition(int index, float& x, float& y) const {
    if (index < 0 || index >= VertCount()) return 0;
    x = origArea[2 * index];
    y = origArea[2 * index + 1];
    return 0;
}

float TZone::VertGetX(int index) const {
    return index >= 0 && index < VertCount() ? origArea[2 * index] : 0.0f;
}

float TZone::VertGetY(int index) const {
    return index >= 0 && index < VertCount() ? origArea[2 * index + 1] : 0.0f;
}

bool TZone::RootBox(float& x, float& y, float& w, float& h) const {
    if (area.size() < 2) return false;
    float minX = area[0], maxX = area[0], minY = area[1], maxY = area[1];
    for (std::size_t k = 2; k + 1 < area.size(); k += 2) {
        minX = std::min(minX, area[k]);
        maxX = std::max(maxX, area[k]);
        minY = std::min(minY, area[k + 1]);
        maxY = std::max(maxY, area[k + 1]);
    }
    x = minX - 1.0f;
    y = minY - 1.0f;
    w = (maxX - minX) + 2.0f;
    h = (maxY - minY) + 2.0f;
    return true;
}

int TZone::CalcQuadTree(int level) {
    qtLevel = level;
    float x, y, w, h;
    quadTree = RootBox(x, y, w, h) ? TQuadTree::Create(area, style, x, y, w, h, level) : nullptr;
    return 0;
}

core::Ref<TQuadTree> TZone::TreeToSave() const {
    if (quadTree) return quadTree;
    // A lone leaf over the root box: the file always holds a tree.
    core::Ref<TQuadTree> leaf = core::Make<TQuadTree>();
    RootBox(leaf->posX, leaf->posY, leaf->sizeX, leaf->sizeY);
    return leaf;
}

int TZone::SetColGroup(int group) {
    colGroup = group == -1 ? TakeAutoColGroup() : group;
    return 0;
}

int TZone::ImageSet(draw2d::TImage* img) {
    image = img;
    return 0;
}

int TZone::ImageSetScale(float sx, float sy) {
    if (!detail::AllFinite(sx, sy)) return -1;
    imgScaleX = sx;
    imgScaleY = sy;
    return 0;
}

int TZone::ImageGetScale(float& sx, float& sy) const {
    sx = imgScaleX;
    sy = imgScaleY;
    return 0;
}

int TZone::OverrideCollision(ResponseFunc fn) {
    ColResponse = fn ? fn : &ColDefault;
    return 0;
}

} // namespace kel::tangle
