#pragma once
// One cell of the world's collision grid.

namespace kel::tangle {

class TMass;
class TGridCell;

// A mass's place in its grid cell. Kept in the mass itself so that moving a
// mass between cells relinks two pointers and allocates nothing.
struct TGridLink {
    TMass* next = nullptr;
    TMass* prev = nullptr;
    TGridCell* cell = nullptr; // none while the mass is in no cell
};

// The masses of one cell in the order they were put there. The cell does not
// own them: a mass takes itself out when it is destroyed, and a world that
// goes away first empties its cells. Defined inline in mass.h.
class TGridCell {
  public:
    TGridCell() = default;
    TGridCell(const TGridCell&) = delete;
    TGridCell& operator=(const TGridCell&) = delete;

    TMass* First() const { return first_; }
    bool IsEmpty() const { return first_ == nullptr; }
    int Count() const;
    void Append(TMass* mass);
    void Unlink(TMass* mass);
    // Leaves every mass of the cell in no cell.
    void DetachAll();

  private:
    TMass* first_ = nullptr;
    TMass* last_ = nullptr;
};

} // namespace kel::tangle
