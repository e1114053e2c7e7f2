# Command-line cases of quelora-host, run by ctest as
# (kept in a subfolder: tests/tools/ includes every *.cmake file beside it)
#   cmake -DCASE=<name> -DHOST=... -DPLUGIN=... -DSTUB=... -DBAD_MAGIC=... -DCHECK=...
#         -DWORK=<scratch folder> -P host_cli_cases.cmake
# Each case runs the tool, checks its exit code and messages, and checks rendered files
# with the audio_check helper.
cmake_minimum_required(VERSION 3.18)

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

# host(<expected exit code> args...): runs the tool; output in HOST_OUT (stdout + stderr).
function(host expected)
  execute_process(COMMAND "${HOST}" ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out
                  ERROR_VARIABLE err)
  set(HOST_OUT "${out}${err}" PARENT_SCOPE)
  if(NOT "${rc}" STREQUAL "${expected}")
    message(FATAL_ERROR "quelora-host ${ARGN}\nexit code ${rc}, expected ${expected}\n${out}${err}")
  endif()
endfunction()

# expect_text(text...): every text occurs literally in HOST_OUT.
function(expect_text)
  foreach(text IN LISTS ARGN)
    string(FIND "${HOST_OUT}" "${text}" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "missing \"${text}\" in output:\n${HOST_OUT}")
    endif()
  endforeach()
endfunction()

# expect_error(code message-part args...): fails with that code and one message line.
macro(expect_error code part)
  host(${code} ${ARGN})
  expect_text("quelora-host: ${part}")
endmacro()

function(audio_check)
  execute_process(COMMAND "${CHECK}" ${ARGN} RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "audio_check ${ARGN}\n${err}")
  endif()
endfunction()

set(impulse "${WORK}/impulse.wav")

if(CASE STREQUAL "info")
  host(0 info "${PLUGIN}")
  expect_text("Quelora 2" "Obvik" "'k2qz' (1798467962)" "2 in, 2 out" "CanDoubleReplacing"
              "Delay Rate" "Position" "Pan Width" "Feedback" "Dry Mix" "Wet Mix"
              " 1/4 " " left " " 90 " " 60 " " 100 " " 50 " "%"
              "Programs (24, current 1)")
  foreach(name "---- default ----" "Classic Delay" "Bright Room" "Dark Room" "Etheric Room"
               "Resonant Room" "Distant Echoes" "Distant Echoes 2" "Harp" "Long Delay"
               "Very Long Delay" "Don't Stop" "Light Drops" "Only Delay" "Quiet Delay"
               "Relaxation" "Stereo Enhanced" "- 18 -" "- 24 -")
    expect_text("${name}\n")
  endforeach()

elseif(CASE STREQUAL "render_demo")
  # Demo (4 s at 44.1 kHz) plus the 2 s tail; the delay must still sound in the tail.
  host(0 render "${PLUGIN}" "${WORK}/demo.wav" --program "Classic Delay")
  audio_check(check "${WORK}/demo.wav" frames=264600 channels=2 rate=44100 min-peak=0.05
              tail-peak=180000:0.001)
  # By number, another rate and length, FLAC by extension.
  host(0 render "${PLUGIN}" "${WORK}/demo.flac" --program 2 --rate 48000 --seconds 1.5
       --tail 0.5)
  audio_check(check "${WORK}/demo.flac" frames=96000 channels=2 rate=48000 min-peak=0.05)

elseif(CASE STREQUAL "echo_position")
  # A quarter note at 120 BPM is 22050 samples at 44.1 kHz; with the dry path off the
  # first sound in the output is the first echo.
  audio_check(impulse "${impulse}" 44100 44100 0 0.5)
  host(0 render "${PLUGIN}" "${impulse}" "${WORK}/echo.wav" --set "Dry Mix=0"
       --set "Delay Rate=1/4" --tempo 120)
  audio_check(check "${WORK}/echo.wav" frames=132300 channels=2 first-above=0.01@22050)
  # The same in double precision, with blocks that do not divide the delay.
  host(0 render "${PLUGIN}" "${impulse}" "${WORK}/echo_double.wav" --set "Dry Mix=0"
       --set "Delay Rate=1/4" --double --block 100)
  audio_check(check "${WORK}/echo_double.wav" first-above=0.01@22050)
  # The tempo reaches the plug-in: a dotted eighth at 90 BPM is 22050 samples too, a
  # quarter 29400.
  host(0 render "${PLUGIN}" "${impulse}" "${WORK}/echo90.wav" --set "Dry Mix=0"
       --set "Delay Rate=1/4" --tempo 90 --tail 1)
  audio_check(check "${WORK}/echo90.wav" first-above=0.01@29400)
  # Programs apply before the settings: "Only Delay" has no dry signal (its ping-pong
  # first echo comes after one quarter too) until "Dry Mix" brings it back; a value out
  # of range is clamped with a warning; texts match ignoring case, numbers may carry
  # their unit.
  host(0 render "${PLUGIN}" "${impulse}" "${WORK}/only.wav" --program "Only Delay" --tail 0)
  audio_check(check "${WORK}/only.wav" first-above=0.01@22050)
  host(0 render "${PLUGIN}" "${impulse}" "${WORK}/dry.wav" --program "Only Delay"
       --set "Dry Mix=150" --set "position=Inv Pong" --set "Feedback=70 %" --tail 0)
  expect_text("quelora-host: warning: Dry Mix=150 is out of range; using 100%")
  audio_check(check "${WORK}/dry.wav" first-above=0.4@0)

