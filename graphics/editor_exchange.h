// What an open editor and its plug-in hand each other while the editor does its own work
// (input, rendering, presenting) without the plug-in lock.
//
//   editor -> plug-in: the edits the controls made (begin, value, end, deferred end), kept
//     in order and sent in one go by Exchange;
//   plug-in -> editor: the values the host or the plug-in pushed to the controls (the last
//     one per parameter), and a copy of every parameter's value for the display texts.
//
// Threading:
//   Prepare: the thread that attaches or opens the editor, plug-in lock held, while no
//     editor work runs.
//   NoteHostValue: any thread, plug-in lock held (a host call or the plug-in base).
//   Queue, HasQueued, DropQueued, Taken*, ShownValue, ShownText, FormatTexts: the thread
//     doing the editor's work (the editor thread), which alone owns that side, or a
//     thread holding both the plug-in lock and the editor's mutex (a host call drawing
//     the editor, the closing thread once the editor thread has ended).
//   Exchange: the same threads with the plug-in lock held, and nothing else done under
//     it: it is kept to copying values and calling the plug-in's edit entries.
#pragma once

#include <vector>

#include "plug/IParam.h"

class IPlugBase;

class EditorExchange {
 public:
  enum ChangeKind { kBeginEdit, kBeginEditOnce, kSetValue, kEndEdit, kEndEditSoon };

  EditorExchange();

  // Room for paramCount parameters and a few hundred queued edits, so that nothing under
  // the plug-in lock allocates.
  void Prepare(int paramCount);
  int ParamCount() const { return static_cast<int>(mShownValue.size()); }

  // A value pushed to the controls of that parameter (normalized). Plug-in lock held.
  void NoteHostValue(int index, double normalized);
  // Some value was pushed since the last exchange. Plug-in lock held.
  bool HasPushed() const;

  // An edit made by a control. Editor work thread.
  void Queue(ChangeKind kind, int index, double value = 0.0);
  bool HasQueued() const { return !mQueue.empty(); }
  void DropQueued() { mQueue.clear(); }

  // Plug-in lock held. Sends the queued edits to plug in their order, then takes the
  // values pushed since the last exchange (a value the editor has just sent wins over an
  // older host value of the same parameter) and copies every parameter's value.
  void Exchange(IPlugBase* plug);

  // Editor work thread, after an exchange: the values pushed by the host.
  int TakenCount() const { return static_cast<int>(mTakenIndex.size()); }
  int TakenIndex(int i) const { return mTakenIndex[static_cast<size_t>(i)]; }
  double TakenValue(int i) const { return mTakenValue[static_cast<size_t>(i)]; }
  void ClearTaken();

  // Editor work thread: formats the display text of every parameter whose value changed
  // since it was last formatted (no lock: formatting reads only the value and the
  // parameter's fixed description). Returns true when a text changed.
  bool FormatTexts(IPlugBase* plug);
  // The value (real, not normalized) and display text of the last exchange; false / empty
  // for a parameter that has not been exchanged yet.
  bool ShownValue(int index, double* value) const;
  const char* ShownText(int index) const;

 private:
  struct Change {
    ChangeKind kind;
    int index;
    double value;
  };
  struct Text {
    char text[IParam::kFormatBufferSize];
  };

  // Forgets a taken, not yet applied value of that parameter.
  void DropTaken(int index);

  // Editor side.
  std::vector<Change> mQueue;
  std::vector<int> mTakenIndex;
  std::vector<double> mTakenValue;
  std::vector<Text> mShownText;
  std::vector<double> mFormattedValue;
  std::vector<char> mFormatted;
  // Filled under the plug-in lock.
  std::vector<double> mShownValue;
  std::vector<char> mExchanged;
  // Plug-in side (plug-in lock).
  std::vector<double> mPushedValue;
  std::vector<char> mPushed;
};
