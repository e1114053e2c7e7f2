// Draws the editor's five images into a folder:
//   quelora-artwork <output folder> [--preview <file.png>]
// The images are committed; scripts/generate-artwork.sh rebuilds and reruns this tool.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "resources/generator/artwork.h"
#include "raster/png_writer.h"

namespace {

// The committed images are written at the strongest compression: the same pixels always
// give the same bytes.
bool WriteImage(const artwork::Canvas& canvas, const std::string& path) {
  const std::vector<std::uint8_t> rgba = canvas.ToRgba8();
  return WritePngFile(path.c_str(), rgba.data(), canvas.Width(), canvas.Height(), 9);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <output folder> [--preview <file.png>]\n", argv[0]);
    return 2;
  }
  std::string dir = argv[1];
  std::string preview;
  for (int i = 2; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--preview") == 0) preview = argv[i + 1];

  artwork::Fonts fonts;
  if (!fonts.Open()) {
    std::fprintf(stderr, "Liberation Sans (regular and bold) is needed: install fonts-liberation\n");
    return 1;
  }
  struct Output {
    const char* name;
    artwork::Canvas image;
  } outputs[] = {
      {"bg.png", artwork::DrawPanel(fonts, -1)},
      {"knob.png", artwork::DrawKnobStrip(82)},
      {"knob2.png", artwork::DrawKnobStrip(60)},
      {"radio.png", artwork::DrawRadioStrip(fonts)},
      {"slider.png", artwork::DrawSliderHandle()},
  };
  for (const Output& o : outputs) {
    std::string path = dir + "/" + o.name;
    if (!WriteImage(o.image, path)) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
  }
  if (!preview.empty()) {
    const double values[6] = {11.0 / 24.0, 2.0 / 3.0, 0.9, 0.6, 1.0, 0.5};
    if (!WriteImage(artwork::DrawPreview(fonts, values), preview)) {
      std::fprintf(stderr, "cannot write %s\n", preview.c_str());
      return 1;
    }
  }
  return 0;
}
