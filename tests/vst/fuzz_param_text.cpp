// Typed values: text a user types into a host's generic editor (effString2Parameter, and
// the host-extension call that turns text into a normalized value) or into the plug-in's
// own editor (the in-place entry's commit). Whatever the text, the parameter stays within
// its range, the host-extension answer is a terminated number within 0 ... 1, and the
// display text stays a terminated text of bounded length.
//
// Input: a parameter byte (signed: bad indices too), a path byte (bit 0 host opcode, bit 1
// host extension, bit 2 editor entry; none set means all three), then the text.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "graphics/IControl.h"
#include "graphics/IGraphics.h"
#include "tests/vst/fuzz_host.h"
#include "vst/IPlugVST.h"

namespace {

void Check(bool condition) {
  if (!condition) abort();
}

void CheckParameters(AEffect* e) {
  const IPlugVST* plug = IPlugVST::FromAEffect(e);
  for (int i = 0; i < plug->ParamCount(); ++i) {
    const IParam* p = plug->ParamAt(i);
    Check(!std::isnan(p->current) && p->current >= p->Lowest() && p->current <= p->Highest());
    char display[256];
    memset(display, 0x55, sizeof(display));
    e->dispatcher(e, effGetParamDisplay, i, 0, display, 0.f);
    Check(memchr(display, 0, IParam::kMaxTextLength + 1) != nullptr);
  }
}

// The host-extension call rewrites the host's text in place; the host's buffer holds the
// typed text and has room for the answer's 20 bytes.
void HostExtensionPath(AEffect* e, int index, const std::vector<char>& text) {
  std::vector<char> buffer(text.size() < 20 ? 20 : text.size());
  memcpy(buffer.data(), text.data(), text.size());
  const VstIntPtr answer = e->dispatcher(e, effVendorSpecific, effString2Parameter, index,
                                         buffer.data(), 0.f);
  if (answer == 0 || !text[0]) return;
  Check(memchr(buffer.data(), 0, 20) != nullptr);
  char* end = nullptr;
  const double normalized = strtod(buffer.data(), &end);
  Check(end != buffer.data() && *end == 0 && normalized >= 0.0 && normalized <= 1.0);
}

// Commits the text through the editor's entry field of the control bound to the
// parameter. False when the editor has no such control (nothing was committed).
bool EditorPath(AEffect* e, int index, const char* text) {
  IPlugVST* plug = IPlugVST::FromAEffect(e);
  IGraphics* editor = EditorOf(plug);
  IParam* param = plug->ParamAt(index);
  if (!editor || !param) return false;
  for (int i = 0; i < editor->ControlCount(); ++i) {
    IControl* control = editor->ControlAt(i);
    if (control && control->ParamIdx() == index) {
      editor->CommitEnteredText(control, param, text);
      return true;
    }
  }
  return false;
}

// The value a parameter holds, or NaN for an index the plug-in does not have.
double StoredValue(AEffect* e, int index) {
  const IParam* param = IPlugVST::FromAEffect(e)->ParamAt(index);
  return param ? param->current : std::nan("");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  SharedInstance();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2 || size > 4096) return 0;
  AEffect* e = SharedInstance();
  RestoreFactoryState(e);
  const int index = static_cast<int8_t>(data[0]);
  int paths = data[1] & 7;
  if (paths == 0) paths = 7;
  // A terminated text in a block of exactly its size, so a read past it is caught.
  std::vector<char> text(data + 2, data + size);
  text.push_back('\0');

  if (paths & 1) {
    const VstIntPtr answer = e->dispatcher(e, effString2Parameter, index, 0, text.data(), 0.f);
    Check(answer == (index >= 0 && index < e->numParams ? 1 : 0));
    CheckParameters(e);
  }
  if (paths & 2) {
    HostExtensionPath(e, index, text);
    CheckParameters(e);
  }
  if (paths & 4) {
    EditorPath(e, index, text.data());
    CheckParameters(e);
  }
  // Typed entry in the host's generic editor and in the plug-in's own editor go through one
  // rule: from the same state, the same text stores the same value.
  if ((paths & 5) == 5 && index >= 0 && index < e->numParams) {
    RestoreFactoryState(e);
    e->dispatcher(e, effString2Parameter, index, 0, text.data(), 0.f);
    const double throughHost = StoredValue(e, index);
    RestoreFactoryState(e);
    if (EditorPath(e, index, text.data())) Check(StoredValue(e, index) == throughHost);
  }
  return 0;
}
