// Draws the editor's five images into a folder, in each artwork set: NAME.png (1x),
// NAME@1.5x.png and NAME@2x.png.
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

  // The artwork sets: the scale and the suffix of its file names.
  const struct {
    float scale;
    const char* suffix;
  } sets[] = {{1.0f, ""}, {1.5f, "@1.5x"}, {2.0f, "@2x"}};
  artwork::Fonts fonts;
  for (const auto& set : sets) {
    artwork::Fonts scaled;
    if (!scaled.Open(set.scale) || (set.scale == 1.0f && !fonts.Open())) {
      std::fprintf(stderr, "Liberation Sans (regular and bold) is needed: install fonts-liberation\n");
      return 1;
    }
    struct Output {
      const char* name;
      artwork::Canvas image;
    } outputs[] = {
        {"bg", artwork::DrawPanel(scaled, -1, set.scale)},
        {"knob", artwork::DrawKnobStrip(82, set.scale)},
        {"knob2", artwork::DrawKnobStrip(60, set.scale)},
        {"radio", artwork::DrawRadioStrip(scaled, set.scale)},
        {"slider", artwork::DrawSliderHandle(set.scale)},
    };
    for (const Output& o : outputs) {
      std::string path = dir + "/" + o.name + set.suffix + ".png";
      if (!WriteImage(o.image, path)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
      }
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
