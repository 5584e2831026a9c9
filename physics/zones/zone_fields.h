#pragma once
// The state of a zone that a copy carries and a snapshot keeps: its group,
// shape, placement, look and quadtree. One list for the zone's Copy and for
// the snapshot's zone record, which names the fields the same way.

namespace kel::tangle::detail {

template <class From, class To> void CopyZoneFields(const From& from, To& to) {
    to.colGroup = from.colGroup;
    to.name = from.name;
    to.origArea = from.origArea;
    to.area = from.area;
    to.style = from.style;
    to.friction = from.friction;
    to.offsetX = from.offsetX;
    to.offsetY = from.offsetY;
    to.angle = from.angle;
    to.scaleX = from.scaleX;
    to.scaleY = from.scaleY;
    to.red = from.red;
    to.green = from.green;
    to.blue = from.blue;
    to.alpha = from.alpha;
    to.blend = from.blend;
    to.quadTree = from.quadTree;
    to.qtLevel = from.qtLevel;
    to.image = from.image;
    to.imgScaleX = from.imgScaleX;
    to.imgScaleY = from.imgScaleY;
}

} // namespace kel::tangle::detail
