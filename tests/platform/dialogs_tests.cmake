sonoria_gtest(placement_rules_test SOURCES placement_rules_test.cpp LIBS sonoria_placement_rules)

if(SONORIA_WITH_QT)
  sonoria_gtest(profile_test SOURCES profile_test.cpp
                LIBS sonoria_platform_dialogs sonoria_test_temp)

  # Widgets need a QApplication: these tests bring their own main.
  add_executable(dialogs_test
    dialog_test_main.cpp dialog_template_test.cpp placement_store_test.cpp)
  target_link_libraries(dialogs_test PRIVATE
    sonoria_platform_dialogs sonoria_test_temp Qt6::Test GTest::gtest)
  sonoria_target(dialogs_test)
  gtest_discover_tests(dialogs_test DISCOVERY_TIMEOUT 60
                       PROPERTIES TIMEOUT 600 ENVIRONMENT QT_QPA_PLATFORM=offscreen)
endif()
