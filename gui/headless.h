#pragma once
// The headless back end: gadgets keep their state and layout but have no
// native windows; canvases draw through the recording drawing back end.
// Choose it with UseHeadlessDriver() before the first gadget or timer. Input
// is fed with the gadgets' Report* functions or the helpers below.

#include <optional>
#include <string>
#include <vector>

#include "gui/gadget.h"

namespace gui::headless {

/// Screen size of the desktop gadget (1280 x 1024 unless set before the
/// desktop is first used).
void SetDesktopSize(int w, int h);

/// A press and release of `button` at canvas pixel (x, y), with a move there first.
void Click(TGadget* gadget, int x, int y, int button = 1);

/// Buffer swaps the canvas's surface has done.
int SwapCount(TGadget* canvas);

/// One message that Notify gave the user.
struct Notice {
    /// The message.
    std::string text;
    /// Notify's `serious`: nonzero for an error.
    int serious = 0;
};
/// What Notify has told the user so far, oldest first: headless, it is kept
/// here instead of shown.
const std::vector<Notice>& Notices();

/// The answer the next Request gets (nullopt: the user cancels); answers
/// queue up in order. Without one, a Request is cancelled.
void AnswerRequest(std::optional<std::string> answer);

} // namespace gui::headless
