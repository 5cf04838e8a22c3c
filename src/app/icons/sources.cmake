# Files of this layer: portable ones to QV_CORE_SOURCES, Win32 ones to QV_WIN_SOURCES.
list(APPEND QV_CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/bitmap.cpp
    ${CMAKE_CURRENT_LIST_DIR}/bmp_reader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/jpeg_reader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/resampler.cpp
    ${CMAKE_CURRENT_LIST_DIR}/icon_writer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/icon_converter.cpp)
list(APPEND QV_WIN_SOURCES ${CMAKE_CURRENT_LIST_DIR}/icon_converter_win.cpp)
list(APPEND QV_CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/site_icon.cpp)
list(APPEND QV_WIN_SOURCES ${CMAKE_CURRENT_LIST_DIR}/wic_image.cpp)
