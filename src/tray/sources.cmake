# Files of this layer: portable ones to QV_CORE_SOURCES, Win32 ones to QV_WIN_SOURCES.
list(APPEND QV_CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/balloon_geometry.cpp)
list(APPEND QV_WIN_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/balloon_hint.cpp
    ${CMAKE_CURRENT_LIST_DIR}/balloon_window.cpp
    ${CMAKE_CURRENT_LIST_DIR}/shell_queue.cpp
    ${CMAKE_CURRENT_LIST_DIR}/wnd_proc_hook.cpp)
list(APPEND QV_WIN_SOURCES ${CMAKE_CURRENT_LIST_DIR}/tray_icon.cpp)
