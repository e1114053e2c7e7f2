// Port indices of an LV2 instance built on IPlugLV2, shared by the adapter, the entry
// point and the Turtle generator so that the description and the code cannot disagree.
#pragma once

enum Lv2Port : unsigned {
  kPortAudioInLeft = 0,
  kPortAudioInRight = 1,
  kPortAudioOutLeft = 2,
  kPortAudioOutRight = 3,
  // Atom sequence carrying time:Position from the host transport.
  kPortControlIn = 4,
  // Parameter i is port kPortFirstParam + i.
  kPortFirstParam = 5
};

// Most parameters an LV2 instance exposes as control ports.
constexpr int kMaxLv2Params = 32;
