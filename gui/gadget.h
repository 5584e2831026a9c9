#pragma once
// Gadgets: windows, buttons, labels and canvases behind a GUI driver. TGadget
// holds the state every back end shares (rectangle, text, visibility,
// layout, mouse tracking) and turns native input into events; a back end
// derives from it and mirrors the state onto native widgets.

#include <string>

#include "core/list.h"
#include "core/object.h"

namespace draw2d {
class TGraphics;
class TSurface;
} // namespace draw2d

namespace gui {

/// Gadget classes (first argument of CreateGadget).
inline constexpr int GADGET_DESKTOP = 0;
inline constexpr int GADGET_WINDOW = 1;
inline constexpr int GADGET_BUTTON = 2;
inline constexpr int GADGET_PANEL = 3;
inline constexpr int GADGET_LABEL = 12;
inline constexpr int GADGET_CANVAS = 17;

/// Window styles.
inline constexpr int WINDOW_TITLEBAR = 1;
inline constexpr int WINDOW_RESIZABLE = 2;
inline constexpr int WINDOW_HIDDEN = 64;
inline constexpr int WINDOW_CENTER = 512;
/// Label styles.
inline constexpr int LABEL_RIGHT = 8;
inline constexpr int LABEL_CENTER = 16;

/// Activate commands.
inline constexpr int ACTIVATE_FOCUS = 0;
inline constexpr int ACTIVATE_MINIMIZE = 4;
inline constexpr int ACTIVATE_MAXIMIZE = 5;
inline constexpr int ACTIVATE_RESTORE = 6;
inline constexpr int ACTIVATE_REDRAW = 13;

/// Sensitivity bit: the gadget reports mouse events.
inline constexpr int SENSITIZE_MOUSE = 1;

/// Edge modes of SetLayout.
inline constexpr int EDGE_CENTERED = 0;
inline constexpr int EDGE_ALIGNED = 1;
inline constexpr int EDGE_RELATIVE = 2;

/// A gadget: the desktop, a window, a button, a label, a panel or a canvas (GADGET_ classes). It
/// holds the state every back end shares; see the file's notes.
class TGadget : public core::Object {
  public:
    /// A gadget of that class with no native widget yet; CreateGadget makes them.
    explicit TGadget(int gadgetClass);
    ~TGadget() override;

    TGadget* parent = nullptr;   ///< back-reference: the parent's kids own the gadget
    core::Ref<core::TList> kids; ///< child gadgets
    ///@{
    /// Position in the parent's client area, pixels.
    int xpos = 0, ypos = 0;      ///< rectangle in the parent's client area
    ///@}
    ///@{
    /// Size in pixels (a window's outer size).
    int width = 0, height = 0;
    ///@}
    std::string name;              ///< text or title
    core::Ref<core::Object> extra; ///< free for the application
    /// WINDOW_ or LABEL_ style bits.
    int style = 0;
    /// SENSITIZE_ bits.
    int sensitivity = 0;
    /// 1 when shown itself (its parents may still be hidden).
    int visible = 1;
    ///@{
    /// Edge modes of SetLayout (EDGE_ constants) for left, right, top and bottom.
    int lockl = 0, lockr = 0, lockt = 0, lockb = 0; ///< edge modes
    ///@}
    ///@{
    /// The rectangle when the layout was set.
    int lockx = 0, locky = 0, lockw = 0, lockh = 0; ///< rectangle when the layout was set
    ///@}
    ///@{
    /// The parent's client size when the layout was set.
    int lockcw = 1, lockch = 1;                     ///< parent's client size then
    ///@}
    /// Whether SetLayout has been called.
    bool layoutSet = false;
    ///@{
    /// Text colour, 0 ... 255 each.
    int textRed = 0, textGreen = 0, textBlue = 0;
    ///@}
    ///@{
    /// Last mouse position reported on this gadget, in its client pixels.
    int mouseX = 0, mouseY = 0;
    ///@}

    /// The GADGET_ class.
    int Class() const { return gadgetClass_; }
    /// Whether the gadget is a window.
    bool IsWindow() const { return gadgetClass_ == GADGET_WINDOW; }

