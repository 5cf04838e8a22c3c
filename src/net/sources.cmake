# Files of this layer: portable ones to QV_CORE_SOURCES, Win32 ones to QV_WIN_SOURCES.
list(APPEND QV_WIN_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/adv_http.cpp
    ${CMAKE_CURRENT_LIST_DIR}/http_address.cpp
    ${CMAKE_CURRENT_LIST_DIR}/http_errors.cpp
    ${CMAKE_CURRENT_LIST_DIR}/http_events.cpp)
list(APPEND QV_CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/header_limits.cpp)
