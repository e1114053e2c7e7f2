#include "tools/host/progress_bar.h"

#include <cstdio>

void ProgressBar::Update(long long done, long long total) {
  if (!enabled_ || total <= 0) return;
  int percent = static_cast<int>(done * 100 / total);
  if (percent > 100) percent = 100;
  if (percent == shownPercent_) return;
  shownPercent_ = percent;
  constexpr int kWidth = 40;
  char bar[kWidth + 1];
  const int filled = percent * kWidth / 100;
  for (int i = 0; i < kWidth; ++i) bar[i] = i < filled ? '#' : '.';
  bar[kWidth] = '\0';
  std::fprintf(stderr, "\rrendering [%s] %3d%%", bar, percent);
  std::fflush(stderr);
  drawn_ = true;
}

void ProgressBar::Finish() {
  if (drawn_) {
    std::fputc('\n', stderr);
    drawn_ = false;
  }
  enabled_ = false;
}
