#include "graphics/editor_exchange.h"

#include "plug/IPlugBase.h"

namespace {
// Edits of one work pass: a drag delivers a few dozen; more only grows the list (on the
// editor thread, never under the plug-in lock).
const size_t kQueueRoom = 512;
}  // namespace

EditorExchange::EditorExchange() {}

void EditorExchange::Prepare(int paramCount) {
  const size_t n = paramCount > 0 ? static_cast<size_t>(paramCount) : 0;
  mQueue.reserve(kQueueRoom);
  mTakenIndex.reserve(n);
  mTakenValue.reserve(n);
  if (mShownValue.size() == n) return;
  mShownText.assign(n, Text());
  for (Text& t : mShownText) t.text[0] = 0;
  mFormattedValue.assign(n, 0.0);
  mFormatted.assign(n, 0);
  mShownValue.assign(n, 0.0);
  mExchanged.assign(n, 0);
  mPushedValue.assign(n, 0.0);
  mPushed.assign(n, 0);
}

void EditorExchange::NoteHostValue(int index, double normalized) {
  if (index < 0 || static_cast<size_t>(index) >= mPushed.size()) return;
  mPushedValue[static_cast<size_t>(index)] = normalized;
  mPushed[static_cast<size_t>(index)] = 1;
}

bool EditorExchange::HasPushed() const {
  for (char pushed : mPushed) {
    if (pushed) return true;
  }
  return false;
}

void EditorExchange::Queue(ChangeKind kind, int index, double value) {
  mQueue.push_back(Change{kind, index, value});
}

void EditorExchange::Exchange(IPlugBase* plug) {
  if (!plug) {
    mQueue.clear();
    return;
  }
  for (const Change& change : mQueue) {
    switch (change.kind) {
      case kBeginEdit:
        plug->HostBeginParamEdit(change.index);
        break;
      case kBeginEditOnce:
        plug->HostBeginParamEditOnce(change.index);
        break;
      case kSetValue:
        plug->SetParamFromEditor(change.index, change.value);
        // The control already shows its own value; an older host value must not undo it.
        if (change.index >= 0 && static_cast<size_t>(change.index) < mPushed.size()) {
          mPushed[static_cast<size_t>(change.index)] = 0;
          DropTaken(change.index);
        }
        break;
      case kEndEdit:
        plug->HostEndParamEdit(change.index);
        break;
      case kEndEditSoon:
        plug->EndParamEditSoon(change.index);
        break;
    }
  }
  mQueue.clear();

  // Values taken earlier but not applied yet (a host call drew the editor in between) stay;
  // a newer value of the same parameter replaces its entry, so the lists never outgrow the
  // parameter count they were sized for.
  for (size_t i = 0; i < mPushed.size(); ++i) {
    if (!mPushed[i]) continue;
    mPushed[i] = 0;
    DropTaken(static_cast<int>(i));
    mTakenIndex.push_back(static_cast<int>(i));
    mTakenValue.push_back(mPushedValue[i]);
  }
  for (size_t i = 0; i < mShownValue.size(); ++i) {
    const IParam* param = plug->ParamAt(static_cast<int>(i));
    if (!param) continue;
    mShownValue[i] = param->current;
    mExchanged[i] = 1;
  }
}

void EditorExchange::DropTaken(int index) {
  for (size_t t = 0; t < mTakenIndex.size(); ++t) {
    if (mTakenIndex[t] != index) continue;
    mTakenIndex.erase(mTakenIndex.begin() + static_cast<long>(t));
    mTakenValue.erase(mTakenValue.begin() + static_cast<long>(t));
    return;
  }
}

void EditorExchange::ClearTaken() {
  mTakenIndex.clear();
  mTakenValue.clear();
}

bool EditorExchange::FormatTexts(IPlugBase* plug) {
  if (!plug) return false;
  bool changed = false;
  for (size_t i = 0; i < mShownValue.size(); ++i) {
    if (!mExchanged[i]) continue;
    // Compared bit for bit: a NaN never equals itself and would be formatted every time,
    // which is harmless.
    if (mFormatted[i] && mFormattedValue[i] == mShownValue[i]) continue;
    const IParam* param = plug->ParamAt(static_cast<int>(i));
    if (!param) continue;
    param->FormatForHost(mShownValue[i], false, mShownText[i].text, IParam::kFormatBufferSize);
    mFormattedValue[i] = mShownValue[i];
    mFormatted[i] = 1;
    changed = true;
  }
  return changed;
}

bool EditorExchange::ShownValue(int index, double* value) const {
  if (index < 0 || static_cast<size_t>(index) >= mExchanged.size()) return false;
  if (!mExchanged[static_cast<size_t>(index)]) return false;
  if (value) *value = mShownValue[static_cast<size_t>(index)];
  return true;
}

const char* EditorExchange::ShownText(int index) const {
  if (index < 0 || static_cast<size_t>(index) >= mFormatted.size()) return "";
  if (!mFormatted[static_cast<size_t>(index)]) return "";
  return mShownText[static_cast<size_t>(index)].text;
}
