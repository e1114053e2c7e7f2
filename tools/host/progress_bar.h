// A one-line progress bar on stderr, shown only when stderr is a terminal and the job is
// long enough to be worth watching.
//
// Threading: tool's only thread.
#pragma once

class ProgressBar {
 public:
  // enabled: whether to draw at all (the caller decides from isatty and the job length).
  explicit ProgressBar(bool enabled) : enabled_(enabled) {}
  ~ProgressBar() { Finish(); }

  // done of total units; redraws when the shown percentage changes.
  void Update(long long done, long long total);
  // Ends the line (once).
  void Finish();

 private:
  bool enabled_;
  bool drawn_ = false;
  int shownPercent_ = -1;
};
