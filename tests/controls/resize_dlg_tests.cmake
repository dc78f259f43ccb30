sonoria_gtest(resize_rules_test SOURCES resize_rules_test.cpp LIBS sonoria_resize_rules)

# The dialog and its grip on real widgets, with the widget tests' own main.
add_executable(resize_dlg_test
  ${PROJECT_SOURCE_DIR}/tests/platform/dialog_test_main.cpp
  resize_dlg_test.cpp size_grip_test.cpp)
target_link_libraries(resize_dlg_test PRIVATE
  sonoria_controls_resize sonoria_test_temp Qt6::Test GTest::gtest)
sonoria_target(resize_dlg_test)
gtest_discover_tests(resize_dlg_test DISCOVERY_TIMEOUT 60
                     PROPERTIES TIMEOUT 600 ENVIRONMENT QT_QPA_PLATFORM=offscreen)

# A program to look at the dialog by hand or under Xvfb; not a test.
add_executable(resize_dlg_demo resize_dlg_demo.cpp)
target_link_libraries(resize_dlg_demo PRIVATE sonoria_controls_resize)
sonoria_target(resize_dlg_demo)
