# The report list control: its Qt-free rules, then the widget under QTest events.
sonoria_gtest(report_rules_test SOURCES report_rules_test.cpp LIBS sonoria_report_rules)

if(SONORIA_WITH_QT)
  find_package(Qt6 REQUIRED COMPONENTS Test)
  # Widget tests need a QApplication, so this one brings its own main.
  add_executable(report_ctrl_test report_ctrl_test.cpp)
  target_link_libraries(report_ctrl_test PRIVATE sonoria_controls_report Qt6::Test GTest::gtest)
  sonoria_target(report_ctrl_test)
  gtest_discover_tests(report_ctrl_test DISCOVERY_TIMEOUT 60
                       PROPERTIES TIMEOUT 600 ENVIRONMENT QT_QPA_PLATFORM=offscreen)
endif()
