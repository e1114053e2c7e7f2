// An invisible area that opens a web address when clicked, falling back to a second
// address when the first cannot be opened.
//
// Threading: user-interface thread (see IControl.h).
#pragma once

#include "graphics/IControl.h"

class IURLControl : public IControl {
 public:
  // Each text may be null (empty); longer texts are cut to the field sizes.
  IURLControl(IPlugBase* owner, const IRECT* rect, const char* url, const char* backupUrl,
              const char* caption);

  bool Paint(IGraphics* graphics) override {
    (void)graphics;
    return true;
  }
  void HandlePress(int x, int y, const IMouseMod* mod) override;

  const char* Url() const { return mURL; }
  const char* BackupUrl() const { return mBackupURL; }

 protected:
  char mURL[256];
  char mBackupURL[256];
  char mCaption[1024];
};
