# The report list control (file list): its Qt-free rules, then the widget.
add_library(sonoria_report_rules STATIC report_rules.cpp report_rules.h)
sonoria_target(sonoria_report_rules)

if(SONORIA_WITH_QT)
  add_library(sonoria_controls_report STATIC
    report_ctrl.cpp report_ctrl.h
    report_model.cpp report_model.h
    report_header.cpp report_header.h
    report_images.cpp report_images.h
  )
  target_link_libraries(sonoria_controls_report
    PUBLIC sonoria_report_rules sonoria_window_message Qt6::Widgets
    PRIVATE sonoria_platform)
  target_compile_definitions(sonoria_controls_report PUBLIC QT_NO_CAST_FROM_ASCII
                             QT_NO_CAST_TO_ASCII QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)
  sonoria_target(sonoria_controls_report)
endif()
