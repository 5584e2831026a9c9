#pragma once
// TImage: what gets drawn. Frames of equal size, each backed by a pixmap,
// with drawing flags, a mask colour and a handle. The drawable form of a
// frame is made by the current back end when first drawn, and again after
// another native context has become current.

#include <vector>

#include "core/object.h"
#include "graphics/image_frame.h"
#include "graphics/pixmap.h"
#include "graphics/pixmap_source.h"

namespace draw2d {

constexpr int IMAGE_MASKED = 1;    ///< the mask colour becomes transparent
constexpr int IMAGE_FILTERED = 2;  ///< linear filtering, else nearest pixel
constexpr int IMAGE_MIPMAPPED = 4; ///< frames carry halved levels

/// A drawable picture: one or more frames of the same size, each a pixmap with a drawable form made
/// by the back end on demand. flags are IMAGE_ bits; pixels of the mask colour become transparent
/// in a masked image; the handle is the point drawn at the position given to DrawImage.
class TImage : public core::Object {
  public:
    ///@{
    /// Size of every frame in pixels.
    int width = 0, height = 0;
    ///@}
    /// IMAGE_ bits.
    int flags = 0;
    ///@{
    /// The mask colour, 0 ... 255 each.
    int mask_r = 0, mask_g = 0, mask_b = 0;
    ///@}
    ///@{
    /// The handle in pixels from the top-left corner.
    float handle_x = 0, handle_y = 0;
    ///@}
    /// The frames' pixels, one pixmap per frame.
    std::vector<core::Ref<TPixmap>> pixmaps;
    /// The frames' drawable forms, made by the current back end.
    std::vector<core::Ref<TImageFrame>> frames;
    std::vector<int> seqs; ///< graphics sequence number of each drawable form; 0 = none

    /// The drawable form of a frame under the current graphics, made if needed;
    /// null for an index outside the image or when the back end makes none.
    virtual TImageFrame* Frame(int index);
    /// The frame's pixmap (a new RGBA one when it has none); writing drops the
    /// drawable form. Throws for an index outside the image.
    virtual core::Ref<TPixmap> Lock(int index, int read, int write);
    /// Masks a pixmap without alpha when the image is masked. Throws for an
    /// index outside the image.
    virtual void SetPixmap(int index, TPixmap* pixmap);

    /// A blank image of frameCount frames of width x height pixels. Throws for a size below 1.
    static core::Ref<TImage> Create(int width, int height, int frameCount, int flags, int maskR,
                                    int maskG, int maskB);
    /// Null when no pixmap can be had from the source.
    static core::Ref<TImage> Load(const PixmapSource& source, int flags, int maskR, int maskG,
                                  int maskB);
    /// Cells run left to right, then top to bottom; null when the pixmap has
    /// fewer than first + count cells.
    static core::Ref<TImage> LoadAnim(const PixmapSource& source, int cellWidth, int cellHeight,
                                      int first, int count, int flags, int maskR, int maskG,
                                      int maskB);

  private:
    void CheckIndex(int index) const;
};

/// flags -1: the automatic image flags. Null when nothing could be loaded.
core::Ref<TImage> LoadImage(const PixmapSource& source, int flags = -1);
core::Ref<TImage> LoadAnimImage(const PixmapSource& source, int cellWidth, int cellHeight,
                                int first, int count, int flags = -1);

/// These throw for a null image.
void SetImageHandle(TImage* image, float x, float y);
void MidHandleImage(TImage* image);
int ImageWidth(TImage* image);
int ImageHeight(TImage* image);

void AutoMidHandle(bool on);
/// -1 leaves the flags as they are.
void AutoImageFlags(int flags);
void SetMaskColor(int red, int green, int blue);
void GetMaskColor(int& red, int& green, int& blue);

} // namespace draw2d
