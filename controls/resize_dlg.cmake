# The resizable dialog's layout rules: plain geometry without Qt, tested without a display.
add_library(sonoria_resize_rules STATIC resize_rules.cpp)
sonoria_target(sonoria_resize_rules)

# The resizable dialog base and its size grip.
if(SONORIA_WITH_QT)
  add_library(sonoria_controls_resize STATIC resize_dlg.cpp size_grip_ext.cpp)
  target_link_libraries(sonoria_controls_resize
    PUBLIC Qt6::Widgets sonoria_resize_rules sonoria_platform_dialogs)
  target_compile_definitions(sonoria_controls_resize PRIVATE
    QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_CAST_FROM_BYTEARRAY
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)
  sonoria_target(sonoria_controls_resize)
endif()
