#pragma once
// Point-in-polygon by quadrant counting: the winding of a polygon's vertices
// around a point. Shared by a zone's contact test (mass centre) and its
// quadtree's cover test (box corner), which must agree on what is inside.

namespace kel::tangle {

class TWinding {
  public:
    // Quadrant of (vx, vy) around the point: 1 up-left, 2 up-right,
    // 3 down-right, 4 down-left (y grows downwards; ties go right / down).
    static int Quadrant(float vx, float vy, float cx, float cy) {
        if (vy < cy) return vx < cx ? 1 : 2;
        return vx < cx ? 4 : 3;
    }

    TWinding(float cx, float cy) : cx_(cx), cy_(cy) {}

    // The walk starts at the polygon's last vertex.
    void Start(float px, float py) { quad_ = Quadrant(px, py, cx_, cy_); }

    // Adds the edge P -> Q.
    void Step(float px, float py, float qx, float qy) {
        const int q = Quadrant(qx, qy, cx_, cy_);
        int delta = q - quad_;
        if (delta == 3) {
            delta = -1;
        } else if (delta == -3) {
            delta = 1;
        } else if (delta == 2 || delta == -2) {
            // A diagonal jump: P and Q lie on opposite sides of the horizontal
            // through the point, so py != qy and the edge crosses that line.
            const float xint = qx - (qy - cy_) * (px - qx) / (py - qy);
            if (!(xint >= cx_)) delta = -delta;
        }
        sum_ += delta;
        quad_ = q;
    }

    bool Inside() const { return sum_ == 4 || sum_ == -4; }

    // Whole-polygon test over x, y pairs.
    static bool Contains(const float* xy, int vertexCount, float cx, float cy) {
        if (vertexCount < 1) return false;
        TWinding w(cx, cy);
        float px = xy[2 * (vertexCount - 1)], py = xy[2 * (vertexCount - 1) + 1];
        w.Start(px, py);
        for (int k = 0; k < vertexCount; ++k) {
            const float qx = xy[2 * k], qy = xy[2 * k + 1];
            w.Step(px, py, qx, qy);
            px = qx;
            py = qy;
        }
        return w.Inside();
    }

  private:
    float cx_, cy_;
    int quad_ = 0;
    int sum_ = 0;
};

} // namespace kel::tangle
