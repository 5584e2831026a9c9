#pragma once
// The 2D graphics subsystem: the drawing surface and its back ends (OpenGL,
// recording), offscreen surfaces, pixmaps, images and PNG.

#include "graphics/driver.h"
#include "graphics/gl_driver.h"
#include "graphics/graphics.h"
#include "graphics/image.h"
#include "graphics/image_frame.h"
#include "graphics/offscreen_surface.h"
#include "graphics/pixel_format.h"
#include "graphics/pixmap.h"
#include "graphics/pixmap_loader.h"
#include "graphics/pixmap_source.h"
#include "graphics/recording_driver.h"
#include "graphics/surface.h"