elseif(CASE STREQUAL "errors")
  file(WRITE "${WORK}/notes.txt" "not audio, not a plug-in\n")
  audio_check(impulse "${impulse}" 44100 4410 0 0.5)
  expect_error(3 "plug-in not found" info "${WORK}/missing.so")
  expect_error(4 "not a plug-in" info /bin/ls)
  expect_error(4 "not a plug-in" info "${WORK}/notes.txt")
  expect_error(5 "unknown program \"No Such Program\"" render "${PLUGIN}" "${WORK}/x.wav"
               --program "No Such Program")
  expect_error(5 "unknown program \"25\"" render "${PLUGIN}" "${WORK}/x.wav" --program 25)
  expect_error(5 "unknown parameter \"Tone\"; parameters: \"Delay Rate\", \"Position\""
               render "${PLUGIN}" "${WORK}/x.wav" --set "Tone=3")
  expect_error(5 "parameter \"Delay Rate\" has no value \"1/5\"; values: \"1/64\", \"1/32T\""
               render "${PLUGIN}" "${WORK}/x.wav" --set "Delay Rate=1/5")
  expect_text("\"4/1\"\n")
  expect_error(3 "audio file not found" render "${PLUGIN}" "${WORK}/missing.wav" "${WORK}/x.wav")
  expect_error(6 "cannot read audio file" render "${PLUGIN}" "${WORK}/notes.txt" "${WORK}/x.wav")
  expect_error(2 "--rate and --seconds apply to the demo only" render "${PLUGIN}" "${impulse}"
               "${WORK}/x.wav" --rate 48000)
  expect_error(2 "unknown option --colour" info "${PLUGIN}" --colour)
  expect_error(1 "cannot write ${WORK}/no/such/folder/out.wav" render "${PLUGIN}"
               "${WORK}/no/such/folder/out.wav")
  if(EXISTS "${WORK}/x.wav")
    message(FATAL_ERROR "a failed render left an output file")
  endif()
  host(0 --help)
  expect_text("usage: quelora-host info PLUGIN")

elseif(CASE STREQUAL "stub")
  # A plug-in with only the old "main" entry, no text conversion and no double precision.
  host(0 info "${STUB}")
  expect_text("Stub Gain" "'stub'" "Unity\n" "Half\n" "Editor:        no")
  audio_check(impulse "${impulse}" 44100 1000 10 0.5)
  host(0 render "${STUB}" "${impulse}" "${WORK}/half.wav" --program Half --tail 0)
  audio_check(check "${WORK}/half.wav" frames=1000 first-above=0.2@10)
  audio_check(check "${WORK}/half.wav" first-above=0.26@-1)
  # Without a conversion a number is a normalized value and a text is found among the
  # display texts.
  host(0 render "${STUB}" "${impulse}" "${WORK}/quiet.wav" --set "Gain=0.1" --set "mode=on"
       --tail 0)
  audio_check(check "${WORK}/quiet.wav" first-above=0.04@10)
  audio_check(check "${WORK}/quiet.wav" first-above=0.06@-1)
  expect_error(5 "parameter \"Mode\" has no value \"maybe\"; values: \"off\", \"on\""
               render "${STUB}" "${impulse}" "${WORK}/x.wav" --set "Mode=maybe")
  expect_error(5 "parameter \"Gain\" takes a display text or a normalized value from 0 to 1"
               render "${STUB}" "${impulse}" "${WORK}/x.wav" --set "Gain=3")
  expect_error(7 "plug-in cannot process in double precision" render "${STUB}" "${impulse}"
               "${WORK}/x.wav" --double)
  expect_error(4 "not a VST 2.4 plug-in (bad magic)" info "${BAD_MAGIC}")

