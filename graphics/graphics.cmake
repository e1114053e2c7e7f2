target_sources(quelora_framework PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/IGraphics.cpp
  ${CMAKE_CURRENT_LIST_DIR}/graphics_drawing.cpp
  ${CMAKE_CURRENT_LIST_DIR}/editor_caches.cpp
  ${CMAKE_CURRENT_LIST_DIR}/editor_exchange.cpp
  ${CMAKE_CURRENT_LIST_DIR}/IControl.cpp
  ${CMAKE_CURRENT_LIST_DIR}/bitmap_control.cpp
  ${CMAKE_CURRENT_LIST_DIR}/knob_controls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/slider_controls.cpp
  ${CMAKE_CURRENT_LIST_DIR}/radio_buttons.cpp
  ${CMAKE_CURRENT_LIST_DIR}/url_control.cpp
  ${CMAKE_CURRENT_LIST_DIR}/editable_text_control.cpp
  ${CMAKE_CURRENT_LIST_DIR}/offscreen_graphics.cpp
)
