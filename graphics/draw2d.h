#pragma once
// The 2D graphics subsystem: the drawing surface and its back-end interface,
// the recording back end, pixmaps, images and PNG. Nothing here needs a
// display; the OpenGL back end is graphics/draw2d_gl.h.

#include "graphics/driver.h"
#include "graphics/graphics.h"
#include "graphics/image.h"
#include "graphics/image_frame.h"
#include "graphics/pixel_format.h"
#include "graphics/pixmap.h"
#include "graphics/pixmap_loader.h"
#include "graphics/pixmap_source.h"
#include "graphics/pointer.h"
#include "graphics/recording_driver.h"
#include "graphics/surface.h"
