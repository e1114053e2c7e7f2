#include "graphics/url_control.h"

#include <cstring>

#include "graphics/IGraphics.h"

namespace {
void CopyText(char* dest, size_t size, const char* text) {
  std::memset(dest, 0, size);
  if (text) std::strncpy(dest, text, size - 1);
}
}  // namespace

IURLControl::IURLControl(IPlugBase* owner, const IRECT* rect, const char* url,
                         const char* backupUrl, const char* caption)
    : IControl(owner, rect ? *rect : IRECT()) {
  CopyText(mURL, sizeof(mURL), url);
  CopyText(mBackupURL, sizeof(mBackupURL), backupUrl);
  CopyText(mCaption, sizeof(mCaption), caption);
}

void IURLControl::HandlePress(int x, int y, const IMouseMod* mod) {
  (void)x;
  (void)y;
  (void)mod;
  IGraphics* graphics = Graphics();
  if (!graphics || !mURL[0]) return;
  if (!graphics->OpenWebAddress(mURL, mCaption, nullptr, nullptr) && mBackupURL[0]) {
    graphics->OpenWebAddress(mBackupURL, mCaption, nullptr, nullptr);
  }
}
