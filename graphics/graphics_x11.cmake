# The Linux editor window lives in its own folder (graphics/x11/).
include(${CMAKE_CURRENT_LIST_DIR}/x11/x11.cmake)
