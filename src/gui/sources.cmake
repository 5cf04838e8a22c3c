list(APPEND QV_CORE_SOURCES ${CMAKE_CURRENT_LIST_DIR}/component.cpp ${CMAKE_CURRENT_LIST_DIR}/menu_item.cpp
                            ${CMAKE_CURRENT_LIST_DIR}/smooth_scale.cpp)
list(APPEND QV_WIN_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/app_host.cpp
    ${CMAKE_CURRENT_LIST_DIR}/application.cpp
    ${CMAKE_CURRENT_LIST_DIR}/controls.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dialogs.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dpi.cpp
    ${CMAKE_CURRENT_LIST_DIR}/forms.cpp
    ${CMAKE_CURRENT_LIST_DIR}/graphics.cpp
    ${CMAKE_CURRENT_LIST_DIR}/hint_window.cpp
    ${CMAKE_CURRENT_LIST_DIR}/image_list.cpp
    ${CMAKE_CURRENT_LIST_DIR}/input_query.cpp
    ${CMAKE_CURRENT_LIST_DIR}/list_query.cpp
    ${CMAKE_CURRENT_LIST_DIR}/menus.cpp
    ${CMAKE_CURRENT_LIST_DIR}/page_control.cpp
    ${CMAKE_CURRENT_LIST_DIR}/platform_ui.cpp
    ${CMAKE_CURRENT_LIST_DIR}/query_form.cpp
    ${CMAKE_CURRENT_LIST_DIR}/single_instance.cpp
    ${CMAKE_CURRENT_LIST_DIR}/std_controls.cpp
    ${CMAKE_CURRENT_LIST_DIR}/timer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tree_view.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window.cpp)
