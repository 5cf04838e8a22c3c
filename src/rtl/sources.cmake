list(APPEND QV_CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/exceptions.cpp
    ${CMAKE_CURRENT_LIST_DIR}/text.cpp
    ${CMAKE_CURRENT_LIST_DIR}/string_list.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ini_values.cpp
    ${CMAKE_CURRENT_LIST_DIR}/utf8.cpp
    ${CMAKE_CURRENT_LIST_DIR}/unicode_data.cpp)
list(APPEND QV_WIN_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/ini_file.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ini_stream.cpp
    ${CMAKE_CURRENT_LIST_DIR}/files.cpp)
# The UTF-8/UTF-16 pair serves the core's file access on Windows too.
if(WIN32)
    list(APPEND QV_CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/wide.cpp)
endif()
