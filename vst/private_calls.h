// Calls of our own that a host can make through effVendorSpecific, beyond the ones every
// plug-in of this framework answers. Our tools (quelora-host) use them; a host that does
// not know them never sends them.
//
// The index values are four-character codes of ours. They cannot collide with the indices
// the dispatcher already answers (7, 8 and 27, which are opcode numbers, and the
// host-wheel code 'stCA'), nor with any small opcode number, since their first character
// is a letter (0x41 or more in the top byte).
#pragma once

#include "vst/aeffect.h"

// Off-screen picture of the whole editor (for screenshots; no window is needed).
//   index = kRenderEditorCall
//   opt   = the scale factor to draw at; 0 (what a host not knowing scales sends): the
//           editor's current scale, whose size effEditGetRect reports
//   ptr   = a buffer of width x height x 4 bytes, where width and height are those of the
//           editor at that scale: round(1x size x scale), or at scale 0 those of the
//           rectangle effEditGetRect reports
//   value = the size of that buffer in bytes; it must match exactly
// Under the plug-in lock every control is marked dirty, the whole editor is painted at that
// scale (into a bitmap of its own when it is not the editor's scale; an open window is
// then redrawn) and the pixels are copied row by row, top row first, four bytes per pixel
// in the order B, G, R, A. Answers kRenderEditorDone on success; 0 (and the buffer
// untouched) without an editor, for a size that does not match or a scale that is not
// finite or negative. With a null ptr and a scale > 0 nothing is drawn: the answer is the
// picture's size at that scale, width << 16 | height (0 without an editor).
// Threading: the host's user-interface thread, like every dispatcher call.
constexpr VstInt32 kRenderEditorCall = FourCharCode('Q', 'l', 'S', 'h');
constexpr VstIntPtr kRenderEditorDone = 0xBEEF;