    /// Moves and sizes the gadget (negative sizes become 0). A window reports
    /// WindowMove / WindowSize; a gadget that changes size lays out its kids.
    virtual void SetShape(int x, int y, int w, int h);
    /// Records the edge modes, the current rectangle and the parent's client
    /// size; from then on the gadget follows its parent's client size.
    void SetLayout(int left, int right, int top, int bottom);
    /// Lays out every kid that has a layout, for the current client size.
    void LayoutKids();
    /// New rectangle for a parent client size of w x h.
    void DoLayout(int w, int h);

    /// Width of the client area (a window's area for its kids), pixels.
    virtual int ClientWidth() const { return width; }
    /// Height of the client area, pixels.
    virtual int ClientHeight() const { return height; }

    /// 0 focus, 13 redraw now (a canvas emits GadgetPaint before returning),
    /// 4/5/6 minimise/maximise/restore a window.
    void Activate(int command);
    /// Sets the text (a window's title, a button's or label's text).
    void SetText(const std::string& text);
    /// The text.
    std::string GetText() const { return name; }
    /// Sets the text colour, 0 ... 255 each.
    void SetTextColor(int r, int g, int b);
    /// Shows (1) or hides (0) the gadget.
    void SetShow(int flag);
    /// Visible itself and every parent up to the desktop.
    bool VisibleInTree() const;

    /// The drawing surface's graphics of a canvas, kept by the canvas; null for
    /// other gadgets.
    virtual draw2d::TGraphics* CanvasGraphics() { return nullptr; }
    /// The native surface a canvas's graphics draws on; null for other gadgets.
    virtual draw2d::TSurface* CanvasSurface() { return nullptr; }

    /// Takes the gadget and its kids off the screen and out of their parent.
    void Free();
    /// Whether Free has run.
    bool Freed() const { return freed_; }

    /// Whether Activate(0) of a window may hand the focus to this gadget.
    virtual bool TakesFocus() const { return false; }

    /// Native input, fed by the back end (and by tests through the headless
    /// driver). Each emits its event with this gadget as the source.
    void ReportMouseDown(int button, int x, int y); ///< button 1 left, 2 right, 3 middle
    /// A button released at (x, y) (button as for ReportMouseDown).
    void ReportMouseUp(int button, int x, int y);
    /// The pointer moved to (x, y); a MouseMove when it really moved.
    void ReportMouseMove(int x, int y);
    /// The wheel turned by notches (positive away from the user) at (x, y).
    void ReportMouseWheel(int notches, int x, int y);
    /// A button was pressed: a GadgetAction.
    void ReportAction();
    /// The gadget needs drawing: a GadgetPaint.
    void ReportPaint();
    /// A window's rectangle changed (or is to change, headless): stores it,
    /// lays out the kids and then emits WindowMove / WindowSize.
    void ReportWindowShape(int x, int y, int w, int h);
    /// The user asked to close a window: a WindowClose (the window stays open).
    void ReportClose();
    /// A window became the active one: a WindowActivate.
    void ReportActivate();

    /// Mouse buttons held down on this gadget (bit 1 left, 2 right, 4 middle).
    int ButtonsHeld() const { return buttonsHeld_; }

    /// Hooks for the back end, called after the shared state changed.
    virtual void NativeShape() {}
    /// The text changed.
    virtual void NativeText() {}
    /// The text colour changed.
    virtual void NativeTextColor() {}
    /// Visibility changed.
    virtual void NativeShow() {}
    /// The gadget takes the keyboard focus.
    virtual void NativeFocus() {}
    /// A canvas is to be drawn now.
    virtual void NativeRedraw() {}
    /// A window is to be minimised, maximised or restored (ACTIVATE_ command).
    virtual void NativeWindowState(int command) { (void)command; }
    /// Destroys the native widgets of the gadget and its kids.
    virtual void NativeDestroy() {}
    /// Builds the native widget once the fields and the parent are set.
    virtual void NativeCreate() {}

  private:
    friend class TPaneGUIDriver;
    void StoreRect(int x, int y, int w, int h);
    void TakeFocus();

    int gadgetClass_;
    core::TLink* link_ = nullptr; ///< in the parent's kids
    int buttonsHeld_ = 0;
    int lastMoveX_, lastMoveY_;
    bool freed_ = false;
};

/// The gadget that has the keyboard focus, or null.
TGadget* FocusedGadget();
/// The last mouse position reported on any gadget, in that gadget's client
/// pixels, and the gadget (null before the first mouse event).
int LastMouseX();
int LastMouseY();
TGadget* LastMouseGadget();

} // namespace gui
