list(APPEND QV_CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/app_paths.cpp
    ${CMAKE_CURRENT_LIST_DIR}/feed_order.cpp)
list(APPEND QV_WIN_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/document_memo.cpp
    ${CMAKE_CURRENT_LIST_DIR}/feed_commands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/feed_icons.cpp
    ${CMAKE_CURRENT_LIST_DIR}/feed_store.cpp
    ${CMAKE_CURRENT_LIST_DIR}/headline_menu.cpp
    ${CMAKE_CURRENT_LIST_DIR}/info_form.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main_form.cpp
    ${CMAKE_CURRENT_LIST_DIR}/settings_file.cpp)
list(APPEND QV_CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/feed_parser.cpp
    ${CMAKE_CURRENT_LIST_DIR}/klip.cpp
    ${CMAKE_CURRENT_LIST_DIR}/wrap_text.cpp)
list(APPEND QV_CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/document_encoding.cpp)
list(APPEND QV_CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/content_coding.cpp)
list(APPEND QV_WIN_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/overlay_icon.cpp
    ${CMAKE_CURRENT_LIST_DIR}/refresh_cycle.cpp)
