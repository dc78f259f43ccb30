# The report list control's benchmark and its picture tool (not tests: run them by hand).
if(SONORIA_WITH_QT)
  add_executable(report_bench report_bench.cpp)
  target_link_libraries(report_bench PRIVATE sonoria_controls_report Qt6::Widgets)
  sonoria_target(report_bench)
endif()
