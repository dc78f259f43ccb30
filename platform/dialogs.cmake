# The stored window placement as plain data: no Qt, so it builds and is tested everywhere.
add_library(sonoria_placement_rules STATIC placement_store_rules.cpp)
sonoria_target(sonoria_placement_rules)

# Dialog templates in dialog units, the per-user profile and window placements (QtWidgets).
if(SONORIA_WITH_QT)
  add_library(sonoria_platform_dialogs STATIC
    dialog_template.cpp
    dialog_templates.cpp
    placement_store.cpp
    profile.cpp
  )
  target_link_libraries(sonoria_platform_dialogs
    PUBLIC Qt6::Widgets sonoria_platform sonoria_placement_rules)
  target_compile_definitions(sonoria_platform_dialogs PRIVATE
    QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_CAST_FROM_BYTEARRAY
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)
  sonoria_target(sonoria_platform_dialogs)
endif()
