# Window messages: needs a Qt event loop, so the test has its own main.
if(SONORIA_WITH_QT)
  add_executable(window_message_test window_message_test.cpp)
  target_link_libraries(window_message_test PRIVATE sonoria_window_message GTest::gtest)
  sonoria_target(window_message_test)
  gtest_discover_tests(window_message_test DISCOVERY_TIMEOUT 60
                       PROPERTIES TIMEOUT 600 ENVIRONMENT QT_QPA_PLATFORM=offscreen)
endif()
