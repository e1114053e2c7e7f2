# The Linux editor window (X11 child window, MIT-SHM when available). Not on Windows or
# macOS, which have their own editor windows.
if(WIN32 OR APPLE)
  return()
endif()
find_package(X11 REQUIRED)
if(NOT X11_Xext_FOUND)
  message(FATAL_ERROR "The editor needs the X11 Xext library (MIT-SHM)")
endif()
target_sources(quelora_framework PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/graphics_x11.cpp
  ${CMAKE_CURRENT_LIST_DIR}/x11_desktop.cpp
  ${CMAKE_CURRENT_LIST_DIR}/x11_editor_thread.cpp
  ${CMAKE_CURRENT_LIST_DIR}/x11_entry_popup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/x11_error_trap.cpp
  ${CMAKE_CURRENT_LIST_DIR}/x11_surface.cpp
  ${CMAKE_CURRENT_LIST_DIR}/platform_editor_x11.cpp)
target_link_libraries(quelora_framework PUBLIC X11::X11 X11::Xext ${CMAKE_DL_LIBS})
