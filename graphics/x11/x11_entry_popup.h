// In-place value entry of the X11 editor: a small child window over the control that is
// either a one-line text field (numeric parameters) or a list of every display text
// (enumerated and switch parameters). Both are drawn with the raster library and the
// editor's cached fonts, light text on a dark field.
//
// The text field starts with the parameter's current display text, all selected (the
// first typed character replaces it); it accepts printable characters, BackSpace, Return /
// keypad Enter (commit) and Escape (discard). The list shows every item, the current one
// highlighted; the pointer highlights the item under it and a click commits that item;
// Up / Down / Return / Escape work as well. Items that do not fit the editor's height are
// laid out in further columns, and the list is kept inside the editor.
//
// While open, the entry holds the keyboard focus (XSetInputFocus, RevertToParent); closing
// gives the focus back to the window that had it.
//
// Threading: every call comes from the thread that owns the display connection (the editor
// thread) with the plug-in lock and the editor-work lock held (drawing uses the shared font
// cache).
#pragma once

#include <X11/Xlib.h>

#include <string>
#include <vector>

#include "graphics/graphics_types.h"
#include "graphics/x11/x11_surface.h"

class IControl;
class IGraphics;
class IParam;
class LICE_SysBitmap;

namespace x11 {

// Geometry of the entry windows at scale 1, in editor coordinates (top-left origin); at
// the editor's scale S every length is S times as long (rounded) and the text S times as
// large.
enum {
  kEntryFieldWidth = 42,
  kEntryFieldHeight = 21,
  kEntryListItemHeight = 19,
  kEntryTextSize = 12,
};

// The place of a list of count items whose longest text has longestChars characters, for
// a control centred at (cx, cy) in an editor of editorW x editorH pixels at a scale:
// columns of at most editorH / item height rows, each max(24, 8 x longest + 24) wide
// (times the scale), centred horizontally on cx with the top at cy, then moved inside the
// editor. rows / columns may be null.
IRECT ChoiceListRect(int cx, int cy, int count, int longestChars, int editorW, int editorH,
                     int* rows, int* columns, double scale = 1.0);

class X11ValueEntry {
 public:
  enum Kind { kTextField, kChoiceList };
  enum Outcome {
    kKeepOpen,      // nothing decided yet
    kCommitText,    // Text() goes to CommitEnteredText
    kCommitChoice,  // ChoiceValue() (a real value of the parameter) is taken exactly
    kDiscard,       // closed without a value
  };

  X11ValueEntry();
  ~X11ValueEntry();
  X11ValueEntry(const X11ValueEntry&) = delete;
  X11ValueEntry& operator=(const X11ValueEntry&) = delete;

  // Opens the entry for control / param over the editor window parent (whose visual and
  // depth the entry shares), at the control's rectangle in pixels and the editor's scale.
  // False when the window could not be made.
  bool Open(Display* display, Window parent, Visual* visual, int depth, IGraphics* editor,
            IControl* control, IParam* param);
  // Destroys the window and gives the focus back. Safe when not open.
  void Close();

  bool IsOpen() const { return mWindow != 0; }
  Window Handle() const { return mWindow; }
  Kind EntryKind() const { return mKind; }
  IControl* Control() const { return mControl; }
  IParam* Param() const { return mParam; }
  const std::string& Text() const { return mText; }
  double ChoiceValue() const;
  int Highlighted() const { return mHighlighted; }
  int ItemCount() const { return static_cast<int>(mItems.size()); }
  // The window's rectangle in editor coordinates.
  const IRECT& Placement() const { return mPlacement; }

  // An event whose window is Handle(); returns what the user decided.
  Outcome HandleEvent(XEvent* event);

 private:
  struct Item {
    int value;
    std::string text;
  };

  Outcome HandleKey(XKeyEvent* event);
  int ItemAt(int x, int y) const;
  // A length of the 1x geometry at the entry's scale.
  int Scaled(int length) const;
  void Redraw();
  void DrawField();
  void DrawList();

  Display* mDisplay;
  Window mWindow;
  Window mPreviousFocus;
  int mPreviousRevert;
  IGraphics* mEditor;
  IControl* mControl;
  IParam* mParam;
  Kind mKind;
  IRECT mPlacement;
  std::string mText;
  bool mAllSelected;
  std::vector<Item> mItems;
  int mHighlighted;
  int mRows;
  int mColumnWidth;
  double mScale;
  int mItemHeight;
  LICE_SysBitmap* mBitmap;
  X11Surface mSurface;
};

}  // namespace x11
