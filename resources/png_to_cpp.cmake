# Turns the editor's PNG images into one C++ source of byte arrays (run with cmake -P):
#   cmake -DIMAGE_DIR=<resources/img> -DOUTPUT=<file.cpp> -P png_to_cpp.cmake
if(NOT IMAGE_DIR OR NOT OUTPUT)
  message(FATAL_ERROR "png_to_cpp.cmake needs IMAGE_DIR and OUTPUT")
endif()

# id, file name, array name: the ids are the editor's image ids, 100-104 for the 1x set and
# 150-154 / 200-204 for the 1.5x and 2x sets (graphics/IGraphics.h, artwork sets).
set(_images
  "100|bg.png|kBg"
  "101|knob.png|kKnob"
  "102|knob2.png|kKnob2"
  "103|radio.png|kRadio"
  "104|slider.png|kSlider"
  "150|bg@1.5x.png|kBg15"
  "151|knob@1.5x.png|kKnob15"
  "152|knob2@1.5x.png|kKnob215"
  "153|radio@1.5x.png|kRadio15"
  "154|slider@1.5x.png|kSlider15"
  "200|bg@2x.png|kBg2x"
  "201|knob@2x.png|kKnob2x"
  "202|knob2@2x.png|kKnob22x"
  "203|radio@2x.png|kRadio2x"
  "204|slider@2x.png|kSlider2x")

set(_arrays "")
set(_table "")
foreach(_entry IN LISTS _images)
  string(REPLACE "|" ";" _fields "${_entry}")
  list(GET _fields 0 _id)
  list(GET _fields 1 _file)
  list(GET _fields 2 _array)
  set(_path "${IMAGE_DIR}/${_file}")
  if(NOT EXISTS "${_path}")
    message(FATAL_ERROR "missing image ${_path}")
  endif()
  file(READ "${_path}" _hex HEX)
  string(LENGTH "${_hex}" _hex_length)
  math(EXPR _size "${_hex_length} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," _bytes "${_hex}")
  # Sixteen bytes a line (the regular expressions of cmake have no repeat counts).
  string(REPEAT "0x..," 16 _line)
  string(REGEX REPLACE "(${_line})" "\\1\n    " _bytes "${_bytes}")
  string(APPEND _arrays "// ${_file}: ${_size} bytes\nconst unsigned char ${_array}[${_size}] = {\n    ${_bytes}\n};\n\n")
  string(APPEND _table "    {${_id}, \"img/${_file}\", ${_array}, static_cast<int>(sizeof ${_array})},\n")
endforeach()

set(_source "// Generated at build time from resources/img by resources/png_to_cpp.cmake: do not edit.
#include \"resources/embedded_images.h\"

#include <cstring>

namespace {

${_arrays}const EmbeddedImage kImages[] = {
${_table}};

}  // namespace

const EmbeddedImage* FindEmbeddedImage(int id) {
  for (const EmbeddedImage& image : kImages)
    if (image.id == id) return &image;
  return nullptr;
}

const EmbeddedImage* FindEmbeddedImageByName(const char* name) {
  if (!name) return nullptr;
  if (std::strncmp(name, \"../\", 3) == 0) name += 3;
  for (const EmbeddedImage& image : kImages)
    if (std::strcmp(image.name, name) == 0) return &image;
  return nullptr;
}
")

file(WRITE "${OUTPUT}" "${_source}")