elseif(CASE STREQUAL "screenshot")
  # png_info(file): width, height, bit depth and colour type from the PNG header.
  function(png_info file)
    file(READ "${file}" head LIMIT 26 HEX)
    string(SUBSTRING "${head}" 0 16 signature)
    if(NOT signature STREQUAL "89504e470d0a1a0a")
      message(FATAL_ERROR "${file} is no PNG file (${head})")
    endif()
    string(SUBSTRING "${head}" 32 8 w)
    string(SUBSTRING "${head}" 40 8 h)
    string(SUBSTRING "${head}" 48 4 depth_type)
    math(EXPR w "0x${w}")
    math(EXPR h "0x${h}")
    set(PNG_INFO "${w}x${h}:${depth_type}" PARENT_SCOPE)
  endfunction()
  host(0 screenshot "${PLUGIN}" "${WORK}/default.png")
  expect_text("wrote ${WORK}/default.png (550 x 209 pixels)")
  png_info("${WORK}/default.png")
  if(NOT PNG_INFO STREQUAL "550x209:0806")  # 8 bits, RGBA
    message(FATAL_ERROR "default.png: ${PNG_INFO}, expected 550x209:0806")
  endif()
  # A program and a setting change the picture; the same choices give the same picture.
  host(0 screenshot "${PLUGIN}" "${WORK}/classic.png" --program "Classic Delay")
  host(0 screenshot "${PLUGIN}" "${WORK}/classic2.png" --program 2 --set "Feedback=99")
  host(0 screenshot "${PLUGIN}" "${WORK}/classic3.png" --set "Delay Rate=1/8"
       --set "Position=ping pong" --set "Dry Mix=70" --set "Wet Mix=60")
  file(SHA256 "${WORK}/default.png" sum_default)
  file(SHA256 "${WORK}/classic.png" sum_classic)
  file(SHA256 "${WORK}/classic2.png" sum_classic2)
  file(SHA256 "${WORK}/classic3.png" sum_classic3)
  if(sum_default STREQUAL sum_classic OR sum_classic STREQUAL sum_classic2)
    message(FATAL_ERROR "program or setting left the editor picture unchanged")
  endif()
  if(NOT sum_classic STREQUAL sum_classic3)
    message(FATAL_ERROR "the same values drawn twice differ")
  endif()
  # At a scale: twice (and one and a half times) the size, the editor drawn for it.
  host(0 screenshot "${PLUGIN}" "${WORK}/twice.png" --scale 2 --program "Classic Delay")
  expect_text("wrote ${WORK}/twice.png (1100 x 418 pixels)")
  png_info("${WORK}/twice.png")
  if(NOT PNG_INFO STREQUAL "1100x418:0806")
    message(FATAL_ERROR "twice.png: ${PNG_INFO}, expected 1100x418:0806")
  endif()
  host(0 screenshot "${PLUGIN}" "${WORK}/half-again.png" --scale=1.5)
  expect_text("(825 x 314 pixels)")
  # --scale 1 is the default picture.
  host(0 screenshot "${PLUGIN}" "${WORK}/one.png" --scale 1)
  file(SHA256 "${WORK}/one.png" sum_one)
  if(NOT sum_one STREQUAL sum_default)
    message(FATAL_ERROR "--scale 1 differs from the default picture")
  endif()
  expect_error(2 "--scale must be a scale factor from 1 to 3" screenshot "${PLUGIN}"
               "${WORK}/x.png" --scale 4)
  expect_error(2 "--scale does not apply to edit" edit "${PLUGIN}" --scale 2)
  expect_error(7 "plug-in cannot draw its editor at another scale" screenshot "${STUB_EDITOR}"
               "${WORK}/stub.png" --scale 2)
  # Plug-ins without an editor, or without the off-screen call, and bad files.
  expect_error(7 "plug-in has no editor" screenshot "${STUB}" "${WORK}/stub.png")
  expect_error(7 "plug-in cannot draw its editor off-screen" screenshot "${STUB_EDITOR}"
               "${WORK}/stub.png")
  expect_error(1 "cannot write ${WORK}/no/such/folder/x.png" screenshot "${PLUGIN}"
               "${WORK}/no/such/folder/x.png")
  expect_error(5 "unknown program \"Nope\"" screenshot "${PLUGIN}" "${WORK}/x.png"
               --program Nope)
  expect_error(2 "screenshot takes PLUGIN OUT.png" screenshot "${PLUGIN}")
  expect_error(2 "--seconds does not apply to screenshot" screenshot "${PLUGIN}"
               "${WORK}/x.png" --seconds 2)
  if(EXISTS "${WORK}/stub.png" OR EXISTS "${WORK}/x.png")
    message(FATAL_ERROR "a failed screenshot left a file")
  endif()

elseif(CASE STREQUAL "edit_no_display")
  # Without an X display the editor cannot be shown: a clear message, not a crash.
  set(ENV{DISPLAY} "")
  expect_error(8 "no X display: DISPLAY is not set" edit "${PLUGIN}" --seconds 1)
  unset(ENV{DISPLAY})
  expect_error(8 "no X display: DISPLAY is not set" edit "${PLUGIN}")
  set(ENV{DISPLAY} ":4711")
  expect_error(8 "cannot open X display \":4711\"" edit "${PLUGIN}" --seconds 1)
  # The plug-in is checked first: one without an editor says so even without a display.
  unset(ENV{DISPLAY})
  expect_error(7 "plug-in has no editor" edit "${STUB}")
  expect_error(2 "edit takes exactly one plug-in file" edit "${PLUGIN}" "${WORK}/x")

else()
  message(FATAL_ERROR "unknown CASE ${CASE}")
endif()
